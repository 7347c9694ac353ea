#include "imagefixtures.h"

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
    void u16(std::uint32_t v) {
        bytes.append(static_cast<char>(big ? v >> 8 : v));
        bytes.append(static_cast<char>(big ? v : v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(big ? v >> 16 : v & 0xFFFF);
        u16(big ? v & 0xFFFF : v >> 16);
    }
};

QByteArray payloadOf(const Tag& t, bool big) {
    if (!t.bytes.isEmpty())
        return t.bytes;
    Writer w{big, {}};
    for (const std::uint32_t v : t.values)
        t.type == kShort ? w.u16(v) : w.u32(v);
    return w.bytes;
}

} // namespace

QByteArray TiffBytes(std::vector<Directory> directories, const QByteArray& data, bool bigEndian) {
    // Where each directory and the data go: a directory, then its out-of-line values (each of even length).
    std::vector<std::uint32_t> at;
    std::uint32_t next = 8;
    for (Directory& d : directories) {
        std::sort(d.tags.begin(), d.tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
        at.push_back(next);
        next += static_cast<std::uint32_t>(2 + 12 * d.tags.size() + 4);
        for (const Tag& t : d.tags)
            if (const auto n = static_cast<std::uint32_t>(payloadOf(t, bigEndian).size()); n > 4)
                next += n + (n & 1);
    }
    Writer w{bigEndian, bigEndian ? QByteArray("MM") : QByteArray("II")};
    w.u16(42);
    w.u32(8);
    for (std::size_t i = 0; i < directories.size(); ++i) {
        Directory& d = directories[i];
        for (Tag& t : d.tags)
            for (std::uint32_t& v : t.values)
                v = v == kDataOffset ? next : v >= kDirectory && v < kDataOffset ? at[v - kDirectory] : v;
        w.u16(static_cast<std::uint32_t>(d.tags.size()));
        auto outOfLine = static_cast<std::uint32_t>(at[i] + 2 + 12 * d.tags.size() + 4);
        QByteArray overflow;
        for (const Tag& t : d.tags) {
            w.u16(t.tag);
            w.u16(t.type);
            w.u32(static_cast<std::uint32_t>(t.count >= 0        ? t.count
                                             : t.bytes.isEmpty() ? t.values.size()
                                                                 : t.bytes.size()));
            QByteArray p = payloadOf(t, bigEndian);
            if (p.size() <= 4) {
                w.bytes += p + QByteArray(4 - p.size(), '\0');
                continue;
            }
            w.u32(outOfLine);
            p.append(QByteArray(p.size() & 1, '\0'));
            outOfLine += static_cast<std::uint32_t>(p.size());
            overflow += p;
        }
        w.u32(d.link >= 0 ? static_cast<std::uint32_t>(d.link) : i + 1 < at.size() ? at[i + 1] : 0);
        w.bytes += overflow;
    }
    return w.bytes + data;
}

QByteArray Strip(std::uint32_t width, std::uint32_t height, int samples, const QByteArray& data,
                 std::uint16_t compression, std::int64_t byteCount) {
    const auto s = static_cast<std::uint32_t>(samples);
    return TiffBytes(
        {{{{256, kLong, {width}},
           {257, kLong, {height}},
           {258, kShort, std::vector<std::uint32_t>(s, 8)},
           {259, kShort, {compression}},
           {262, kShort, {s >= 3 ? 2u : 1u}},
           {273, kLong, {kDataOffset}},
           {277, kShort, {s}},
           {278, kLong, {height}},
           {279, kLong, {static_cast<std::uint32_t>(byteCount < 0 ? data.size() : byteCount)}}}}},
        data);
}

QByteArray Tiled(std::uint32_t width, std::uint32_t height, std::uint32_t tileSide, const QByteArray& data) {
    return TiffBytes({{{{256, kLong, {width}},
                        {257, kLong, {height}},
                        {258, kShort, {8}},
                        {259, kShort, {1}},
                        {262, kShort, {1}},
                        {277, kShort, {1}},
                        {322, kLong, {tileSide}},
                        {323, kLong, {tileSide}},
                        {324, kLong, {kDataOffset}},
                        {325, kLong, {static_cast<std::uint32_t>(data.size())}}}}},
                     data);
}

QByteArray ExifPayload(const ExifSpec& spec) {
    Directory ifd0{{{0x010F, kAscii, {}, QByteArray("PIXCAM\0", 7)}}};
    if (spec.orientation > 0)
        ifd0.tags.push_back({0x0112, kShort, {static_cast<std::uint32_t>(spec.orientation)}});
    ifd0.link = spec.linkOverride >= 0 ? spec.linkOverride : spec.withIfd1 ? -1 : 0;
    const Directory ifd1{{{0x0103, kShort, {static_cast<std::uint32_t>(spec.compression)}},
                          {0x0201, kLong, {kDataOffset}},
                          {0x0202, kLong, {static_cast<std::uint32_t>(spec.thumbnail.size())}}}};
    QByteArray tiff = TiffBytes({ifd0, ifd1}, spec.thumbnail, spec.bigEndian);
    if (!spec.byteOrder.isEmpty())
        tiff.replace(0, 2, spec.byteOrder);
    return spec.header + tiff;
}

QByteArray JpegWithExif(const QImage& image, const ExifSpec& spec) {
    return InsertAfterSoi(JpegBytes(image), {Segment(0xE1, ExifPayload(spec))});
}

QByteArray Segment(std::uint8_t marker, const QByteArray& payload) {
    const auto length = static_cast<unsigned>(payload.size() + 2);
    return QByteArray{"\xFF"} + char(marker) + char(length >> 8) + char(length & 0xFF) + payload;
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
    return {width, height, bits, samples, photometric, compression};
}

TiffSpec RgbTiff(const QImage& image, int compression) {
    TiffSpec spec = Tiff(image.width(), image.height(), 8, 3, 2, compression);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        spec.pixels.insert(spec.pixels.end(), rgb.constScanLine(y), rgb.constScanLine(y) + 3 * rgb.width());
    return spec;
}

bool WriteTiff(const QString& path, const TiffSpec& spec) {
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (tif == nullptr)
        return false;
    const std::size_t rowBytes =
        (static_cast<std::size_t>(spec.width) * spec.bitsPerSample * spec.samplesPerPixel + 7) / 8;
    for (const auto& [tag, value] : {std::pair{TIFFTAG_IMAGEWIDTH, spec.width},
                                     {TIFFTAG_IMAGELENGTH, spec.height},
                                     {TIFFTAG_BITSPERSAMPLE, spec.bitsPerSample},
                                     {TIFFTAG_SAMPLESPERPIXEL, spec.samplesPerPixel},
                                     {TIFFTAG_PHOTOMETRIC, spec.photometric},
                                     {TIFFTAG_COMPRESSION, spec.compression},
                                     {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG},
                                     {TIFFTAG_ORIENTATION, spec.orientation}})
        TIFFSetField(tif, tag, value);
    const std::uint16_t alpha = EXTRASAMPLE_UNASSALPHA;
    if (spec.extraSamples > 0)
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &alpha);
    std::vector<std::uint16_t> map = spec.colormap;
    if (!map.empty())
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + map.size() / 3,
                     map.data() + map.size() / 3 * 2);
    bool ok = true;
    // Tiles are filled from the packed rows, zero past the picture's edges.
    const int tile = spec.tileSize;
    if (tile > 0) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
        const auto tileRow = static_cast<std::size_t>(TIFFTileRowSize(tif));
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(TIFFTileSize(tif)));
        for (int ty = 0; ok && ty < spec.height; ty += tile)
            for (int tx = 0; ok && tx < spec.width; tx += tile) {
                std::fill(buffer.begin(), buffer.end(), 0);
                const std::size_t x =
                    static_cast<std::size_t>(tx) * spec.bitsPerSample * spec.samplesPerPixel / 8;
                for (int r = 0; r < tile && ty + r < spec.height; ++r)
                    std::copy_n(spec.pixels.data() + static_cast<std::size_t>(ty + r) * rowBytes + x,
                                std::min(tileRow, rowBytes - x),
                                buffer.data() + static_cast<std::size_t>(r) * tileRow);
                ok = TIFFWriteTile(tif, buffer.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0) >= 0;
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 7);
        std::vector<std::uint8_t> row(rowBytes);
        for (int y = 0; ok && y < spec.height; ++y) {
            std::copy_n(spec.pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes, row.data());
            ok = TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) == 1;
        }
    }
    ok = ok && TIFFWriteDirectory(tif) == 1;
    TIFFClose(tif);
    return ok;
}

int MaxChannelDiff(const QImage& a, const QImage& b, bool withAlpha) {
    int worst = a.size() == b.size() ? 0 : -1;
    for (int i = 0; worst >= 0 && i < a.width() * a.height(); ++i) {
        const QRgb p = a.pixel(i % a.width(), i / a.width()), q = b.pixel(i % a.width(), i / a.width());
        for (const int shift : {0, 8, 16, withAlpha ? 24 : 0})
            worst = std::max(worst, std::abs(int(p >> shift & 255) - int(q >> shift & 255)));
    }
    return worst;
}

} // namespace fixtures
