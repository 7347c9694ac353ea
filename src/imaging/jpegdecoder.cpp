#include "imaging/jpegdecoder.h"

#include "imaging/orientation.h"

#include "imaging/jpegerrors.h"

#include <QIODevice>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging::detail {

namespace {

constexpr std::size_t kReadChunk = 64 * 1024;
// Progressive files with thousands of scans take minutes to decode and are never real photos.
constexpr int kMaxScans = 500;

struct Source {
    jpeg_source_mgr pub{};
    QIODevice* device = nullptr;
    std::vector<JOCTET> buffer;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (err->code == ImageOk) {
        switch (err->pub.msg_code) {
        case JERR_BAD_PRECISION:
            // 12-bit samples would come out at 48 bits per pixel: the same refusal as a 16-bit TIFF.
            err->code = ImageErrorDepth;
            break;
        case JERR_NOT_COMPILED:
        case JERR_CONVERSION_NOTIMPL:
        case JERR_BAD_J_COLORSPACE:
            err->code = ImageErrorUnsupported;
            break;
        case JERR_OUT_OF_MEMORY:
            err->code = ImageErrorMemory;
            break;
        case JERR_NO_SOI:
            err->code = ImageErrorFormat;
            break;
        case JERR_INPUT_EOF:
            err->code = ImageErrorCorrupt;
            break;
        case JERR_FILE_READ:
            err->code = ImageErrorRead;
            break;
        default:
            err->code = ImageErrorCorrupt;
            break;
        }
    }
    std::longjmp(err->jump, 1);
}

// Entropy data that ends before the last row (the end of the stream, or a marker other than a restart
// where data should be) is a cut-off file, not a picture: libjpeg would hand out the missing rows grey.
// A damaged restart interval is only a warning: the rows after the next restart marker are real.
bool cutOff(j_common_ptr cinfo) {
    if (cinfo->err->msg_code == JWRN_JPEG_EOF)
        return true;
    if (cinfo->err->msg_code != JWRN_HIT_MARKER || !cinfo->is_decompressor)
        return false;
    const int marker = reinterpret_cast<j_decompress_ptr>(cinfo)->unread_marker;
    return marker < JPEG_RST0 || marker > JPEG_RST0 + 7;
}

void onWarning(j_common_ptr cinfo, int level) {
    if (level < 0 && cutOff(cinfo)) {
        reinterpret_cast<JpegErrorManager*>(cinfo->err)->code = ImageErrorCorrupt;
        std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
    }
    JpegCountWarning(cinfo, level);
}

// Every block of a Huffman-coded picture takes at least one bit of the file, so a file smaller than an
// eighth of its blocks cannot hold the picture its frame header claims; refusing it here keeps a few
// hundred lying bytes from allocating a picture of gigabytes. (Arithmetic coding could in principle go
// below that bound, but no photo does.)
bool holdsItsBlocks(const jpeg_decompress_struct& cinfo, std::uint64_t streamBytes) {
    std::uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        blocks += static_cast<std::uint64_t>(cinfo.comp_info[c].width_in_blocks) *
                  static_cast<std::uint64_t>(cinfo.comp_info[c].height_in_blocks);
    return blocks / 8 <= streamBytes;
}

void initSource(j_decompress_ptr) {}

// The stream ending before its end-of-image marker is a truncated file: stop at once rather than
// decode the rest of a large picture from invented bytes.
boolean fillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    qint64 got = -1;
    if (src->device != nullptr)
        got = src->device->read(reinterpret_cast<char*>(src->buffer.data()),
                                static_cast<qint64>(src->buffer.size()));
    if (got < 0 && src->device != nullptr) {
        ERREXIT(cinfo, JERR_FILE_READ);
    }
    if (got <= 0) {
        ERREXIT(cinfo, JERR_INPUT_EOF);
    }
    src->pub.next_input_byte = src->buffer.data();
    src->pub.bytes_in_buffer = static_cast<std::size_t>(got);
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<Source*>(cinfo->src);
    if (count <= 0)
        return;
    auto remaining = static_cast<std::size_t>(count);
    while (remaining > src->pub.bytes_in_buffer) {
        remaining -= src->pub.bytes_in_buffer;
        src->pub.bytes_in_buffer = 0;
        if (src->device != nullptr && remaining > kReadChunk && src->device->isSequential() == false) {
            // Large skips (big APPn sections) seek instead of reading.
            const qint64 target = src->device->pos() + static_cast<qint64>(remaining);
            if (target <= src->device->size() && src->device->seek(target)) {
                remaining = 0;
                break;
            }
        }
        (*src->pub.fill_input_buffer)(cinfo);
    }
    src->pub.next_input_byte += remaining;
    src->pub.bytes_in_buffer -= remaining;
}

void termSource(j_decompress_ptr) {}

void progressMonitor(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->is_decompressor && d->input_scan_number > kMaxScans) {
        reinterpret_cast<JpegErrorManager*>(cinfo->err)->code = ImageErrorCorrupt;
        ERREXIT(cinfo, JERR_NOT_COMPILED);
    }
}

inline std::uint8_t mulDiv255(unsigned a, unsigned b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

// CMYK (or YCCK, which libjpeg hands over as CMYK) to B, G, R. Adobe's files store the inks inverted.
void cmykToBgr(const std::uint8_t* src, std::uint8_t* dst, int width, int dstStep, bool inverted) {
    for (int x = 0; x < width; ++x, src += 4, dst += dstStep) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[0] = mulDiv255(y, k);
        dst[1] = mulDiv255(m, k);
        dst[2] = mulDiv255(c, k);
        if (dstStep == 4)
            dst[3] = 0xFF;
    }
}

struct Job {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager err;
    Source source;
    jpeg_progress_mgr progress{};
    std::uint64_t streamBytes = 0; // the whole stream from its start-of-image marker
    JpegResult result;
    std::vector<std::uint8_t> cmykRow;
};

// Everything between setjmp and the end of decoding; Job lives in the caller so that nothing with a
// destructor sits between a libjpeg error and the jump back.
void decode(Job& job, const JpegRequest& request) {
    j_decompress_ptr cinfo = &job.cinfo;
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m != nullptr; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            job.result.exif = QByteArray(reinterpret_cast<const char*>(m->data), m->data_length);
            job.result.orientation = OrientationFromExif(m->data, m->data_length);
            break;
        }
    }
    const int width = static_cast<int>(cinfo->image_width);
    const int height = static_cast<int>(cinfo->image_height);
    job.result.fullWidth = width;
    job.result.fullHeight = height;
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > request.maxPixels) {
        job.result.error = ImageErrorTooLarge;
        return;
    }
    if (const int sizeCheck = CheckImageSize(width, height, 32); sizeCheck != ImageOk) {
        job.result.error = sizeCheck;
        return;
    }

    if (!holdsItsBlocks(*cinfo, job.streamBytes)) {
        job.result.error = ImageErrorCorrupt;
        return;
    }

    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    const bool grey = cinfo->jpeg_color_space == JCS_GRAYSCALE;
    const bool toBitmap = request.output == JpegRequest::Output::Bitmap;
    if (cmyk)
        cinfo->out_color_space = JCS_CMYK;
    else if (toBitmap)
        cinfo->out_color_space = JCS_EXT_BGRA;
    else
        cinfo->out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;

    if (request.fitWidth > 0 && request.fitHeight > 0) {
        const bool swap = OrientationSwapsSides(job.result.orientation);
        const int boxW = swap ? request.fitHeight : request.fitWidth;
        const int boxH = swap ? request.fitWidth : request.fitHeight;
        cinfo->scale_num = static_cast<unsigned>(JpegScaleFor(width, height, boxW, boxH));
        cinfo->scale_denom = 8;
        cinfo->do_fancy_upsampling = FALSE;
    }

    jpeg_start_decompress(cinfo);
    const int outW = static_cast<int>(cinfo->output_width);
    const int outH = static_cast<int>(cinfo->output_height);
    if (toBitmap) {
        job.result.bitmap = QImage(outW, outH, QImage::Format_ARGB32);
        if (job.result.bitmap.isNull()) {
            job.result.error = ImageErrorMemory;
            return;
        }
    } else {
        job.result.raster = Raster::allocate(outW, outH, grey ? 8 : 24);
        if (job.result.raster.isNull()) {
            job.result.error = ImageErrorMemory;
            return;
        }
        if (grey) {
            job.result.raster.palette.resize(256);
            for (int i = 0; i < 256; ++i)
                job.result.raster.palette[static_cast<std::size_t>(i)] = qRgb(i, i, i);
        }
    }
    if (cmyk)
        job.cmykRow.resize(static_cast<std::size_t>(outW) * 4);

    const bool inverted = cinfo->saw_Adobe_marker != 0;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        std::uint8_t* dst = toBitmap ? job.result.bitmap.scanLine(y) : job.result.raster.row(y);
        JSAMPROW row = cmyk ? job.cmykRow.data() : dst;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
            break;
        if (cmyk)
            cmykToBgr(job.cmykRow.data(), dst, outW, toBitmap ? 4 : 3, inverted);
    }
}

JpegResult run(const std::uint8_t* data, std::size_t size, QIODevice* device, const JpegRequest& request) {
    Job job;
    if (device != nullptr)
        job.source.buffer.resize(kReadChunk);
    // Warnings (corrupt entropy data, extraneous bytes) leave a usable picture and are only counted.
    job.cinfo.err = InstallJpegErrors(job.err, errorExit);
    job.err.pub.emit_message = onWarning;

    if (setjmp(job.err.jump) != 0) {
        jpeg_destroy_decompress(&job.cinfo);
        JpegResult failed;
        failed.error = job.err.code == ImageOk ? ImageErrorCorrupt : job.err.code;
        failed.errorText = ImageErrorText(failed.error);
        return failed;
    }
    jpeg_create_decompress(&job.cinfo);
    job.progress.progress_monitor = progressMonitor;
    job.cinfo.progress = &job.progress;

    Source& src = job.source;
    src.device = device;
    src.pub.init_source = initSource;
    src.pub.fill_input_buffer = fillInputBuffer;
    src.pub.skip_input_data = skipInputData;
    src.pub.resync_to_restart = jpeg_resync_to_restart;
    src.pub.term_source = termSource;
    if (device != nullptr) {
        job.streamBytes = static_cast<std::uint64_t>(std::max<qint64>(0, device->size() - device->pos()));
        src.pub.next_input_byte = nullptr;
        src.pub.bytes_in_buffer = 0;
    } else {
        job.streamBytes = size;
        src.pub.next_input_byte = data;
        src.pub.bytes_in_buffer = size;
    }
    job.cinfo.src = &src.pub;

    try {
        decode(job, request);
    } catch (const std::bad_alloc&) {
        job.result.error = ImageErrorMemory;
    } catch (const std::length_error&) {
        job.result.error = ImageErrorMemory;
    }
    jpeg_destroy_decompress(&job.cinfo);
    if (job.result.error != ImageOk) {
        job.result.bitmap = QImage();
        job.result.raster = Raster();
        job.result.errorText = ImageErrorText(job.result.error);
    }
    return std::move(job.result);
}

} // namespace

JpegResult DecodeJpeg(QIODevice& device, const JpegRequest& request) {
    return run(nullptr, 0, &device, request);
}

JpegResult DecodeJpegBytes(const std::uint8_t* data, std::size_t size, const JpegRequest& request) {
    if (data == nullptr || size == 0) {
        JpegResult empty;
        empty.error = ImageErrorCorrupt;
        empty.errorText = ImageErrorText(empty.error);
        return empty;
    }
    return run(data, size, nullptr, request);
}

void FitInBox(int width, int height, int boxW, int boxH, int& outW, int& outH) {
    if (width <= 0 || height <= 0) {
        outW = outH = 0;
        return;
    }
    if (width <= boxW && height <= boxH) {
        outW = width;
        outH = height;
        return;
    }
    const long double scale =
        std::min(static_cast<long double>(boxW) / width, static_cast<long double>(boxH) / height);
    outW = std::clamp(static_cast<int>(std::nearbyint(width * scale)), 1, boxW);
    outH = std::clamp(static_cast<int>(std::nearbyint(height * scale)), 1, boxH);
}

int JpegScaleFor(int width, int height, int boxW, int boxH) {
    int fitW = 0;
    int fitH = 0;
    FitInBox(width, height, boxW, boxH, fitW, fitH);
    for (int num = 1; num < 8; ++num) {
        // libjpeg rounds scaled sides up.
        const std::int64_t sw = (static_cast<std::int64_t>(width) * num + 7) / 8;
        const std::int64_t sh = (static_cast<std::int64_t>(height) * num + 7) / 8;
        if (sw >= 2 * fitW && sh >= 2 * fitH)
            return num;
    }
    return 8;
}

} // namespace imaging::detail
