#include "imaging/photometadata.h"

#include "imaging/jpegencoder.h"
#include "imaging/rasterconvert.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <map>
#include <memory>

#include <libexif/exif-data.h>

namespace imaging {

namespace {

constexpr int kMaxSegmentPayload = 65533; // a marker segment's length field counts itself (2 bytes)
const QByteArray kExifSignature("Exif\0\0", 6);
const QByteArray kIccSignature("ICC_PROFILE\0", 12);
constexpr int kIccChunkPayload = kMaxSegmentPayload - 14; // signature, sequence number and count

struct ExifDataFree {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};
using ExifPtr = std::unique_ptr<ExifData, ExifDataFree>;

ExifPtr loadExif(const unsigned char* data, unsigned int size) {
    ExifPtr exif(exif_data_new());
    if (!exif)
        return {};
    // Keep the photo's items as they are: no invented entries, unknown tags included.
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_IGNORE_UNKNOWN_TAGS);
    exif_data_load_data(exif.get(), data, size);
    return exif;
}

// The entry of `tag` in `ifd`, created when missing.
ExifEntry* entryOf(ExifData* exif, ExifIfd ifd, ExifTag tag) {
    ExifContent* content = exif->ifd[ifd];
    if (ExifEntry* e = exif_content_get_entry(content, tag))
        return e;
    ExifEntry* e = exif_entry_new();
    if (!e)
        return nullptr;
    exif_content_add_entry(content, e);
    exif_entry_initialize(e, tag);
    exif_entry_unref(e);
    return e;
}

void setShort(ExifData* exif, ExifIfd ifd, ExifTag tag, unsigned value) {
    ExifEntry* e = entryOf(exif, ifd, tag);
    if (!e || !e->data || e->format != EXIF_FORMAT_SHORT || e->size < 2)
        return;
    exif_set_short(e->data, exif_data_get_byte_order(exif), static_cast<ExifShort>(value));
}

// PixelXDimension and PixelYDimension may be SHORT or LONG; a value above 65535 needs LONG.
void setDimension(ExifData* exif, ExifTag tag, unsigned value) {
    ExifEntry* e = entryOf(exif, EXIF_IFD_EXIF, tag);
    if (!e)
        return;
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    if (e->format == EXIF_FORMAT_SHORT && value <= 0xFFFF && e->data && e->size >= 2) {
        exif_set_short(e->data, order, static_cast<ExifShort>(value));
        return;
    }
    if (e->format != EXIF_FORMAT_LONG || e->size < 4) {
        ExifMem* mem = exif_mem_new_default();
        exif_mem_free(mem, e->data);
        e->data = static_cast<unsigned char*>(exif_mem_alloc(mem, 4));
        exif_mem_unref(mem);
        if (!e->data) {
            e->size = 0;
            e->components = 0;
            return;
        }
        e->format = EXIF_FORMAT_LONG;
        e->components = 1;
        e->size = 4;
    }
    exif_set_long(e->data, order, value);
}

void dropPreview(ExifData* exif) {
    ExifContent* ifd1 = exif->ifd[EXIF_IFD_1];
    while (ifd1 && ifd1->count > 0)
        exif_content_remove_entry(ifd1, ifd1->entries[ifd1->count - 1]);
    if (exif->data) {
        ExifMem* mem = exif_mem_new_default();
        exif_mem_free(mem, exif->data);
        exif_mem_unref(mem);
    }
    exif->data = nullptr;
    exif->size = 0;
}

void appendSegment(QByteArray& out, unsigned char marker, const QByteArray& payload) {
    const int length = static_cast<int>(payload.size()) + 2;
    out.append(char(0xFF));
    out.append(char(marker));
    out.append(char(length >> 8));
    out.append(char(length & 0xFF));
    out.append(payload);
}

// The encoder's output with `metadata` after its start marker; the encoder's JFIF header is dropped
// when an EXIF block takes its place (the two do not belong in one file).
QByteArray withMetadata(const QByteArray& jpeg, const QByteArray& exif, const QByteArray& icc) {
    if (jpeg.size() < 4)
        return jpeg;
    qsizetype rest = 2;
    if (!exif.isEmpty() && uchar(jpeg[2]) == 0xFF && uchar(jpeg[3]) == 0xE0 && jpeg.size() >= 6)
        rest = 4 + ((uchar(jpeg[4]) << 8) | uchar(jpeg[5]));
    QByteArray out = jpeg.left(2);
    if (!exif.isEmpty())
        appendSegment(out, 0xE1, exif);
    const int chunks = static_cast<int>((icc.size() + kIccChunkPayload - 1) / kIccChunkPayload);
    for (int i = 0; i < chunks && chunks <= 255; ++i) {
        QByteArray payload = kIccSignature;
        payload.append(char(i + 1));
        payload.append(char(chunks));
        payload.append(icc.mid(qsizetype(i) * kIccChunkPayload, kIccChunkPayload));
        appendSegment(out, 0xE2, payload);
    }
    out.append(jpeg.constData() + rest, jpeg.size() - rest);
    return out;
}

} // namespace

PhotoMetadata ReadPhotoMetadata(const QString& path) {
    PhotoMetadata meta;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return meta;
    uchar soi[2];
    if (file.read(reinterpret_cast<char*>(soi), 2) != 2 || soi[0] != 0xFF || soi[1] != 0xD8)
        return meta;
    std::map<int, QByteArray> iccChunks;
    int iccCount = 0;
    for (;;) {
        uchar head[4];
        if (file.read(reinterpret_cast<char*>(head), 4) != 4 || head[0] != 0xFF)
            break;
        const uchar marker = head[1];
        const int length = (head[2] << 8) | head[3];
        // The image data starts at SOS: the metadata lies before it.
        if (marker == 0xDA || marker == 0xD9 || length < 2)
            break;
        const QByteArray payload = file.read(length - 2);
        if (payload.size() != length - 2)
            break;
        if (marker == 0xE1 && meta.exif.isEmpty() && payload.startsWith(kExifSignature))
            meta.exif = payload;
        else if (marker == 0xE2 && payload.startsWith(kIccSignature) && payload.size() > 14) {
            iccCount = uchar(payload[13]);
            iccChunks[uchar(payload[12])] = payload.mid(14);
        }
    }
    // A profile is kept only when every chunk is there.
    if (iccCount > 0 && static_cast<int>(iccChunks.size()) == iccCount && iccChunks.begin()->first == 1 &&
        iccChunks.rbegin()->first == iccCount)
        for (const auto& [n, chunk] : iccChunks)
            meta.icc.append(chunk);
    return meta;
}

QByteArray ExifForSavedImage(const QByteArray& exif, QSize size) {
    if (exif.isEmpty() || size.isEmpty())
        return {};
    ExifPtr data = loadExif(reinterpret_cast<const unsigned char*>(exif.constData()),
                            static_cast<unsigned int>(exif.size()));
    if (!data || data->ifd[EXIF_IFD_0]->count == 0)
        return {};
    setShort(data.get(), EXIF_IFD_0, EXIF_TAG_ORIENTATION, 1);
    setDimension(data.get(), EXIF_TAG_PIXEL_X_DIMENSION, static_cast<unsigned>(size.width()));
    setDimension(data.get(), EXIF_TAG_PIXEL_Y_DIMENSION, static_cast<unsigned>(size.height()));
    dropPreview(data.get());
    unsigned char* bytes = nullptr;
    unsigned int length = 0;
    exif_data_save_data(data.get(), &bytes, &length);
    QByteArray out(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
    if (bytes) {
        ExifMem* mem = exif_mem_new_default();
        exif_mem_free(mem, bytes);
        exif_mem_unref(mem);
    }
    if (out.size() > kMaxSegmentPayload || !out.startsWith(kExifSignature))
        return {};
    return out;
}

namespace {

template <class Result>
Result withError(Result result, int code) {
    result.error = code;
    result.errorText = ImageErrorText(code);
    return result;
}

EncodedJpeg encodeRows(int width, int height, int bytesPerPixel, const std::uint8_t* first, qsizetype stride,
                       int quality, const PhotoMetadata& metadata) {
    QBuffer encoded;
    encoded.open(QIODevice::WriteOnly);
    const int e = detail::EncodeJpeg(encoded, width, height, bytesPerPixel, first, stride, quality);
    if (e != ImageOk)
        return withError(EncodedJpeg{}, e);
    EncodedJpeg result;
    if (metadata.isEmpty())
        result.bytes = encoded.data();
    else
        result.bytes = withMetadata(encoded.data(), ExifForSavedImage(metadata.exif, QSize(width, height)),
                                    metadata.icc);
    return result;
}

} // namespace

EncodedJpeg EncodeJpegWithMetadata(const QImage& image, int quality, const PhotoMetadata& metadata) {
    if (image.isNull())
        return withError(EncodedJpeg{}, ImageErrorBadParameter);
    const QImage source = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    return encodeRows(source.width(), source.height(), 4, source.constBits(), source.bytesPerLine(), quality,
                      metadata);
}

EncodedJpeg EncodeJpegWithMetadata(const Raster& raster, int quality, const PhotoMetadata& metadata) {
    if (raster.isNull() ||
        raster.pixels.size() < static_cast<std::size_t>(raster.bytesPerRow) * raster.height)
        return withError(EncodedJpeg{}, ImageErrorBadParameter);
    if (raster.bitsPerPixel == 24 || raster.bitsPerPixel == 32)
        return encodeRows(raster.width, raster.height, raster.bitsPerPixel / 8, raster.pixels.data(),
                          raster.bytesPerRow, quality, metadata);
    const Raster direct = RasterTo24(raster);
    if (direct.isNull())
        return withError(EncodedJpeg{}, ImageErrorMemory);
    return encodeRows(direct.width, direct.height, 3, direct.pixels.data(), direct.bytesPerRow, quality,
                      metadata);
}

SaveResult WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty())
        return withError(SaveResult{}, ImageErrorBadParameter);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return withError(SaveResult{}, ImageErrorWrite);
    return {};
}

SaveResult SaveJpegWithMetadata(const QImage& image, const QString& path, int quality,
                                const PhotoMetadata& metadata) {
    if (metadata.isEmpty())
        return SaveJpeg(image, path, quality);
    if (path.isEmpty())
        return withError(SaveResult{}, ImageErrorBadParameter);
    const EncodedJpeg encoded = EncodeJpegWithMetadata(image, quality, metadata);
    if (!encoded.ok())
        return withError(SaveResult{}, encoded.error);
    return WriteFileAtomically(path, encoded.bytes);
}

QString ExifItemText(const QString& path, int tag, int ifd) {
    const PhotoMetadata meta = ReadPhotoMetadata(path);
    if (meta.exif.isEmpty() || ifd < 0 || ifd >= EXIF_IFD_COUNT)
        return {};
    ExifPtr data = loadExif(reinterpret_cast<const unsigned char*>(meta.exif.constData()),
                            static_cast<unsigned int>(meta.exif.size()));
    if (!data)
        return {};
    ExifEntry* e = exif_content_get_entry(data->ifd[ifd], static_cast<ExifTag>(tag));
    if (!e)
        return {};
    char text[1024] = {};
    exif_entry_get_value(e, text, sizeof text);
    return QString::fromUtf8(text).trimmed();
}

} // namespace imaging
