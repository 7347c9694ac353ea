#include "imaging/photometadata.h"

#include "imaging/jpegencoder.h"
#include "imaging/rasterconvert.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <map>
#include <memory>
#include <vector>

#include <libexif/exif-data.h>

namespace imaging {

namespace {

constexpr int kMaxSegmentPayload = 65533; // a marker segment's length field counts itself (2 bytes)
const QByteArray kExifSignature("Exif\0\0", 6);
const QByteArray kIccSignature("ICC_PROFILE\0", 12);
constexpr int kIccChunkPayload = kMaxSegmentPayload - 14; // signature, sequence number and count
constexpr quint16 kTiffIccTag = 34675;

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

// A TIFF photo keeps its camera items in its own directories rather than in an APP1 block: IFD0 (make,
// model, dates, resolution, copyright), the EXIF directory and the GPS directory. They are read entry
// by entry (each value bounds-checked against the file) and written out again as an APP1 payload; the
// entries that describe the TIFF's own pixels, the maker note (its offsets point into the TIFF) and the
// further pages are left behind. The ICC profile travels in IFD0 too.
class TiffDirectories {
public:
    explicit TiffDirectories(QFile& file)
        : file_(file) {}

    // False when the file is no TIFF (or a BigTIFF, which carries no camera items worth the trouble).
    bool readHeader() {
        const QByteArray head = file_.read(8);
        if (head.size() != 8)
            return false;
        if (head.startsWith("II*\0"))
            motorola_ = false;
        else if (head.startsWith("MM\0*"))
            motorola_ = true;
        else
            return false;
        ifd0_ = u32(head.constData() + 4);
        return true;
    }

    struct Entry {
        quint16 tag;
        quint16 type;
        quint32 count;
        QByteArray value; // in the file's byte order
    };

    std::vector<Entry> read(quint32 offset) {
        std::vector<Entry> entries;
        if (offset < 8 || offset >= file_.size() || !file_.seek(offset))
            return entries;
        const QByteArray countBytes = file_.read(2);
        if (countBytes.size() != 2)
            return entries;
        const int count = u16(countBytes.constData());
        if (count > kMaxEntries)
            return entries;
        const QByteArray table = file_.read(qint64(count) * 12);
        if (table.size() != qint64(count) * 12)
            return entries;
        for (int i = 0; i < count; ++i) {
            const char* e = table.constData() + i * 12;
            Entry entry{u16(e), u16(e + 2), u32(e + 4), {}};
            const qint64 bytes = qint64(typeSize(entry.type)) * entry.count;
            if (bytes == 0 || bytes > kMaxValueBytes)
                continue;
            if (bytes <= 4) {
                entry.value = QByteArray(e + 8, bytes);
            } else {
                const quint32 at = u32(e + 8);
                if (at + bytes > file_.size() || !file_.seek(at))
                    continue;
                entry.value = file_.read(bytes);
                if (entry.value.size() != bytes)
                    continue;
            }
            entries.push_back(std::move(entry));
        }
        return entries;
    }

    quint32 ifd0() const { return ifd0_; }
    bool motorola() const { return motorola_; }
    quint32 u32(const char* p) const {
        const auto* b = reinterpret_cast<const uchar*>(p);
        return motorola_ ? (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | b[3]
                         : (quint32(b[3]) << 24) | (quint32(b[2]) << 16) | (quint32(b[1]) << 8) | b[0];
    }

private:
    static constexpr int kMaxEntries = 1024;
    static constexpr qint64 kMaxValueBytes = qint64(1) << 24; // an ICC profile may be large

    static int typeSize(quint16 type) {
        switch (type) {
        case 1:
        case 2:
        case 6:
        case 7:
            return 1; // BYTE, ASCII, SBYTE, UNDEFINED
        case 3:
        case 8:
            return 2; // SHORT, SSHORT
        case 4:
        case 9:
        case 11:
            return 4; // LONG, SLONG, FLOAT
        case 5:
        case 10:
        case 12:
            return 8; // RATIONAL, SRATIONAL, DOUBLE
        default:
            return 0; // unknown types are left behind
        }
    }
    quint16 u16(const char* p) const {
        const auto* b = reinterpret_cast<const uchar*>(p);
        return motorola_ ? quint16((b[0] << 8) | b[1]) : quint16((b[1] << 8) | b[0]);
    }

    QFile& file_;
    bool motorola_ = false;
    quint32 ifd0_ = 0;
};

// The IFD0 items of a TIFF that describe the photo rather than its pixel layout.
bool isCameraItem(quint16 tag) {
    switch (tag) {
    case EXIF_TAG_IMAGE_DESCRIPTION:
    case EXIF_TAG_MAKE:
    case EXIF_TAG_MODEL:
    case EXIF_TAG_X_RESOLUTION:
    case EXIF_TAG_Y_RESOLUTION:
    case EXIF_TAG_RESOLUTION_UNIT:
    case EXIF_TAG_SOFTWARE:
    case EXIF_TAG_DATE_TIME:
    case EXIF_TAG_ARTIST:
    case EXIF_TAG_WHITE_POINT:
    case EXIF_TAG_PRIMARY_CHROMATICITIES:
    case EXIF_TAG_COPYRIGHT:
        return true;
    default:
        return false;
    }
}

void addEntries(ExifData* exif, ExifIfd ifd, const std::vector<TiffDirectories::Entry>& entries,
                bool (*keep)(quint16)) {
    ExifMem* mem = exif_mem_new_default();
    for (const TiffDirectories::Entry& t : entries) {
        if (!keep(t.tag) || exif_content_get_entry(exif->ifd[ifd], static_cast<ExifTag>(t.tag)))
            continue;
        ExifEntry* e = exif_entry_new_mem(mem);
        if (!e)
            break;
        e->data = static_cast<unsigned char*>(exif_mem_alloc(mem, static_cast<ExifLong>(t.value.size())));
        if (e->data) {
            std::copy_n(t.value.constData(), t.value.size(), reinterpret_cast<char*>(e->data));
            e->tag = static_cast<ExifTag>(t.tag);
            e->format = static_cast<ExifFormat>(t.type);
            e->components = t.count;
            e->size = static_cast<unsigned int>(t.value.size());
            exif_content_add_entry(exif->ifd[ifd], e);
        }
        exif_entry_unref(e);
    }
    exif_mem_unref(mem);
}

void readTiffMetadata(QFile& file, PhotoMetadata& meta) {
    TiffDirectories tiff(file);
    if (!tiff.readHeader())
        return;
    const std::vector<TiffDirectories::Entry> ifd0 = tiff.read(tiff.ifd0());
    ExifPtr exif(exif_data_new());
    if (!exif)
        return;
    exif_data_unset_option(exif.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(exif.get(), tiff.motorola() ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL);
    addEntries(exif.get(), EXIF_IFD_0, ifd0, isCameraItem);
    for (const TiffDirectories::Entry& e : ifd0) {
        const bool pointer = e.type == 4 || e.type == 13;
        if (e.tag == EXIF_TAG_EXIF_IFD_POINTER && pointer && e.value.size() == 4)
            addEntries(exif.get(), EXIF_IFD_EXIF, tiff.read(tiff.u32(e.value.constData())), [](quint16 tag) {
                return tag != EXIF_TAG_MAKER_NOTE && tag != EXIF_TAG_INTEROPERABILITY_IFD_POINTER;
            });
        else if (e.tag == EXIF_TAG_GPS_INFO_IFD_POINTER && pointer && e.value.size() == 4)
            addEntries(exif.get(), EXIF_IFD_GPS, tiff.read(tiff.u32(e.value.constData())),
                       [](quint16) { return true; });
        else if (e.tag == kTiffIccTag)
            meta.icc = e.value;
    }
    if (exif->ifd[EXIF_IFD_0]->count == 0 && exif->ifd[EXIF_IFD_EXIF]->count == 0)
        return;
    unsigned char* bytes = nullptr;
    unsigned int length = 0;
    exif_data_save_data(exif.get(), &bytes, &length);
    if (bytes) {
        meta.exif = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
        ExifMem* mem = exif_mem_new_default();
        exif_mem_free(mem, bytes);
        exif_mem_unref(mem);
    }
    if (meta.exif.size() > kMaxSegmentPayload || !meta.exif.startsWith(kExifSignature))
        meta.exif.clear();
}

} // namespace

PhotoMetadata ReadPhotoMetadata(const QString& path) {
    PhotoMetadata meta;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return meta;
    uchar soi[2];
    if (file.peek(reinterpret_cast<char*>(soi), 2) != 2)
        return meta;
    if (soi[0] != 0xFF || soi[1] != 0xD8) {
        readTiffMetadata(file, meta);
        return meta;
    }
    file.skip(2);
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
    // The flush is checked before the commit: QSaveFile renames even after a short last write.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        !file.commit())
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
