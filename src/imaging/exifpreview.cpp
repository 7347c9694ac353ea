#include "imaging/exifpreview.h"

#include "imaging/jpegdecoder.h"
#include "imaging/orientation.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <new>
#include <stdexcept>

namespace imaging {

namespace {

constexpr int kMaxSections = 20;
constexpr int kMetadataWithin = 5;
constexpr std::int64_t kMinThumbnailStart = 22;
constexpr std::int64_t kMinThumbnailLength = 257;
constexpr std::uint16_t kTagCompression = 259;
constexpr std::uint16_t kTagOrientation = 0x0112;

bool readByte(QIODevice& device, std::uint8_t& out) {
    char c = 0;
    if (!device.getChar(&c))
        return false;
    out = static_cast<std::uint8_t>(c);
    return true;
}

qsizetype find(const QByteArray& hay, qsizetype from, const char* needle, qsizetype n) {
    return hay.indexOf(QByteArrayView(needle, n), from);
}

} // namespace

void ExifReader::clear() {
    sections_.clear();
    exifSection_ = commentSection_ = iptcSection_ = jfifSection_ = -1;
    bigEndian_ = false;
    tiffStart_ = 0;
    thumbStart_ = 0;
    thumbLength_ = 0;
    compression_ = 0;
    orientation_ = 1;
    status_ = QStringLiteral("Not an EXIF file");
}

bool ExifReader::ReadExifFile(const QString& path) {
    clear();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("jpg") && suffix != QLatin1String("jpeg") && suffix != QLatin1String("jpe"))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return readSections(file);
}

bool ExifReader::ReadExifData(const QByteArray& data) {
    clear();
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    return readSections(buffer);
}

bool ExifReader::readSections(QIODevice& device) {
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    if (!readByte(device, a) || !readByte(device, b) || a != 0xFF || b != 0xD8)
        return false;
    int counted = 0;
    while (counted < kMaxSections) {
        std::uint8_t marker = 0;
        if (!readByte(device, marker) || marker != 0xFF)
            break;
        while (marker == 0xFF)
            if (!readByte(device, marker))
                return HasMetadata();
        ++counted;
        if (marker == 0xD9 || marker == 0xDA)
            break;
        std::uint8_t hi = 0;
        std::uint8_t lo = 0;
        if (!readByte(device, hi) || !readByte(device, lo))
            break;
        const auto length = static_cast<std::uint16_t>((hi << 8) | lo);
        if (length < 2)
            break;
        Section section;
        section.marker = marker;
        section.length = length;
        section.data = device.read(length - 2);
        if (section.data.size() != length - 2)
            break;
        // Photos keep their metadata at the front; without any by the fifth section there is none.
        if (counted == kMetadataWithin && !HasMetadata())
            break;
        switch (marker) {
        case 0xE1:
            if (counted <= kMetadataWithin && exifSection_ < 0) {
                sections_.push_back(std::move(section));
                exifSection_ = static_cast<int>(sections_.size()) - 1;
                parseExif();
            } else {
                --counted; // further APP1 sections (XMP) are dropped
            }
            continue;
        case 0xED:
            if (iptcSection_ < 0)
                iptcSection_ = static_cast<int>(sections_.size());
            break;
        case 0xFE:
            commentSection_ = static_cast<int>(sections_.size());
            break;
        case 0xE0:
            jfifSection_ = static_cast<int>(sections_.size());
            break;
        default:
            break;
        }
        sections_.push_back(std::move(section));
    }
    return HasMetadata();
}

std::uint16_t ExifReader::get16(const QByteArray& d, qsizetype at, bool* ok) const {
    if (at < 0 || at + 2 > d.size()) {
        *ok = false;
        return 0;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(d.constData()) + at;
    return bigEndian_ ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                      : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ExifReader::get32(const QByteArray& d, qsizetype at, bool* ok) const {
    if (at < 0 || at + 4 > d.size()) {
        *ok = false;
        return 0;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(d.constData()) + at;
    return bigEndian_
               ? (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3]
               : (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
                     p[0];
}

void ExifReader::parseExif() {
    const QByteArray& d = sections_[static_cast<std::size_t>(exifSection_)].data;
    if (!d.startsWith("Exif")) {
        status_ = QStringLiteral("Incorrect Exif header");
        return;
    }
    tiffStart_ = 6;
    if (d.size() >= tiffStart_ + 2 && d[tiffStart_] == 'I' && d[tiffStart_ + 1] == 'I') {
        bigEndian_ = false;
    } else if (d.size() >= tiffStart_ + 2 && d[tiffStart_] == 'M' && d[tiffStart_ + 1] == 'M') {
        bigEndian_ = true;
    } else {
        status_ = QStringLiteral("Invalid Exif alignment marker");
        return;
    }
    bool ok = true;
    std::int64_t ifd0 = get32(d, tiffStart_ + 4, &ok);
    if (ifd0 == 0)
        ifd0 = 8;
    const std::int64_t dir = tiffStart_ + ifd0;
    const unsigned count = ok && dir <= d.size() ? get16(d, static_cast<qsizetype>(dir), &ok) : 0;
    const std::int64_t linkAt = dir + 2 + 12 * std::int64_t{count};
    if (!ok || dir > d.size() || linkAt + 4 > d.size()) {
        status_ = QStringLiteral("Illegal Exif construction");
        return;
    }
    for (unsigned i = 0; i < count; ++i) {
        const auto entry = static_cast<qsizetype>(dir + 2 + 12 * std::int64_t{i});
        if (get16(d, entry, &ok) == kTagOrientation && get16(d, entry + 2, &ok) == 3) {
            const int value = get16(d, entry + 8, &ok);
            orientation_ = value >= 1 && value <= 8 ? value : 1;
        }
    }
    thumbStart_ = get32(d, static_cast<qsizetype>(linkAt), &ok);
    thumbLength_ = static_cast<std::int64_t>(d.size()) - tiffStart_ - thumbStart_;
    status_ = QStringLiteral("<none>");
}

bool ExifReader::HasMetadata() const {
    return exifSection_ >= 0 || commentSection_ >= 0 || iptcSection_ >= 0;
}

bool ExifReader::HasExifThumbnail() const {
    return exifSection_ >= 0 && thumbStart_ >= kMinThumbnailStart && thumbLength_ >= kMinThumbnailLength;
}

void ExifReader::ParseThumbnailDirectory() {
    if (!HasExifThumbnail())
        return;
    const QByteArray& d = sections_[static_cast<std::size_t>(exifSection_)].data;
    bool ok = true;
    const qsizetype dir = tiffStart_ + static_cast<qsizetype>(thumbStart_);
    const unsigned count = get16(d, dir, &ok);
    for (unsigned i = 0; ok && i < count; ++i) {
        const qsizetype entry = dir + 2 + 12 * static_cast<qsizetype>(i);
        const std::uint16_t tag = get16(d, entry, &ok);
        if (!ok)
            break;
        if (tag == kTagCompression) {
            const std::uint16_t type = get16(d, entry + 2, &ok);
            compression_ = type == 4 ? static_cast<int>(get32(d, entry + 8, &ok)) : get16(d, entry + 8, &ok);
        }
    }
}

QImage ExifReader::ExtractExifThumbnail() const {
    if (!HasExifThumbnail() || compression_ != 6)
        return {};
    const QByteArray& d = sections_[static_cast<std::size_t>(exifSection_)].data;
    const QByteArray region = d.mid(tiffStart_ + static_cast<qsizetype>(thumbStart_));
    qsizetype start = find(region, 0, "\xFF\xD8\xFF\xDB", 4);
    if (start < 0)
        start = find(region, 0, "\xFF\xD8\xFF\xC4", 4);
    if (start < 0)
        return {};
    qsizetype end = region.size();
    if (const qsizetype eoi = find(region, start, "\xFF\xD9", 2); eoi >= 0)
        end = eoi + 2;
    detail::JpegRequest request;
    // A preview is a few hundred pixels at most; anything claiming more is not one.
    request.maxPixels = std::uint64_t{4096} * 4096;
    const detail::JpegResult preview =
        detail::DecodeJpegBytes(reinterpret_cast<const std::uint8_t*>(region.constData()) + start,
                                static_cast<std::size_t>(end - start), request);
    return preview.ok() ? preview.bitmap : QImage();
}

namespace {

QImage loadExifPreview(const QString& path) {
    ExifReader reader;
    if (!reader.ReadExifFile(path) || !reader.HasExifThumbnail())
        return {};
    reader.ParseThumbnailDirectory();
    const QImage preview = reader.ExtractExifThumbnail();
    if (preview.isNull() || preview.width() == 0 || preview.height() == 0)
        return {};
    return ApplyOrientation(preview, reader.orientation());
}

} // namespace

QImage LoadExifPreview(const QString& path) {
    // Never throws: without the memory for a preview there is simply no preview.
    try {
        return loadExifPreview(path);
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
}

} // namespace imaging
