#include "imaging/tiffdecoder.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
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

// Reads the packed samples of a one-sample-per-pixel image row by row into rows given by `rowAt`.
template <class RowAt>
bool readPacked(TIFF* tif, int width, int height, int bits, RowAt rowAt) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
    if (TIFFIsTiled(tif)) {
        std::uint32_t tileW = 0;
        std::uint32_t tileH = 0;
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileW);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileH);
        const tmsize_t tileSize = TIFFTileSize(tif);
        const tmsize_t tileRow = TIFFTileRowSize(tif);
        if (tileW == 0 || tileH == 0 || tileSize <= 0 || tileRow <= 0 ||
            static_cast<std::uint64_t>(tileRow) * tileH > static_cast<std::uint64_t>(tileSize) ||
            (static_cast<std::uint64_t>(tileW) * static_cast<std::uint64_t>(bits)) % 8 != 0)
            return false;
        std::vector<std::uint8_t> tile(static_cast<std::size_t>(tileSize));
        for (std::uint32_t ty = 0; ty < static_cast<std::uint32_t>(height); ty += tileH) {
            for (std::uint32_t tx = 0; tx < static_cast<std::uint32_t>(width); tx += tileW) {
                if (TIFFReadTile(tif, tile.data(), tx, ty, 0, 0) < 0)
                    return false;
                const std::size_t xByte = static_cast<std::size_t>(tx) * static_cast<std::size_t>(bits) / 8;
                const std::size_t n = std::min(static_cast<std::size_t>(tileRow), rowBytes - xByte);
                const std::uint32_t rows = std::min(tileH, static_cast<std::uint32_t>(height) - ty);
                for (std::uint32_t r = 0; r < rows; ++r)
                    std::memcpy(rowAt(static_cast<int>(ty + r)) + xByte,
                                tile.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(tileRow),
                                n);
            }
        }
        return true;
    }
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, static_cast<std::uint32_t>(height));
    const tmsize_t stripSize = TIFFVStripSize(tif, rowsPerStrip);
    if (stripSize <= 0 || static_cast<std::uint64_t>(stripSize) < rowBytes * rowsPerStrip)
        return false;
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(stripSize));
    for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(height); y += rowsPerStrip) {
        const std::uint32_t rows = std::min(rowsPerStrip, static_cast<std::uint32_t>(height) - y);
        const tmsize_t want = static_cast<tmsize_t>(rowBytes * rows);
        if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, y, 0), strip.data(), want) != want)
            return false;
        for (std::uint32_t r = 0; r < rows; ++r)
            std::memcpy(rowAt(static_cast<int>(y + r)), strip.data() + r * rowBytes, rowBytes);
    }
    return true;
}

TiffResult decodeIndexed(TIFF* tif, int width, int height, int bits, std::uint16_t photometric) {
    const int depth = bits == 2 ? 8 : bits;
    if (const int check = CheckImageSize(width, height, depth); check != ImageOk)
        return failure(check);
    TiffResult result;
    std::vector<QRgb> palette;
    if (photometric == PHOTOMETRIC_PALETTE) {
        palette = paletteFromColormap(tif, 1 << bits);
        if (palette.empty())
            return failure(ImageErrorCorrupt);
    } else {
        palette = greyRamp(bits, photometric == PHOTOMETRIC_MINISWHITE);
    }

    Raster raster = Raster::allocate(width, height, depth);
    if (raster.isNull())
        return failure(ImageErrorMemory);
    bool ok = false;
    if (bits == 2) {
        const int packedStride = Raster::strideFor(width, 2);
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(packedStride) *
                                         static_cast<std::size_t>(height));
        ok = readPacked(tif, width, height, bits, [&](int y) {
            return packed.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(packedStride);
        });
        for (int y = 0; ok && y < height; ++y) {
            const std::uint8_t* src =
                packed.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(packedStride);
            std::uint8_t* dst = raster.row(y);
            for (int x = 0; x < width; ++x)
                dst[x] = static_cast<std::uint8_t>((src[x >> 2] >> (6 - 2 * (x & 3))) & 3);
        }
        palette.resize(256, qRgb(0, 0, 0));
    } else {
        ok = readPacked(tif, width, height, bits, [&](int y) { return raster.row(y); });
    }
    if (!ok)
        return failure(ImageErrorCorrupt);

    if (bits == 1) {
        // Bilevel images always come out with black as 0 and white as 1, whatever the file calls them.
        const auto lum = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
        const bool invert = lum(palette[0]) > lum(palette[1]);
        if (invert)
            for (auto& b : raster.pixels)
                b = static_cast<std::uint8_t>(~b);
        palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    }
    raster.palette = std::move(palette);
    result.raster = std::move(raster);
    return result;
}

// Everything else with 8 bits per sample (RGB, RGBA, grey with alpha, YCbCr, CMYK, JPEG-in-TIFF) goes
// through libtiff's RGBA reader, band by band, so that only one band of 32-bit pixels is held at a time.
TiffResult decodeRgba(TIFF* tif, int width, int height, bool alpha) {
    const int depth = alpha ? 32 : 24;
    if (const int check = CheckImageSize(width, height, depth); check != ImageOk)
        return failure(check);
    char message[1024] = {};
    if (TIFFRGBAImageOK(tif, message) != 1)
        return failure(ImageErrorUnsupported);
    TIFFRGBAImage img{};
    if (TIFFRGBAImageBegin(&img, tif, 1, message) != 1)
        return failure(ImageErrorUnsupported);
    // Rows in stored order; turning the picture upright is done afterwards for every format alike.
    img.req_orientation = ORIENTATION_TOPLEFT;
    img.orientation = ORIENTATION_TOPLEFT;

    std::uint32_t band = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    band = std::clamp<std::uint32_t>(band, 1, static_cast<std::uint32_t>(height));
    if (band < 64)
        band = std::min<std::uint32_t>((64 / band + 1) * band, static_cast<std::uint32_t>(height));

    Raster raster = Raster::allocate(width, height, depth);
    std::vector<std::uint32_t> pixels;
    if (!raster.isNull())
        pixels.resize(static_cast<std::size_t>(width) * band);
    if (raster.isNull() || pixels.empty()) {
        TIFFRGBAImageEnd(&img);
        return failure(ImageErrorMemory);
    }
    bool ok = true;
    for (std::uint32_t y = 0; ok && y < static_cast<std::uint32_t>(height); y += band) {
        const std::uint32_t rows = std::min(band, static_cast<std::uint32_t>(height) - y);
        img.row_offset = static_cast<int>(y);
        img.col_offset = 0;
        ok = TIFFRGBAImageGet(&img, pixels.data(), static_cast<std::uint32_t>(width), rows) == 1;
        for (std::uint32_t r = 0; ok && r < rows; ++r) {
            const std::uint32_t* src =
                pixels.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
            std::uint8_t* dst = raster.row(static_cast<int>(y + r));
            for (int x = 0; x < width; ++x, dst += depth / 8) {
                const std::uint32_t p = src[x];
                dst[0] = static_cast<std::uint8_t>(TIFFGetB(p));
                dst[1] = static_cast<std::uint8_t>(TIFFGetG(p));
                dst[2] = static_cast<std::uint8_t>(TIFFGetR(p));
                if (alpha)
                    dst[3] = static_cast<std::uint8_t>(TIFFGetA(p));
            }
        }
    }
    TIFFRGBAImageEnd(&img);
    if (!ok)
        return failure(ImageErrorCorrupt);
    TiffResult result;
    result.raster = std::move(raster);
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

TiffResult DecodeTiff(QIODevice& device, std::uint64_t maxPixels) {
    SilenceTiffGlobalHandlers();
    Handlers handlers;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options)
        return failure(ImageErrorMemory);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &handlers);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t{512} * 1024 * 1024);

    std::unique_ptr<TIFF, TiffCloser> tif(TIFFClientOpenExt("photo", "rm", &device, readProc, writeProc,
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
        static_cast<std::uint64_t>(width) * height > std::min<std::uint64_t>(maxPixels, kMaxPixels))
        return failure(ImageErrorTooLarge);

    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t photometric = 0;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_ORIENTATION, &orientation);
    if (TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 1)
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    std::uint16_t extraCount = 0;
    std::uint16_t* extraKinds = nullptr;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    TiffResult result;
    if (sampleFormat != SAMPLEFORMAT_UINT && sampleFormat != SAMPLEFORMAT_VOID) {
        result = failure(ImageErrorDepth);
    } else if (samples == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8) &&
               (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE ||
                photometric == PHOTOMETRIC_PALETTE)) {
        result = decodeIndexed(tif.get(), w, h, bits, photometric);
    } else if (bits == 8) {
        bool alpha = false;
        for (std::uint16_t i = 0; extraKinds != nullptr && i < extraCount; ++i)
            alpha =
                alpha || extraKinds[i] == EXTRASAMPLE_ASSOCALPHA || extraKinds[i] == EXTRASAMPLE_UNASSALPHA;
        result = decodeRgba(tif.get(), w, h, alpha);
    } else {
        result = failure(ImageErrorDepth);
    }
    if (!result.ok())
        return result;
    if (handlers.failed && result.raster.isNull())
        return failure(ImageErrorCorrupt);
    result.orientation = orientation >= 1 && orientation <= 8 ? orientation : 1;
    std::uint64_t exifOffset = 0;
    result.hasExif = TIFFGetField(tif.get(), TIFFTAG_EXIFIFD, &exifOffset) == 1 && exifOffset != 0;
    return result;
}

} // namespace imaging::detail
