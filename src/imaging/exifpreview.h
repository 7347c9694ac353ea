#pragma once

// The reader of the small JPEG preview that cameras embed in the EXIF block of a photo.
//
// It reads only the sections before the image data (at most 20, giving up on metadata after five), finds
// the thumbnail region that the link after the first directory points to, searches it for the start of a
// JPEG stream and decodes that with libjpeg-turbo. One object per thread; reuse it for many files (each
// ReadExifFile starts afresh). It never reports to the user: no preview means "fall back to
// LoadThumbnail".
#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace imaging {

class ExifReader {
public:
    // Reads the file's sections and parses the EXIF section. True when the file exists, has a ".jpg",
    // ".jpeg" or ".jpe" name (any case), starts FF D8 and has an EXIF, comment or IPTC section.
    bool ReadExifFile(const QString& path);
    // The same over bytes in memory (no name check); for tests and the fuzzer.
    bool ReadExifData(const QByteArray& data);

    // An EXIF, comment or IPTC section was found.
    bool HasMetadata() const;
    // An EXIF section whose thumbnail region starts at 22 or later and is at least 257 bytes long.
    bool HasExifThumbnail() const;
    // Walks the thumbnail directory and records its Compression value.
    void ParseThumbnailDirectory();
    // The decoded preview (Format_ARGB32, alpha 255, as stored: not turned upright), or a null image.
    QImage ExtractExifThumbnail() const;

    // Diagnosis only, never shown: "Not an EXIF file", "Incorrect Exif header", "Invalid Exif alignment
    // marker", "Illegal Exif construction" or "<none>".
    QString status() const { return status_; }
    int thumbnailCompression() const { return compression_; }
    // The EXIF "Orientation" of the photo (1-8), 1 when absent or out of range.
    int orientation() const { return orientation_; }

private:
    struct Section {
        std::uint8_t marker = 0;
        std::uint16_t length = 0;
        QByteArray data; // the L − 2 bytes after the length
    };

    void clear();
    bool readSections(QIODevice& device);
    void parseExif();
    std::uint16_t get16(const QByteArray& d, qsizetype at, bool* ok) const;
    std::uint32_t get32(const QByteArray& d, qsizetype at, bool* ok) const;

    std::vector<Section> sections_;
    int exifSection_ = -1;
    int commentSection_ = -1;
    int iptcSection_ = -1;
    int jfifSection_ = -1;
    bool bigEndian_ = false;
    qsizetype tiffStart_ = 0;      // offset of the TIFF header inside the EXIF section's data
    std::int64_t thumbStart_ = 0;  // the IFD1 link, counted from the TIFF header
    std::int64_t thumbLength_ = 0; // from there to the end of the EXIF section's data
    int compression_ = 0;
    int orientation_ = 1;
    QString status_;
};

// The whole thumbnail-pass calling order for one file: the decoded EXIF preview turned upright after
// the photo's "Orientation", or a null image when there is none (then use LoadThumbnail).
QImage LoadExifPreview(const QString& path);

} // namespace imaging
