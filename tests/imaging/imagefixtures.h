#pragma once

// Test pictures and files made on the spot: generated bitmaps, JPEG files with EXIF blocks assembled
// byte by byte, TIFF files written by libtiff or byte by byte (for headers no writer would produce).
#include "testsupport.h"

#include <QtGui>

#include <hwy/targets.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace fixtures {

using testsupport::ReadFile;
using testsupport::TempFolder;
using testsupport::WriteFile;

// Red top left, green top right, blue bottom left, yellow bottom right: turns and mirrors are told apart.
QImage Quadrants(int width, int height);
// A smooth gradient, which JPEG keeps within a few levels.
QImage Smooth(int width, int height);
// Every pixel, alpha included, drawn at random (then OR-ed with `orMask`).
QImage RandomImage(int width, int height, unsigned seed, QRgb orMask = 0);
QImage Filled(int width, int height, QRgb colour);

// A JPEG of `image` (RGB, or one grey channel when `grey`), without a JFIF header when `jfif` is false.
QByteArray JpegBytes(const QImage& image, int quality = 95, bool grey = false, bool jfif = true);
// One JPEG segment: FF marker, big-endian length, payload.
QByteArray Segment(std::uint8_t marker, const QByteArray& payload);
// `jpeg` with `segments` inserted right after its start-of-image marker, in order.
QByteArray InsertAfterSoi(const QByteArray& jpeg, const std::vector<QByteArray>& segments);
// `jpeg` with its frame header claiming width × height; empty without one.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height);
QByteArray JpegClaimingSize(int width, int height);

// TIFF bytes: header, then directories written in order, each linked to the next (or to `link` when
// set), their out-of-line values after them, then `data`. A value kDataOffset becomes the offset of
// `data`, kDirectory + n the offset of directory n (for sub-directories such as EXIF's).
inline constexpr std::uint16_t kAscii = 2, kShort = 3, kLong = 4, kUndefined = 7;
inline constexpr std::uint32_t kDataOffset = 0xFFFFFFF0u, kDirectory = 0xFFFFFF00u;
struct Tag {
    std::uint16_t tag, type;
    std::vector<std::uint32_t> values; // SHORT or LONG values
    QByteArray bytes = {};             // ASCII or UNDEFINED values instead
    std::int64_t count = -1;           // >= 0: the count written, whatever the values
};
struct Directory {
    std::vector<Tag> tags;
    std::int64_t link = -1; // -1: the next directory, or 0 after the last
};
QByteArray TiffBytes(std::vector<Directory> directories, const QByteArray& data, bool bigEndian = false);
// One-strip 8-bit image whose strip byte count is `byteCount` (the size of `data` when negative).
QByteArray Strip(std::uint32_t width, std::uint32_t height, int samples, const QByteArray& data,
                 std::uint16_t compression = 1, std::int64_t byteCount = -1);
// A grey 8-bit image of tiles tileSide × tileSide with one tile of data present.
QByteArray Tiled(std::uint32_t width, std::uint32_t height, std::uint32_t tileSide, const QByteArray& data);

// An APP1 payload "Exif\0\0" + IFD0 (Make "PIXCAM", Orientation when > 0) + IFD1 (Compression,
// JPEGInterchangeFormat, JPEGInterchangeFormatLength) followed by `thumbnail`.
struct ExifSpec {
    bool bigEndian = false;
    int orientation = 0;
    int compression = 6;
    QByteArray thumbnail;
    bool withIfd1 = true;
    std::int64_t linkOverride = -1;
    QByteArray header = QByteArray("Exif\0\0", 6);
    QByteArray byteOrder; // overrides "II"/"MM"
};
QByteArray ExifPayload(const ExifSpec& spec);
// A JPEG of `image` carrying that EXIF block.
QByteArray JpegWithExif(const QImage& image, const ExifSpec& spec);

// A TIFF written by libtiff: packed rows of ceil(width × bits × samples / 8) bytes.
struct TiffSpec {
    int width = 0, height = 0, bitsPerSample = 8, samplesPerPixel = 1;
    int photometric = 1, compression = 1, orientation = 1;
    int tileSize = 0;                         // > 0: tiles of tileSize × tileSize
    int extraSamples = 0;                     // 1: one unassociated alpha sample
    std::vector<std::uint16_t> colormap = {}; // all reds, greens, blues
    std::vector<std::uint8_t> pixels = {};
};
TiffSpec Tiff(int width, int height, int bits, int samples, int photometric, int compression);
bool WriteTiff(const QString& path, const TiffSpec& spec);
// An 8-bit RGB TIFF spec holding `image`.
TiffSpec RgbTiff(const QImage& image, int compression);

// Largest per-channel difference (-1 when the sizes differ); alpha counts only when `withAlpha`.
int MaxChannelDiff(const QImage& a, const QImage& b, bool withAlpha = false);

// Runs `check` once for every instruction set the library was built for and this processor can run, so
// that a fault in a copy the processor at hand would not pick is still found.
template <typename Check>
void ForEachVectorTarget(const Check& check) {
    for (const std::int64_t target : hwy::SupportedAndGeneratedTargets()) {
        hwy::SetSupportedTargetsForTest(target);
        SCOPED_TRACE(hwy::TargetName(target));
        check();
    }
    hwy::SetSupportedTargetsForTest(0);
}

} // namespace fixtures
