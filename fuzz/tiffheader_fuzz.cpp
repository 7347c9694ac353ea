// Writes a TIFF whose header and first directory come from the fuzzer's bytes (extreme sides, tile
// sizes, strip counts and byte counts, samples, bits, compression, photometric, extra samples) and
// whose image data is the rest of the input, then decodes it at the real size limits into both
// targets. Any exception, any allocation above the fuzzer's limit and any raster whose size does not
// match its header is a finding.
#include "fuzzvalues.h"
#include "regressionfile.h"

#include "imaging/rasterconvert.h"
#include "imaging/tiffdecoder.h"

#include <QBuffer>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace {

using fuzzvalues::OneOf;
using fuzzvalues::Size16;
using fuzzvalues::Size32;

struct Entry {
    std::uint16_t type = 3; // 3 SHORT, 4 LONG
    std::vector<std::uint32_t> values;
};

class TiffWriter {
public:
    explicit TiffWriter(bool bigEndian)
        : big_(bigEndian) {}

    void shorts(std::uint16_t tag, std::vector<std::uint32_t> v) { entries_[tag] = {3, std::move(v)}; }
    void longs(std::uint16_t tag, std::vector<std::uint32_t> v) { entries_[tag] = {4, std::move(v)}; }

    // The directory's size, so that offsets into the data that follows it can be computed first.
    std::uint32_t dataStart() const {
        std::uint32_t at = 8 + 2 + 12 * static_cast<std::uint32_t>(entries_.size()) + 4;
        for (const auto& [tag, e] : entries_)
            if (bytesOf(e) > 4)
                at += bytesOf(e);
        return at;
    }

    QByteArray finish(const QByteArray& data) {
        QByteArray out = big_ ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
        put32(out, 8);
        put16(out, static_cast<std::uint16_t>(entries_.size()));
        QByteArray overflow;
        std::uint32_t overflowAt = 8 + 2 + 12 * static_cast<std::uint32_t>(entries_.size()) + 4;
        for (const auto& [tag, e] : entries_) {
            put16(out, tag);
            put16(out, e.type);
            put32(out, static_cast<std::uint32_t>(e.values.size()));
            QByteArray payload;
            for (std::uint32_t v : e.values)
                e.type == 3 ? put16(payload, static_cast<std::uint16_t>(v)) : put32(payload, v);
            if (payload.size() <= 4) {
                out += payload + QByteArray(4 - payload.size(), '\0');
            } else {
                put32(out, overflowAt + static_cast<std::uint32_t>(overflow.size()));
                overflow += payload;
            }
        }
        put32(out, 0);
        return out + overflow + data;
    }

private:
    static std::uint32_t bytesOf(const Entry& e) {
        return static_cast<std::uint32_t>(e.values.size()) * (e.type == 3 ? 2 : 4);
    }
    void put16(QByteArray& b, std::uint16_t v) const {
        const char hi = static_cast<char>(v >> 8), lo = static_cast<char>(v & 0xFF);
        b.append(big_ ? hi : lo);
        b.append(big_ ? lo : hi);
    }
    void put32(QByteArray& b, std::uint32_t v) const {
        if (big_) {
            put16(b, static_cast<std::uint16_t>(v >> 16));
            put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
        } else {
            put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
            put16(b, static_cast<std::uint16_t>(v >> 16));
        }
    }

    bool big_;
    std::map<std::uint16_t, Entry> entries_;
};

QByteArray craft(FuzzedDataProvider& in) {
    TiffWriter w(in.ConsumeBool());
    const std::uint32_t width = Size32(in);
    const std::uint32_t height = Size32(in);
    const std::uint16_t samples = OneOf(in, std::array<std::uint16_t, 6>{1, 1, 3, 4, 2, 5});
    const std::uint16_t bits = OneOf(in, std::array<std::uint16_t, 8>{8, 8, 1, 2, 4, 16, 12, 32});
    const std::uint16_t compression = OneOf(in, std::array<std::uint16_t, 8>{1, 1, 5, 8, 32773, 7, 3, 4});
    const std::uint16_t photometric = OneOf(in, std::array<std::uint16_t, 7>{1, 2, 0, 3, 5, 6, 4});
    w.longs(256, {width});
    w.longs(257, {height});
    w.shorts(258, std::vector<std::uint32_t>(in.ConsumeBool() ? samples : 1, bits));
    w.shorts(259, {compression});
    w.shorts(262, {photometric});
    w.shorts(277, {samples});
    if (in.ConsumeBool())
        w.shorts(274, {in.ConsumeIntegralInRange<std::uint32_t>(0, 9)});
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
        w.shorts(284, {in.ConsumeIntegralInRange<std::uint32_t>(1, 2)});
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
        w.shorts(317, {in.ConsumeIntegralInRange<std::uint32_t>(1, 3)});
    if (in.ConsumeIntegralInRange<int>(0, 3) == 0)
        w.shorts(339, {in.ConsumeIntegralInRange<std::uint32_t>(1, 4)});
    if (in.ConsumeBool()) {
        std::vector<std::uint32_t> extra(in.ConsumeIntegralInRange<std::size_t>(1, 3));
        for (auto& e : extra)
            e = in.ConsumeIntegralInRange<std::uint32_t>(0, 3);
        w.shorts(338, extra);
    }
    if (photometric == 3 && bits <= 8 && in.ConsumeIntegralInRange<int>(0, 7) != 0) {
        std::vector<std::uint32_t> map(3u << bits);
        const std::uint16_t seed = in.ConsumeIntegral<std::uint16_t>();
        for (std::size_t i = 0; i < map.size(); ++i)
            map[i] = static_cast<std::uint16_t>(seed * (i + 1));
        w.shorts(320, map);
    }

    const bool tiled = in.ConsumeIntegralInRange<int>(0, 2) == 0;
    std::uint32_t across = 1;
    if (tiled) {
        const std::uint32_t tileW =
            in.ConsumeBool() ? Size32(in) : 16u * in.ConsumeIntegralInRange<std::uint32_t>(1, 8);
        const std::uint32_t tileH =
            in.ConsumeBool() ? Size32(in) : 16u * in.ConsumeIntegralInRange<std::uint32_t>(1, 8);
        w.longs(322, {tileW});
        w.longs(323, {tileH});
    } else if (in.ConsumeBool()) {
        w.longs(278, {in.ConsumeBool() ? Size32(in) : in.ConsumeIntegralInRange<std::uint32_t>(1, 64)});
    }
    const std::size_t pieces = in.ConsumeIntegralInRange<std::size_t>(1, 24);
    std::vector<std::uint32_t> counts(pieces);
    for (auto& c : counts)
        c = in.ConsumeBool() ? 0 : Size32(in); // 0: an even share of the data, filled in below
    across = static_cast<std::uint32_t>(pieces);
    // The offsets and counts go in as placeholders to fix the directory's size, then for real.
    w.longs(tiled ? 324 : 273, std::vector<std::uint32_t>(across, 0));
    w.longs(tiled ? 325 : 279, std::vector<std::uint32_t>(across, 0));
    const std::uint32_t dataAt = w.dataStart();

    const QByteArray data = QByteArray::fromStdString(in.ConsumeRemainingBytesAsString());
    const auto share = static_cast<std::uint32_t>(data.size() / static_cast<qsizetype>(pieces));
    std::vector<std::uint32_t> offsets(pieces);
    for (std::size_t i = 0; i < pieces; ++i) {
        offsets[i] = dataAt + static_cast<std::uint32_t>(i) * share;
        if (counts[i] == 0)
            counts[i] = share;
    }
    w.longs(tiled ? 324 : 273, offsets);
    w.longs(tiled ? 325 : 279, counts);
    return w.finish(data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool bitmap = in.ConsumeBool();
    const QByteArray file = craft(in);
    keepForRegression(file);
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    using namespace imaging::detail;
    TiffRequest request;
    request.output = bitmap ? TiffRequest::Output::Bitmap : TiffRequest::Output::Raster;
    const TiffResult r = DecodeTiff(buffer, request);
    if (!r.ok())
        return 0;
    if (bitmap) {
        if (r.bitmap.isNull() || r.bitmap.format() != QImage::Format_ARGB32)
            __builtin_trap();
    } else {
        const imaging::Raster& raster = r.raster;
        if (raster.isNull() || raster.pixels.size() < static_cast<std::size_t>(raster.bytesPerRow) *
                                                          static_cast<std::size_t>(raster.height))
            __builtin_trap();
    }
    return 0;
}
