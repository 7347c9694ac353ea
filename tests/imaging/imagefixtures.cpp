#include "imagefixtures.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <algorithm>
#include <cstdlib>
#include <random>

#include <tiffio.h>

namespace fixtures {

QImage Quadrants(int width, int height) {
    // Red top left, green top right, blue bottom left, yellow bottom right.
    const QRgb colours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 40), qRgb(30, 40, 210), qRgb(240, 230, 40)};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0)]);
    return image;
}

QImage Smooth(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgb(x * 255 / width, y * 255 / height, 255 - (x + y) * 127 / (width + height)));
    return image;
}

QImage RandomImage(int width, int height, unsigned seed, QRgb orMask) {
    QImage image(width, height, QImage::Format_ARGB32);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, static_cast<QRgb>(rng()) | orMask);
    return image;
}

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QByteArray JpegBytes(const QImage& image, int quality, bool grey, bool jfif) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.write(image.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB32));
    // Cameras write their previews without the JFIF header: start of image, then the tables.
    if (!jfif && bytes.startsWith("\xFF\xD8\xFF\xE0"))
        bytes.remove(
            2, 2 + ((static_cast<unsigned char>(bytes[4]) << 8) | static_cast<unsigned char>(bytes[5])));
    return bytes;
}

namespace {

struct Writer {
    bool big = false;
    QByteArray bytes;
    void u16(unsigned v) {
        bytes.append(static_cast<char>(big ? v >> 8 : v));
        bytes.append(static_cast<char>(big ? v : v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(big ? v >> 16 : v & 0xFFFF);
        u16(big ? v & 0xFFFF : v >> 16);
    }
    void entry(unsigned tag, unsigned type, std::uint32_t count, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        if (type == 3 && count == 1) {
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    }
};

} // namespace

QByteArray ExifPayload(const ExifSpec& spec) {
    Writer w;
    w.big = spec.bigEndian;
    w.bytes.append(spec.byteOrder.isEmpty() ? QByteArray(spec.bigEndian ? "MM" : "II") : spec.byteOrder);
    w.u16(42);
    w.u32(8);
    // IFD0 at 8: Make (ASCII, stored after the directory), Orientation.
    const unsigned count0 = spec.orientation > 0 ? 2 : 1;
    const std::uint32_t ifd0End = 8 + 2 + 12 * count0 + 4;
    const QByteArray make("PIXCAM\0", 7);
    const std::uint32_t ifd1 = ifd0End + static_cast<std::uint32_t>(make.size()) + 1;
    w.u16(count0);
    w.entry(0x010F, 2, static_cast<std::uint32_t>(make.size()), ifd0End);
    if (spec.orientation > 0)
        w.entry(0x0112, 3, 1, static_cast<std::uint32_t>(spec.orientation));
    std::uint32_t link = spec.withIfd1 ? ifd1 : 0;
    if (spec.linkOverride >= 0)
        link = static_cast<std::uint32_t>(spec.linkOverride);
    w.u32(link);
    w.bytes.append(make);
    w.bytes.append('\0');
    // IFD1: Compression, JPEGInterchangeFormat, JPEGInterchangeFormatLength.
    const std::uint32_t thumbAt = ifd1 + 2 + 12 * 3 + 4;
    w.u16(3);
    w.entry(0x0103, 3, 1, static_cast<std::uint32_t>(spec.compression));
    w.entry(0x0201, 4, 1, thumbAt);
    w.entry(0x0202, 4, 1, static_cast<std::uint32_t>(spec.thumbnail.size()));
    w.u32(0);
    w.bytes.append(spec.thumbnail);
    return spec.header + w.bytes;
}

QByteArray Segment(std::uint8_t marker, const QByteArray& payload) {
    QByteArray s;
    s.append(static_cast<char>(0xFF));
    s.append(static_cast<char>(marker));
    const auto length = static_cast<unsigned>(payload.size() + 2);
    s.append(static_cast<char>(length >> 8));
    s.append(static_cast<char>(length & 0xFF));
    return s + payload;
}

QByteArray InsertAfterSoi(const QByteArray& jpeg, const std::vector<QByteArray>& segments) {
    QByteArray out = jpeg.left(2);
    for (const QByteArray& s : segments)
        out += s;
    return out + jpeg.mid(2);
}

QByteArray WithFrameSize(QByteArray jpeg, int width, int height) {
    // Walk the segments to the frame header: FF Cn, length, precision, height, width.
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(jpeg[i]); };
    qsizetype at = 2;
    while (at + 9 < jpeg.size() && byte(at) == 0xFF) {
        const unsigned marker = byte(at + 1);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            jpeg[at + 5] = static_cast<char>(height >> 8);
            jpeg[at + 6] = static_cast<char>(height & 0xFF);
            jpeg[at + 7] = static_cast<char>(width >> 8);
            jpeg[at + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
        at += 2 + (byte(at + 2) << 8 | byte(at + 3));
    }
    return {};
}

QByteArray JpegClaimingSize(int width, int height) {
    return WithFrameSize(JpegBytes(Quadrants(16, 16), 80, false, false), width, height);
}

TiffSpec Tiff(int width, int height, int bits, int samples, int photometric, int compression) {
    TiffSpec spec;
    spec.width = width;
    spec.height = height;
    spec.bitsPerSample = bits;
    spec.samplesPerPixel = samples;
    spec.photometric = photometric;
    spec.compression = compression;
    return spec;
}

bool WriteTiff(const QString& path, const TiffSpec& spec) {
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (tif == nullptr)
        return false;
    const std::size_t rowBytes =
        (static_cast<std::size_t>(spec.width) * spec.bitsPerSample * spec.samplesPerPixel + 7) / 8;
    bool ok = true;
    for (int page = 0; ok && page < spec.pages; ++page) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, spec.width);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, spec.height);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.bitsPerSample);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spec.samplesPerPixel);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spec.photometric);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, spec.compression);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_ORIENTATION, spec.orientation);
        if (spec.extraSamples > 0) {
            const std::uint16_t kind = EXTRASAMPLE_UNASSALPHA;
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &kind);
        }
        if (!spec.colormap.empty()) {
            const std::size_t n = spec.colormap.size() / 3;
            std::vector<std::uint16_t> map = spec.colormap;
            TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
        }
        if (spec.compression == COMPRESSION_JPEG)
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
        if (spec.pages > 1) {
            TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
            TIFFSetField(tif, TIFFTAG_PAGENUMBER, page, spec.pages);
        }
        if (spec.tileSize > 0) {
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, spec.tileSize);
            TIFFSetField(tif, TIFFTAG_TILELENGTH, spec.tileSize);
            const tmsize_t tileBytes = TIFFTileSize(tif);
            std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileBytes));
            const std::size_t tileRow = static_cast<std::size_t>(TIFFTileRowSize(tif));
            for (int ty = 0; ok && ty < spec.height; ty += spec.tileSize) {
                for (int tx = 0; ok && tx < spec.width; tx += spec.tileSize) {
                    std::fill(tile.begin(), tile.end(), 0);
                    const std::size_t xByte =
                        static_cast<std::size_t>(tx) * spec.bitsPerSample * spec.samplesPerPixel / 8;
                    const std::size_t n = std::min(tileRow, rowBytes - xByte);
                    for (int r = 0; r < spec.tileSize && ty + r < spec.height; ++r)
                        std::copy_n(spec.pixels.data() + static_cast<std::size_t>(ty + r) * rowBytes + xByte,
                                    n, tile.data() + static_cast<std::size_t>(r) * tileRow);
                    ok = TIFFWriteTile(tif, tile.data(), static_cast<std::uint32_t>(tx),
                                       static_cast<std::uint32_t>(ty), 0, 0) >= 0;
                }
            }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, spec.compression == COMPRESSION_JPEG ? 16 : 7);
            std::vector<std::uint8_t> row(rowBytes);
            for (int y = 0; ok && y < spec.height; ++y) {
                std::copy_n(spec.pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes,
                            row.data());
                ok = TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
            }
        }
        ok = ok && TIFFWriteDirectory(tif) == 1;
    }
    TIFFClose(tif);
    return ok;
}

int MaxChannelDiff(const QImage& a, const QImage& b, bool withAlpha) {
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst =
                std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), withAlpha ? std::abs(qAlpha(p) - qAlpha(q)) : 0});
        }
    return worst;
}

bool AllOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 255)
                return false;
    return true;
}

} // namespace fixtures
