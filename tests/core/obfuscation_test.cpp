#include "core/codec.h"
#include "core/obfuscation.h"

#include <gtest/gtest.h>

namespace {

using core::Decode;
using core::Encode;
using core::kObfuscationKey;

TEST(Obfuscation, KnownGroups) {
    // 'a' (97) with 'k' (107), 'b' (98) with '8' (56), 'c' (99) with '$' (36).
    EXPECT_EQ(Encode(kObfuscationKey, QStringLiteral("abc")), QStringLiteral("010090071"));
    EXPECT_EQ(Decode(kObfuscationKey, QStringLiteral("010090071")), QStringLiteral("abc"));
    EXPECT_EQ(Encode(kObfuscationKey, QString()), QString());
}

TEST(Obfuscation, NinthCharacterReusesTheFirstKeyCharacter) {
    const QString encoded = Encode(kObfuscationKey, QStringLiteral("aaaaaaaaaa"));
    ASSERT_EQ(encoded.size(), 30);
    EXPECT_EQ(encoded.mid(24, 3), encoded.mid(0, 3));
    EXPECT_EQ(encoded.mid(27, 3), encoded.mid(3, 3));
    EXPECT_NE(encoded.mid(21, 3), encoded.mid(0, 3));
    // The key's ninth character, '&' (38), would have given 97 ^ 38 = 071.
    EXPECT_EQ(encoded.mid(24, 3), QStringLiteral("010"));
}

TEST(Obfuscation, EverySingleByteCharacterComesBack) {
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString plain = core::fromWindows1250(all);
    const QString encoded = Encode(kObfuscationKey, plain);
    EXPECT_EQ(encoded.size(), 255 * 3);
    EXPECT_EQ(Decode(kObfuscationKey, encoded), plain);
    const QString polish = QString::fromUtf8("zażółć gęślą jaźń ŁÓDŹ €");
    EXPECT_EQ(Decode(kObfuscationKey, Encode(kObfuscationKey, polish)), polish);
}

TEST(Obfuscation, CharactersOutsideTheCodePageBecomeTheSubstituteByte) {
    // 0x1A with 'k' is 113.
    EXPECT_EQ(Encode(kObfuscationKey, QString::fromUtf8("日")), QStringLiteral("113"));
}

TEST(Obfuscation, UndecodableTextsReadAsEmpty) {
    const char* cases[] = {"0100", "01", "0", "01a", " 10", "+10", "-10", "256", "999", "010256", "0x1"};
    for (const char* text : cases)
        EXPECT_EQ(Decode(kObfuscationKey, QString::fromLatin1(text)), QString()) << text;
    EXPECT_EQ(Decode(kObfuscationKey, QString::fromUtf8("١٢٣")), QString());
}

} // namespace
