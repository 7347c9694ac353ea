// Encodes a small real JPEG (grey, YCbCr or CMYK; baseline or progressive; Huffman or arithmetic;
// chosen subsampling and restart interval), then rewrites its frame header from the fuzzer's bytes
// (extreme sides, precision, sampling factors), edits a few bytes of the scans and cuts the stream
// short, and decodes the result at the real size limits into the bitmap, the raster and the thumbnail
// size. Any exception, any allocation above the fuzzer's limit and any picture that does not match its
// header is a finding.
#include "fuzzvalues.h"
#include "regressionfile.h"

#include "imaging/jpegdecoder.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>

#include <jpeglib.h>

namespace {

using fuzzvalues::Size16;

struct Base {
    int components = 3; // 1, 3 or 4
    bool progressive = false;
    bool arithmetic = false;
    int hSample = 1; // of the first component
    int vSample = 1;
    bool restarts = false;
    int width = 16;
    int height = 16;
    auto key() const {
        return std::tuple(components, progressive, arithmetic, hSample, vSample, restarts, width, height);
    }
};

QByteArray encode(const Base& b) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(b.width);
    c.image_height = static_cast<JDIMENSION>(b.height);
    c.input_components = b.components;
    c.in_color_space = b.components == 1 ? JCS_GRAYSCALE : b.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    c.arith_code = b.arithmetic ? TRUE : FALSE;
    c.restart_interval = b.restarts ? 1 : 0;
    if (b.components > 1) {
        c.comp_info[0].h_samp_factor = b.hSample;
        c.comp_info[0].v_samp_factor = b.vSample;
    }
    if (b.progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(b.width * b.components));
    while (c.next_scanline < c.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<JSAMPLE>((i * 37 + c.next_scanline * 11) & 0xFF);
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    return bytes;
}

const QByteArray& baseJpeg(const Base& b) {
    static std::map<decltype(b.key()), QByteArray> cache;
    auto it = cache.find(b.key());
    if (it == cache.end())
        it = cache.emplace(b.key(), encode(b)).first;
    return it->second;
}

qsizetype findFrameHeader(const QByteArray& jpeg) {
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i) {
        const auto m = static_cast<unsigned char>(jpeg[i + 1]);
        if (static_cast<unsigned char>(jpeg[i]) == 0xFF &&
            (m == 0xC0 || m == 0xC1 || m == 0xC2 || m == 0xC9 || m == 0xCA))
            return i;
    }
    return -1;
}

QByteArray craft(FuzzedDataProvider& in) {
    Base b;
    b.components = std::array<int, 3>{1, 3, 4}[in.ConsumeIntegralInRange<std::size_t>(0, 2)];
    b.progressive = in.ConsumeBool();
    b.arithmetic = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    b.hSample = in.ConsumeIntegralInRange<int>(1, 2);
    b.vSample = in.ConsumeIntegralInRange<int>(1, 2);
    b.restarts = in.ConsumeIntegralInRange<int>(0, 3) == 0;
    b.width = 8 * in.ConsumeIntegralInRange<int>(1, 6);
    b.height = 8 * in.ConsumeIntegralInRange<int>(1, 6);
    QByteArray jpeg = baseJpeg(b);

    const qsizetype sof = findFrameHeader(jpeg);
    if (sof < 0 || sof + 10 >= jpeg.size())
        return jpeg;
    // FF Cn, length (2), precision, height (2), width (2), component count, then 3 bytes per component.
    if (in.ConsumeIntegralInRange<int>(0, 7) == 0)
        jpeg[sof + 4] = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
    const std::uint16_t height = Size16(in);
    const std::uint16_t width = Size16(in);
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    const int count = static_cast<unsigned char>(jpeg[sof + 9]);
    for (int k = 0; k < count && sof + 12 + 3 * k < jpeg.size(); ++k)
        if (in.ConsumeIntegralInRange<int>(0, 5) == 0)
            jpeg[sof + 11 + 3 * k] = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());

    // A few bytes after the frame header changed, then the stream cut short and ended some way.
    const int edits = in.ConsumeIntegralInRange<int>(0, 4);
    for (int e = 0; e < edits; ++e) {
        const auto at = in.ConsumeIntegralInRange<qsizetype>(sof + 10, jpeg.size() - 1);
        jpeg[at] = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
    }
    if (in.ConsumeBool()) {
        jpeg.truncate(in.ConsumeIntegralInRange<qsizetype>(sof + 10, jpeg.size()));
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            jpeg += QByteArray("\xFF\xD9", 2);
            break;
        case 1:
            jpeg += QByteArray("\xFF\xD0", 2);
            break;
        case 2:
            jpeg += QByteArray::fromStdString(in.ConsumeRandomLengthString(64));
            break;
        default:
            break;
        }
    }
    return jpeg;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    using namespace imaging::detail;
    JpegRequest request;
    const int how = in.ConsumeIntegralInRange<int>(0, 3);
    request.output = how == 1 ? JpegRequest::Output::Raster : JpegRequest::Output::Bitmap;
    if (how == 2) {
        request.fitWidth = 96;
        request.fitHeight = 83;
    }
    const QByteArray jpeg = craft(in);
    keepForRegression(jpeg);
    JpegResult r;
    if (how == 3) {
        QBuffer buffer;
        buffer.setData(jpeg);
        buffer.open(QIODevice::ReadOnly);
        r = DecodeJpeg(buffer, request);
    } else {
        r = DecodeJpegBytes(reinterpret_cast<const std::uint8_t*>(jpeg.constData()),
                            static_cast<std::size_t>(jpeg.size()), request);
    }
    if (!r.ok())
        return 0;
    const bool empty = request.output == JpegRequest::Output::Raster ? r.raster.isNull() : r.bitmap.isNull();
    if (empty || r.fullWidth <= 0 || r.fullHeight <= 0)
        __builtin_trap();
    return 0;
}
