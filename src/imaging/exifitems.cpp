#include "imaging/exifitems.h"

#include "core/codec.h"

#include <QStringDecoder>

#include <array>
#include <memory>

#include <libexif/exif-data.h>

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

QStringList linesOf(const unsigned char* data, unsigned int size) {
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
            std::array<char, 512> value{};
            exif_entry_get_value(entry, value.data(), static_cast<unsigned int>(value.size()));
            value.back() = '\0';
            lines << QString::fromLatin1(name) + QStringLiteral(" = ") + valueText(value.data());
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
