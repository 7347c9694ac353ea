#include "imaging/tiffdecoder.h"

#include "imaging/rasterconvert.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <vector>

#include <tiffio.h>

namespace imaging::detail {

namespace {

// Per-file handlers: note the first error and keep libtiff from printing or calling the global ones.
struct Handlers {
    bool failed = false;
};

int onError(TIFF*, void* user, const char*, const char*, va_list) {
    if (user != nullptr)
        static_cast<Handlers*>(user)->failed = true;
    return 1;
}

int onWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

void silentGlobal(const char*, const char*, va_list) {}

tsize_t readProc(thandle_t h, tdata_t buf, tsize_t size) {
    auto* device = static_cast<QIODevice*>(h);
    const qint64 got = device->read(static_cast<char*>(buf), static_cast<qint64>(size));
    return got < 0 ? 0 : static_cast<tsize_t>(got);
}

tsize_t writeProc(thandle_t, tdata_t, tsize_t) {
    return 0;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    auto* device = static_cast<QIODevice*>(h);
    qint64 target = 0;
    switch (whence) {
    case SEEK_SET:
        target = static_cast<qint64>(offset);
        break;
    case SEEK_CUR:
        target = device->pos() + static_cast<qint64>(offset);
        break;
    case SEEK_END:
        target = device->size() + static_cast<qint64>(offset);
        break;
    default:
        return static_cast<toff_t>(-1);
    }
    // Nothing lies beyond the end of a file being read; refusing here also keeps the device quiet.
    if (target < 0 || target > device->size() || !device->seek(target))
        return static_cast<toff_t>(-1);
    return static_cast<toff_t>(target);
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t h) {
    return static_cast<toff_t>(static_cast<QIODevice*>(h)->size());
}

int mapProc(thandle_t, tdata_t*, toff_t*) {
    return 0;
}

void unmapProc(thandle_t, tdata_t, toff_t) {}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

TiffResult failure(int code) {
    TiffResult r;
    r.error = code;
    r.errorText = ImageErrorText(code);
    return r;
}

// A colour map holds 16-bit values; a few old writers put 8-bit values in it.
std::vector<QRgb> paletteFromColormap(TIFF* tif, int entries) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr || green == nullptr ||
        blue == nullptr)
        return {};
    bool sixteen = false;
    for (int i = 0; i < entries && !sixteen; ++i)
        sixteen = red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    std::vector<QRgb> palette(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const int shift = sixteen ? 8 : 0;
        palette[static_cast<std::size_t>(i)] = qRgb(red[i] >> shift, green[i] >> shift, blue[i] >> shift);
    }
    return palette;
}

std::vector<QRgb> greyRamp(int bits, bool minIsWhite) {
    const int entries = 1 << bits;
    std::vector<QRgb> palette(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        int v = i * 255 / (entries - 1);
        if (minIsWhite)
            v = 255 - v;
        palette[static_cast<std::size_t>(i)] = qRgb(v, v, v);
    }
    return palette;
}

// The most decoded bytes one byte of a strip can give with each codec: the bound of the codec where
// one exists (a PackBits run, an LZW string, a deflate match), a generous one where it does not
// (CCITT, JPEG, LZMA, ZSTD).
std::uint64_t maxExpansion(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 128;
    case COMPRESSION_LZW:
        return 4096;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1100;
    default:
        return 65536;
    }
}

struct Layout {
    int width = 0;
    int height = 0;
    int bits = 0;
    int samples = 0;
    std::uint16_t compression = COMPRESSION_NONE;
};

// Whether the file holds the data its directory promises, checked before anything is allocated for
// it: tiles no larger than the picture rounded up to 16, every strip or tile inside the file, an
// uncompressed one holding all of its rows, compressed ones able to expand to the picture's size.
int checkData(TIFF* tif, const Layout& l, std::uint64_t fileSize) {
    const bool tiled = TIFFIsTiled(tif) != 0;
    std::uint32_t tileW = 0;
    std::uint32_t tileH = 0;
    std::uint32_t rowsPerStrip = 0;
    if (tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
        const auto roundUp16 = [](int side) { return (static_cast<std::uint64_t>(side) + 15) / 16 * 16; };
        if (tileW == 0 || tileH == 0 || tileW > roundUp16(l.width) || tileH > roundUp16(l.height))
            return ImageErrorCorrupt;
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, static_cast<std::uint32_t>(l.height));
    }
    const std::uint64_t pieces = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    // Each piece has an offset of at least two bytes in the file.
    if (pieces == 0 || pieces > fileSize / 2 + 1)
        return ImageErrorCorrupt;
    const std::uint64_t stripsPerPlane =
        (static_cast<std::uint64_t>(l.height) + rowsPerStrip - 1) / std::max<std::uint32_t>(rowsPerStrip, 1);
    const std::uint64_t tileBytes = tiled ? static_cast<std::uint64_t>(TIFFTileSize64(tif)) : 0;
    std::uint64_t total = 0;
    for (std::uint64_t i = 0; i < pieces; ++i) {
        const auto index = static_cast<std::uint32_t>(i);
        const std::uint64_t offset = TIFFGetStrileOffset(tif, index);
        const std::uint64_t count = TIFFGetStrileByteCount(tif, index);
        if (count == 0 || offset > fileSize || count > fileSize - offset)
            return ImageErrorCorrupt;
        if (l.compression == COMPRESSION_NONE) {
            std::uint64_t need = tileBytes;
            if (!tiled) {
                const std::uint64_t first = (i % stripsPerPlane) * rowsPerStrip;
                const auto rows = static_cast<std::uint32_t>(
                    std::min<std::uint64_t>(rowsPerStrip, static_cast<std::uint64_t>(l.height) - first));
                need = TIFFVStripSize64(tif, rows);
            }
            if (need == 0 || count < need)
                return ImageErrorCorrupt;
        }
        total += count;
    }
    const std::uint64_t raw = (static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.bits) *
                                   static_cast<std::uint64_t>(l.samples) +
                               7) /
                              8 * static_cast<std::uint64_t>(l.height);
    if (raw / maxExpansion(l.compression) > total)
        return ImageErrorCorrupt;
    return ImageOk;
}

// Where decoded rows go: straight into the raster, or through one raster row into the working bitmap,
// so that the picture is never held twice at full size.
class RowTarget {
public:
    explicit RowTarget(TiffRequest::Output output)
        : toBitmap_(output == TiffRequest::Output::Bitmap) {}

    // False when the memory cannot be had.
    bool allocate(int width, int height, int depth, std::vector<QRgb> palette) {
        width_ = width;
        depth_ = depth;
        if (toBitmap_) {
            bitmap_ = QImage(width, height, QImage::Format_ARGB32);
            if (bitmap_.isNull())
                return false;
            table_ = depth <= 8 ? OpaquePalette(palette) : std::vector<QRgb>{};
            scratch_.assign(static_cast<std::size_t>(Raster::strideFor(width, depth)), 0);
            return true;
        }
        raster_ = Raster::allocate(width, height, depth);
        raster_.palette = std::move(palette);
        return !raster_.isNull();
    }

    // Row y in raster layout, to be filled and then committed.
    std::uint8_t* row(int y) { return toBitmap_ ? scratch_.data() : raster_.row(y); }
    void commit(int y) {
        if (toBitmap_)
            RowToArgb(scratch_.data(), width_, depth_, table_.data(),
                      reinterpret_cast<QRgb*>(bitmap_.scanLine(y)));
    }

    void moveInto(TiffResult& result) {
        result.raster = std::move(raster_);
        result.bitmap = std::move(bitmap_);
    }

private:
    bool toBitmap_;
    int width_ = 0;
    int depth_ = 0;
    Raster raster_;
    QImage bitmap_;
    std::vector<QRgb> table_;
    std::vector<std::uint8_t> scratch_;
};

// Hands the stored scanlines (every sample of a row, as in the file) of rows 0 to height − 1 in order
// to `onRow(y, bytes)`: strips a scanline at a time, tiles a band of one tile row at a time.
template <class OnRow>
bool forEachScanline(TIFF* tif, int width, int height, int bitsPerPixel, OnRow onRow) {
    const tmsize_t scan = TIFFScanlineSize(tif);
    const auto rowBytes =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 7) / 8;
    if (scan <= 0 || static_cast<std::uint64_t>(scan) < rowBytes)
        return false;
    const auto scanBytes = static_cast<std::size_t>(scan);
    if (!TIFFIsTiled(tif)) {
        std::vector<std::uint8_t> line(scanBytes);
        for (int y = 0; y < height; ++y) {
            if (TIFFReadScanline(tif, line.data(), static_cast<std::uint32_t>(y), 0) < 0)
                return false;
            onRow(y, line.data());
        }
        return true;
    }
    std::uint32_t tileW = 0;
    std::uint32_t tileH = 0;
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
    const tmsize_t tileSize = TIFFTileSize(tif);
    const tmsize_t tileRow = TIFFTileRowSize(tif);
    if (tileW == 0 || tileH == 0 || tileSize <= 0 || tileRow <= 0 ||
        static_cast<std::uint64_t>(tileRow) * tileH > static_cast<std::uint64_t>(tileSize) ||
        (static_cast<std::uint64_t>(tileW) * static_cast<std::uint64_t>(bitsPerPixel)) % 8 != 0)
        return false;
    std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
    std::vector<std::uint8_t> band(scanBytes * tileH);
    for (std::uint32_t ty = 0; ty < static_cast<std::uint32_t>(height); ty += tileH) {
        const std::uint32_t rows = std::min(tileH, static_cast<std::uint32_t>(height) - ty);
        for (std::uint32_t tx = 0; tx < static_cast<std::uint32_t>(width); tx += tileW) {
            if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                return false;
            const std::size_t xByte =
                static_cast<std::size_t>(tx) * static_cast<std::size_t>(bitsPerPixel) / 8;
            const std::size_t n = std::min(static_cast<std::size_t>(tileRow), scanBytes - xByte);
            for (std::uint32_t r = 0; r < rows; ++r)
                std::memcpy(band.data() + r * scanBytes + xByte,
                            tile.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(tileRow), n);
        }
        for (std::uint32_t r = 0; r < rows; ++r)
            onRow(static_cast<int>(ty + r), band.data() + r * scanBytes);
    }
    return true;
}

// 1, 2, 4 or 8-bit grey or palette pictures: indexed rasters (2 bits widened to 8).
int decodeIndexed(TIFF* tif, RowTarget& target, const Layout& l, std::uint16_t photometric) {
    std::vector<QRgb> palette;
    if (photometric == PHOTOMETRIC_PALETTE) {
        palette = paletteFromColormap(tif, 1 << l.bits);
        if (palette.empty())
            return ImageErrorCorrupt;
    } else {
        palette = greyRamp(l.bits, photometric == PHOTOMETRIC_MINISWHITE);
    }
    // Bilevel images always come out with black as 0 and white as 1, whatever the file calls them.
    bool invert = false;
    if (l.bits == 1) {
        const auto lum = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
        invert = lum(palette[0]) > lum(palette[1]);
        palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    }
    if (l.bits == 2)
        palette.resize(256, qRgb(0, 0, 0));
    const int depth = l.bits == 2 ? 8 : l.bits;
    if (!target.allocate(l.width, l.height, depth, std::move(palette)))
        return ImageErrorMemory;
    const std::size_t rowBytes =
        (static_cast<std::size_t>(l.width) * static_cast<std::size_t>(l.bits) + 7) / 8;
    const bool ok = forEachScanline(tif, l.width, l.height, l.bits, [&](int y, const std::uint8_t* src) {
        std::uint8_t* dst = target.row(y);
        if (l.bits == 2) {
            for (int x = 0; x < l.width; ++x)
                dst[x] = static_cast<std::uint8_t>((src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
        } else {
            std::memcpy(dst, src, rowBytes);
            if (invert)
                for (std::size_t i = 0; i < rowBytes; ++i)
                    dst[i] = static_cast<std::uint8_t>(~dst[i]);
        }
        target.commit(y);
    });
    return ok ? ImageOk : ImageErrorCorrupt;
}

// 8-bit RGB or grey samples with extra samples after them, stored pixel by pixel: read as they are. An
// alpha sample is kept as stored, never multiplied into the colour (libtiff's RGBA reader would do
// that to unassociated alpha).
int decodeDirect(TIFF* tif, RowTarget& target, const Layout& l, bool rgb, bool minIsWhite, bool alpha) {
    const int depth = alpha ? 32 : 24;
    if (!target.allocate(l.width, l.height, depth, {}))
        return ImageErrorMemory;
    const int colours = rgb ? 3 : 1;
    const int step = depth / 8;
    const std::uint8_t flip = minIsWhite ? 0xFF : 0x00;
    const bool ok =
        forEachScanline(tif, l.width, l.height, 8 * l.samples, [&](int y, const std::uint8_t* src) {
            std::uint8_t* dst = target.row(y);
            for (int x = 0; x < l.width; ++x, src += l.samples, dst += step) {
                if (rgb) {
                    dst[0] = src[2];
                    dst[1] = src[1];
                    dst[2] = src[0];
                } else {
                    dst[0] = dst[1] = dst[2] = static_cast<std::uint8_t>(src[0] ^ flip);
                }
                if (alpha)
                    dst[3] = src[colours];
            }
            target.commit(y);
        });
    return ok ? ImageOk : ImageErrorCorrupt;
}

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* img) const { TIFFRGBAImageEnd(img); }
};

// Everything else with 8 bits per sample (YCbCr, CMYK, JPEG-in-TIFF, separate planes) goes through
// libtiff's RGBA reader, band by band, so that only one band of 32-bit pixels is held at a time.
int decodeRgba(TIFF* tif, RowTarget& target, const Layout& l, bool alpha) {
    char message[1024] = {};
    if (TIFFRGBAImageOK(tif, message) != 1)
        return ImageErrorUnsupported;
    TIFFRGBAImage img{};
    if (TIFFRGBAImageBegin(&img, tif, 1, message) != 1)
        return ImageErrorUnsupported;
    const std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> end(&img);
    // Rows in stored order; turning the picture upright is done afterwards for every format alike.
    img.req_orientation = ORIENTATION_TOPLEFT;
    img.orientation = ORIENTATION_TOPLEFT;

    const auto height = static_cast<std::uint32_t>(l.height);
    std::uint32_t band = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    band = std::clamp<std::uint32_t>(band, 1, height);
    if (band < 64)
        band = std::min<std::uint32_t>((64 / band + 1) * band, height);
    // A band of very wide rows stays within a few tens of megabytes.
    constexpr std::uint64_t kBandBytes = 64u << 20;
    const std::uint64_t bandRows =
        std::max<std::uint64_t>(1, kBandBytes / (static_cast<std::uint64_t>(l.width) * 4));
    band = static_cast<std::uint32_t>(std::min<std::uint64_t>(band, bandRows));

    const int depth = alpha ? 32 : 24;
    if (!target.allocate(l.width, l.height, depth, {}))
        return ImageErrorMemory;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(l.width) * band);
    for (std::uint32_t y = 0; y < height; y += band) {
        const std::uint32_t rows = std::min(band, height - y);
        img.row_offset = static_cast<int>(y);
        img.col_offset = 0;
        if (TIFFRGBAImageGet(&img, pixels.data(), static_cast<std::uint32_t>(l.width), rows) != 1)
            return ImageErrorCorrupt;
        for (std::uint32_t r = 0; r < rows; ++r) {
            const std::uint32_t* src =
                pixels.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(l.width);
            std::uint8_t* dst = target.row(static_cast<int>(y + r));
            for (int x = 0; x < l.width; ++x, dst += depth / 8) {
                const std::uint32_t p = src[x];
                dst[0] = static_cast<std::uint8_t>(TIFFGetB(p));
                dst[1] = static_cast<std::uint8_t>(TIFFGetG(p));
                dst[2] = static_cast<std::uint8_t>(TIFFGetR(p));
                if (alpha)
                    dst[3] = static_cast<std::uint8_t>(TIFFGetA(p));
            }
            target.commit(static_cast<int>(y + r));
        }
    }
    return ImageOk;
}

// The depth of the raster a picture of this layout becomes, 0 when it is refused for its depth.
struct Plan {
    enum class Reader { Indexed, Direct, Rgba, None } reader = Reader::None;
    int depth = 0;
    bool rgb = false;
    bool alpha = false;
};

Plan planFor(TIFF* tif, const Layout& l, std::uint16_t photometric, std::uint16_t sampleFormat) {
    Plan plan;
    if (sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_VOID)
        return plan;
    const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
    if (l.samples == 1 && (l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8) &&
        (grey || photometric == PHOTOMETRIC_PALETTE)) {
        plan.reader = Plan::Reader::Indexed;
        plan.depth = l.bits == 2 ? 8 : l.bits;
        return plan;
    }
    if (l.bits != 8)
        return plan;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
    const bool alphaFirst =
        extraKinds != nullptr && extraCount > 0 &&
        (extraKinds[0] == EXTRASAMPLE_ASSOCALPHA || extraKinds[0] == EXTRASAMPLE_UNASSALPHA);
    bool anyAlpha = false;
    for (std::uint16_t i = 0; extraKinds != nullptr && i < extraCount; ++i)
        anyAlpha =
            anyAlpha || extraKinds[i] == EXTRASAMPLE_ASSOCALPHA || extraKinds[i] == EXTRASAMPLE_UNASSALPHA;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    const bool rgb = photometric == PHOTOMETRIC_RGB && l.samples >= 3;
    const bool greyAlpha = grey && l.samples >= 2;
    const bool plainCodec = l.compression != COMPRESSION_JPEG && l.compression != COMPRESSION_OJPEG;
    if ((rgb || greyAlpha) && planar == PLANARCONFIG_CONTIG && plainCodec) {
        plan.reader = Plan::Reader::Direct;
        plan.rgb = rgb;
        // The alpha sample follows the colour samples; a directory may declare one the pixels lack.
        plan.alpha = alphaFirst && l.samples > (rgb ? 3 : 1);
    } else {
        plan.reader = Plan::Reader::Rgba;
        plan.alpha = anyAlpha;
    }
    plan.depth = plan.alpha ? 32 : 24;
    return plan;
}

TiffResult decode(QIODevice& device, const TiffRequest& request) {
    Handlers handlers;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return failure(ImageErrorMemory);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &handlers);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t{256} * 1024 * 1024);

    // "O": strip and tile offsets are read from the file when asked for, so that a directory claiming
    // millions of strips costs nothing until the checks below refuse it.
    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("photo", "rmO", &device, readProc, writeProc,
                                                            seekProc, closeProc, sizeProc, mapProc, unmapProc,
                                                            options.get()));
    if (!tif)
        return failure(ImageErrorCorrupt);

    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) != 1 || width == 0 || height == 0)
        return failure(ImageErrorCorrupt);
    if (width > 0x7FFFFFFFu || height > 0x7FFFFFFFu ||
        static_cast<std::uint64_t>(width) * height > std::min<std::uint64_t>(request.maxPixels, kMaxPixels))
        return failure(ImageErrorTooLarge);

    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = 0;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    if (orientation < 1 || orientation > 8)
        orientation = 1;

    const Layout layout{static_cast<int>(width), static_cast<int>(height), bits, samples, compression};
    const Plan plan = planFor(tif.get(), layout, photometric, sampleFormat);
    if (plan.reader == Plan::Reader::None)
        return failure(ImageErrorDepth);
    // The upright picture must fit as well: a turned row of one pixel is padded to four bytes.
    const int outDepth = request.output == TiffRequest::Output::Bitmap ? 32 : plan.depth;
    if (const int check = CheckImageSize(width, height, outDepth); check != ImageOk)
        return failure(check);
    if (orientation >= 5)
        if (const int check = CheckImageSize(height, width, outDepth); check != ImageOk)
            return failure(check);
    if (const int check = checkData(tif.get(), layout, static_cast<std::uint64_t>(device.size()));
        check != ImageOk)
        return failure(check);

    RowTarget target(request.output);
    int error = ImageOk;
    switch (plan.reader) {
    case Plan::Reader::Indexed:
        error = decodeIndexed(tif.get(), target, layout, photometric);
        break;
    case Plan::Reader::Direct:
        error = decodeDirect(tif.get(), target, layout, plan.rgb, photometric == PHOTOMETRIC_MINISWHITE,
                             plan.alpha);
        break;
    default:
        error = decodeRgba(tif.get(), target, layout, plan.alpha);
        break;
    }
    if (error != ImageOk)
        return failure(error);
    TiffResult result;
    target.moveInto(result);
    result.orientation = orientation;
    std::uint64_t exifOffset = 0;
    result.hasExif = TIFFGetField(tif.get(), TIFFTAG_EXIFIFD, &exifOffset) == 1 && exifOffset != 0;
    return result;
}

} // namespace

void SilenceTiffGlobalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(silentGlobal);
        TIFFSetWarningHandler(silentGlobal);
    });
}

TiffResult DecodeTiff(QIODevice& device, const TiffRequest& request) {
    SilenceTiffGlobalHandlers();
    try {
        return decode(device, request);
    } catch (const std::bad_alloc&) {
        return failure(ImageErrorMemory);
    } catch (const std::length_error&) {
        return failure(ImageErrorMemory);
    }
}

} // namespace imaging::detail
