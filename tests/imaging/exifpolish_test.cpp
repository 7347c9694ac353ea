// The EXIF lines of a photo speak Polish from libexif's own catalogue, whatever the system's language.
#include "testsupport.h"

#include "imaging/exifcatalogue.h"
#include "imaging/imagefile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace imaging;

namespace {

// Sets the process's message language while it lives (the test runs alone on its thread).
class SystemLanguage {
public:
    explicit SystemLanguage(const char* language)
        : language_(qgetenv("LANGUAGE"))
        , messages_(std::setlocale(LC_MESSAGES, nullptr)) {
        qputenv("LANGUAGE", language);
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    ~SystemLanguage() {
        qputenv("LANGUAGE", language_);
        std::setlocale(LC_MESSAGES, messages_.c_str());
    }

private:
    QByteArray language_;
    std::string messages_;
};

} // namespace

TEST(ExifLines, PolishWhateverTheSystemSpeaks) {
    ASSERT_TRUE(detail::PolishExifCatalogueLoaded()) << "libexif's Polish catalogue is part of libexif12";
    const QString photo = testsupport::corpusFile("canon_40d_II_thumb_jfif.jpg");
    const QStringList expected = {
        QString::fromUtf8("Orientacja = Lewy górny róg"),
        // Made from the catalogue's patterns and appended pieces.
        QString::fromUtf8("Wersja Exif = Exif w wersji 2.21"),
        QString::fromUtf8("Czas ekspozycji = 1/160 sek."),
        QString::fromUtf8("Szybkość migawki = 7.38 EV (1/166 sek.)"),
        QString::fromUtf8("Flesz = Flesz się uruchomił w trybie pulsującym"),
        // A camera's own texts stay as they are.
        QString::fromUtf8("Model = Canon EOS 40D"),
        QString::fromUtf8("Oprogramowanie = GIMP 2.4.5"),
    };
    QStringList first;
    for (const char* language : {"", "de", "en_US:en", "pl"}) {
        SCOPED_TRACE(language);
        const SystemLanguage system(language);
        const PhotoLoad load = LoadPhoto(photo);
        ASSERT_TRUE(load.ok());
        for (const QString& line : expected)
            EXPECT_TRUE(load.exifLines.contains(line)) << line.toStdString() << " in\n"
                                                       << load.exifLines.join('\n').toStdString();
        if (first.isEmpty())
            first = load.exifLines;
        EXPECT_EQ(load.exifLines, first);
    }
}

TEST(ExifLines, TextsTheCatalogueDoesNotKnowStayAsTheyAre) {
    for (const char* text : {"Canon EOS 40D", "2008:05:30 15:56:01", "", "100", "%s", "1/160"})
        EXPECT_EQ(detail::PolishExifText(QString::fromUtf8(text)), QString::fromUtf8(text)) << text;
    // A pattern's number goes into the Polish text.
    const QString unknown = detail::PolishExifText("Internal error (unknown value 7)");
    EXPECT_NE(unknown, "Internal error (unknown value 7)");
    EXPECT_TRUE(unknown.contains("7")) << unknown.toStdString();
}
