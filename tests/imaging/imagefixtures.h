#pragma once

// Test fixtures made on the spot: generated bitmaps, JPEG and TIFF files of known pixels and EXIF blocks
// assembled byte by byte, so that every rule of the pixel effects, the image-file layer and the preview
// reader can be hit exactly.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include "testsupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace fixtures {

// A colourful test picture: four quadrants of distinct colours plus a gradient, so that turns and
// mirrors are told apart.
QImage Quadrants(int width, int height);

// A smooth gradient, which JPEG keeps within a few levels.
QImage Smooth(int width, int height);

// Every pixel, alpha included, drawn at random (then OR-ed with `orMask`): reaches every branch of a
// colour conversion and every clamp of a filter.
QImage RandomImage(int width, int height, unsigned seed, QRgb orMask = 0);

QImage Filled(int width, int height, QRgb colour);

// A JPEG of `image` (RGB, or one grey channel when `grey`), without a JFIF header when `jfif` is false.
QByteArray JpegBytes(const QImage& image, int quality = 95, bool grey = false, bool jfif = true);

// An APP1 payload "Exif\0\0" + TIFF header + IFD0 (Make, Orientation when > 0) + IFD1 (Compression,
// JPEGInterchangeFormat, JPEGInterchangeFormatLength) followed by `thumbnail`.
struct ExifSpec {
    bool bigEndian = false;
    int orientation = 0;            // 0: no Orientation entry
    int compression = 6;            // the IFD1 Compression value
    QByteArray thumbnail;           // bytes placed after IFD1
    bool withIfd1 = true;           // false: IFD0's link is 0
    std::int64_t linkOverride = -1; // forces the IFD0 link to this value
    QByteArray header = QByteArray("Exif\0\0", 6);
    QByteArray byteOrder; // overrides "II"/"MM"
};
QByteArray ExifPayload(const ExifSpec& spec);

// One JPEG segment: FF marker, big-endian length, payload.
QByteArray Segment(std::uint8_t marker, const QByteArray& payload);

// `jpeg` with `segments` inserted right after its start-of-image marker, in order.
QByteArray InsertAfterSoi(const QByteArray& jpeg, const std::vector<QByteArray>& segments);

// `jpeg` with its (baseline or progressive) frame header claiming width × height; empty without one.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height);

// A JPEG whose frame header claims width × height (the rest is a tiny real picture).
QByteArray JpegClaimingSize(int width, int height);

struct TiffSpec {
    int width = 0;
    int height = 0;
    int bitsPerSample = 8;
    int samplesPerPixel = 1;
    int photometric = 1; // PHOTOMETRIC_MINISBLACK
    int compression = 1; // COMPRESSION_NONE
    int orientation = 1;
    int tileSize = 0;                    // > 0: tiles of tileSize × tileSize
    int extraSamples = 0;                // 1: one unassociated alpha sample
    std::vector<std::uint16_t> colormap; // 3 × 2^bits values (all reds, greens, blues) for palette images
    std::vector<std::uint8_t> pixels;    // packed rows of ceil(width × bits × samples / 8) bytes
    int pages = 1;                       // > 1: extra pages of the same picture follow
};
TiffSpec Tiff(int width, int height, int bits, int samples, int photometric, int compression);

// Writes a TIFF file; returns false when libtiff refused.
bool WriteTiff(const QString& path, const TiffSpec& spec);

using testsupport::ReadFile;
using testsupport::WriteFile;

// Largest per-channel difference between two images of the same size (-1 when the sizes differ); alpha
// counts only when `withAlpha`.
int MaxChannelDiff(const QImage& a, const QImage& b, bool withAlpha = false);

bool AllOpaque(const QImage& image);

// A test with a temporary folder of its own for the files it writes.
class FolderTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // Writes `bytes` as `name` in the folder and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const {
        EXPECT_TRUE(WriteFile(path(name), bytes));
        return path(name);
    }
};

} // namespace fixtures
