#include "imaging/exifitems.h"

#include "core/codec.h"
#include "imaging/exifcatalogue.h"

#include <QStringDecoder>

#include <array>
#include <memory>

#include <libexif/exif-data.h>

#ifndef _WIN32
#include <clocale>
#include <locale.h>
#endif

namespace imaging::detail {

namespace {

struct ExifDataFree {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

// Camera firmware writes ASCII, editors UTF-8, older Windows software its own code page, which for this
// program's users is Windows-1250 (Polish text from older cameras and software).
QString valueText(const char* bytes) {
    const QByteArray raw(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        text = core::fromWindows1250(raw);
    // One item is one line: line breaks and other control characters become spaces.
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return text.trimmed();
}

// libexif speaks the language of the calling thread's messages; for the time of one photo this thread
// asks it for its English texts, which PolishExifText then turns into Polish whatever the system's
// language is.
class EnglishMessages {
public:
    EnglishMessages() {
#ifndef _WIN32
        locale_t base = duplocale(LC_GLOBAL_LOCALE);
        if (base == nullptr)
            return;
        english_ = newlocale(LC_MESSAGES_MASK, "C", base);
        if (english_ == nullptr) {
            freelocale(base);
            return;
        }
        previous_ = uselocale(english_);
#endif
    }
    ~EnglishMessages() {
#ifndef _WIN32
        if (english_ != nullptr) {
            uselocale(previous_);
            freelocale(english_);
        }
#endif
    }
    EnglishMessages(const EnglishMessages&) = delete;
    EnglishMessages& operator=(const EnglishMessages&) = delete;

private:
#ifndef _WIN32
    locale_t english_ = nullptr;
    locale_t previous_ = nullptr;
#endif
};

// Texts written by a camera or a person, which are never libexif's own words.
bool isOwnText(const ExifEntry& entry) {
    switch (static_cast<int>(entry.tag)) {
    case EXIF_TAG_USER_COMMENT:
    case EXIF_TAG_XP_TITLE:
    case EXIF_TAG_XP_COMMENT:
    case EXIF_TAG_XP_AUTHOR:
    case EXIF_TAG_XP_KEYWORDS:
    case EXIF_TAG_XP_SUBJECT:
        return true;
    default:
        return entry.format == EXIF_FORMAT_ASCII;
    }
}

QStringList linesOf(const unsigned char* data, unsigned int size) {
    const EnglishMessages english;
    std::unique_ptr<ExifData, ExifDataFree> exif(exif_data_new());
    if (!exif)
        return {};
    // Keep the file's items as they are: no invented mandatory entries, no reordering.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif.get(), data, size);

    static constexpr std::array<ExifIfd, 5> order = {EXIF_IFD_0, EXIF_IFD_EXIF, EXIF_IFD_GPS,
                                                     EXIF_IFD_INTEROPERABILITY, EXIF_IFD_1};
    QStringList lines;
    for (const ExifIfd ifd : order) {
        const ExifContent* content = exif->ifd[ifd];
        if (content == nullptr)
            continue;
        for (unsigned int i = 0; i < content->count; ++i) {
            ExifEntry* entry = content->entries[i];
            if (entry == nullptr)
                continue;
            const char* name = exif_tag_get_name_in_ifd(entry->tag, ifd);
            if (name == nullptr)
                continue;
            const char* title = exif_tag_get_title_in_ifd(entry->tag, ifd);
            std::array<char, 512> value{};
            exif_entry_get_value(entry, value.data(), static_cast<unsigned int>(value.size()));
            value.back() = '\0';
            const QString text = valueText(value.data());
            lines << PolishExifText(QString::fromLatin1(title != nullptr ? title : name)) +
                         QStringLiteral(" = ") + (isOwnText(*entry) ? text : PolishExifText(text));
        }
    }
    return lines;
}

} // namespace

QStringList ExifLinesFromApp1(const QByteArray& payload) {
    if (payload.size() < 14 || !payload.startsWith(QByteArray("Exif\0\0", 6)))
        return {};
    return linesOf(reinterpret_cast<const unsigned char*>(payload.constData()),
                   static_cast<unsigned int>(payload.size()));
}

QStringList ExifLinesFromTiff(const QByteArray& fileBytes) {
    if (fileBytes.size() < 8)
        return {};
    const QByteArray payload = QByteArray("Exif\0\0", 6) + fileBytes;
    return linesOf(reinterpret_cast<const unsigned char*>(payload.constData()),
                   static_cast<unsigned int>(payload.size()));
}

} // namespace imaging::detail
