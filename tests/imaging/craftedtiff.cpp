#include "craftedtiff.h"

#include <algorithm>

namespace crafted {

namespace {

void put16(QByteArray& b, std::uint32_t v) {
    b.append(static_cast<char>(v & 0xFF));
    b.append(static_cast<char>((v >> 8) & 0xFF));
}

void put32(QByteArray& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

} // namespace

QByteArray Tiff(std::vector<Tag> tags, const QByteArray& data) {
    std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
    const auto payloadOf = [](const Tag& t) {
        QByteArray p;
        for (std::uint32_t v : t.values)
            t.type == kShort ? put16(p, v) : put32(p, v);
        return p;
    };
    const auto directoryEnd = static_cast<std::uint32_t>(8 + 2 + 12 * tags.size() + 4);
    std::uint32_t dataAt = directoryEnd;
    for (const Tag& t : tags)
        if (const auto n = static_cast<std::uint32_t>(payloadOf(t).size()); n > 4)
            dataAt += n;
    for (Tag& t : tags)
        std::replace(t.values.begin(), t.values.end(), kDataOffset, dataAt);

    QByteArray out("II*\0", 4);
    put32(out, 8);
    put16(out, static_cast<std::uint32_t>(tags.size()));
    QByteArray overflow;
    for (const Tag& t : tags) {
        put16(out, t.tag);
        put16(out, t.type);
        put32(out, static_cast<std::uint32_t>(t.values.size()));
        const QByteArray p = payloadOf(t);
        if (p.size() <= 4) {
            out += p + QByteArray(4 - p.size(), '\0');
        } else {
            put32(out, directoryEnd + static_cast<std::uint32_t>(overflow.size()));
            overflow += p;
        }
    }
    put32(out, 0);
    return out + overflow + data;
}

namespace {

QByteArray strip(std::uint32_t width, std::uint32_t height, int samples, const QByteArray& data,
                 std::uint16_t compression, std::uint32_t byteCount) {
    const auto s = static_cast<std::uint32_t>(samples);
    return Tiff({{256, kLong, {width}},
                 {257, kLong, {height}},
                 {258, kShort, std::vector<std::uint32_t>(s, 8)},
                 {259, kShort, {compression}},
                 {262, kShort, {s >= 3 ? 2u : 1u}},
                 {273, kLong, {kDataOffset}},
                 {277, kShort, {s}},
                 {278, kLong, {height}},
                 {279, kLong, {byteCount}}},
                data);
}

} // namespace

QByteArray Strip(std::uint32_t width, std::uint32_t height, int samples, const QByteArray& data,
                 std::uint16_t compression) {
    return strip(width, height, samples, data, compression, static_cast<std::uint32_t>(data.size()));
}

QByteArray StripClaiming(std::uint32_t width, std::uint32_t height, std::uint32_t stripBytes) {
    return strip(width, height, 1, QByteArray(64, '\x55'), 1, stripBytes);
}

QByteArray Tiled(std::uint32_t width, std::uint32_t height, std::uint32_t tileSide, const QByteArray& data) {
    return Tiff({{256, kLong, {width}},
                 {257, kLong, {height}},
                 {258, kShort, {8}},
                 {259, kShort, {1}},
                 {262, kShort, {1}},
                 {277, kShort, {1}},
                 {322, kLong, {tileSide}},
                 {323, kLong, {tileSide}},
                 {324, kLong, {kDataOffset}},
                 {325, kLong, {static_cast<std::uint32_t>(data.size())}}},
                data);
}

} // namespace crafted
