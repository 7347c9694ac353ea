#include "imaging/jpegencoder.h"

#include "imaging/imagefile.h"

#include "imaging/jpegerrors.h"

#include <QIODevice>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace imaging::detail {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct Destination {
    jpeg_destination_mgr pub{};
    QIODevice* device = nullptr;
    std::vector<JOCTET> buffer;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (err->code == ImageOk)
        err->code = err->pub.msg_code == JERR_OUT_OF_MEMORY ? ImageErrorMemory : ImageErrorBadParameter;
    std::longjmp(err->jump, 1);
}

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer.data();
    dest->pub.free_in_buffer = dest->buffer.size();
}

bool flush(j_compress_ptr cinfo, std::size_t count) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    return dest->device->write(reinterpret_cast<const char*>(dest->buffer.data()),
                               static_cast<qint64>(count)) == static_cast<qint64>(count);
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    if (!flush(cinfo, kChunk)) {
        reinterpret_cast<JpegErrorManager*>(cinfo->err)->code = ImageErrorWrite;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    initDestination(cinfo);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    if (!flush(cinfo, dest->buffer.size() - dest->pub.free_in_buffer)) {
        reinterpret_cast<JpegErrorManager*>(cinfo->err)->code = ImageErrorWrite;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

struct Job {
    jpeg_compress_struct cinfo{};
    JpegErrorManager err;
    Destination dest;
};

void encode(Job& job, int width, int height, int bytesPerPixel, const std::uint8_t* first, qsizetype stride,
            int quality) {
    j_compress_ptr cinfo = &job.cinfo;
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = bytesPerPixel;
    cinfo->in_color_space = bytesPerPixel == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        auto row = const_cast<JSAMPROW>(first + static_cast<qsizetype>(cinfo->next_scanline) * stride);
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
}

} // namespace

int EncodeJpeg(QIODevice& out, int width, int height, int bytesPerPixel, const std::uint8_t* first,
               qsizetype stride, int quality) {
    if (width <= 0 || height <= 0 || width > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION ||
        first == nullptr || (bytesPerPixel != 3 && bytesPerPixel != 4) || quality < 0 || quality > 100)
        return ImageErrorBadParameter;
    Job job;
    job.cinfo.err = InstallJpegErrors(job.err, errorExit);
    if (setjmp(job.err.jump) != 0) {
        jpeg_destroy_compress(&job.cinfo);
        return job.err.code == ImageOk ? ImageErrorWrite : job.err.code;
    }
    jpeg_create_compress(&job.cinfo);
    job.dest.device = &out;
    job.dest.buffer.resize(kChunk);
    job.dest.pub.init_destination = initDestination;
    job.dest.pub.empty_output_buffer = emptyOutputBuffer;
    job.dest.pub.term_destination = termDestination;
    job.cinfo.dest = &job.dest.pub;
    encode(job, width, height, bytesPerPixel, first, stride, quality);
    jpeg_destroy_compress(&job.cinfo);
    return ImageOk;
}

} // namespace imaging::detail
