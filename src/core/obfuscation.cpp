#include "core/obfuscation.h"

#include "core/codec.h"

namespace core {

namespace {

// The key's last character never takes part: its positions run from the first up to, but not
// including, the last one, and then start again.
class KeyStream {
public:
    explicit KeyStream(const QString& key)
        : bytes_(toWindows1250(key))
        , period_(bytes_.size() > 1 ? bytes_.size() - 1 : bytes_.size()) {}
    unsigned char next() {
        if (period_ == 0)
            return 0;
        const auto byte = static_cast<unsigned char>(bytes_[position_]);
        position_ = (position_ + 1) % period_;
        return byte;
    }

private:
    QByteArray bytes_;
    qsizetype period_;
    qsizetype position_ = 0;
};

} // namespace

QString Encode(const QString& key, const QString& plain) {
    KeyStream stream(key);
    const QByteArray bytes = toWindows1250(plain);
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const int value = static_cast<unsigned char>(c) ^ stream.next();
        text.append(QChar(u'0' + value / 100));
        text.append(QChar(u'0' + value / 10 % 10));
        text.append(QChar(u'0' + value % 10));
    }
    return text;
}

QString Decode(const QString& key, const QString& text) {
    if (text.isEmpty() || text.size() % 3 != 0)
        return {};
    KeyStream stream(key);
    QByteArray bytes;
    bytes.reserve(text.size() / 3);
    for (qsizetype i = 0; i < text.size(); i += 3) {
        int value = 0;
        for (qsizetype j = i; j < i + 3; ++j) {
            const char16_t digit = text[j].unicode();
            if (digit < u'0' || digit > u'9')
                return {};
            value = value * 10 + (digit - u'0');
        }
        // Three digits reach 999, a byte only 255: such a value cannot have come from Encode.
        if (value > 255)
            return {};
        bytes.append(static_cast<char>(value ^ stream.next()));
    }
    return fromWindows1250(bytes);
}

} // namespace core
