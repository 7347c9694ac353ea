#pragma once

// Little-endian TIFF files written byte by byte from a list of directory entries, for headers that no
// TIFF writer would produce (sides of hundreds of millions, tiles of a million pixels, strips that are
// far too short).
#include <QByteArray>

#include <cstdint>
#include <vector>

namespace crafted {

inline constexpr std::uint16_t kShort = 3;
inline constexpr std::uint16_t kLong = 4;
// A value that the writer replaces by the offset of the image data (for StripOffsets, TileOffsets).
inline constexpr std::uint32_t kDataOffset = 0xFFFFFFF0u;

struct Tag {
    std::uint16_t tag = 0;
    std::uint16_t type = kLong;
    std::vector<std::uint32_t> values;
};

// Header, one directory with `tags` (sorted by the writer) and their out-of-line values, then `data`.
QByteArray Tiff(std::vector<Tag> tags, const QByteArray& data);

// One-strip image (compression 1 or 5, 8 bits a sample) of width × height whose strip byte count is the
// size of `data`.
QByteArray Strip(std::uint32_t width, std::uint32_t height, int samples, const QByteArray& data,
                 std::uint16_t compression = 1);

// One-strip 8-bit grey image of width × height whose strip byte count claims `stripBytes`, with only 64
// real bytes behind it.
QByteArray StripClaiming(std::uint32_t width, std::uint32_t height, std::uint32_t stripBytes);

// A grey 8-bit tiled image with tiles of tileSide × tileSide and one tile of data present.
QByteArray Tiled(std::uint32_t width, std::uint32_t height, std::uint32_t tileSide, const QByteArray& data);

} // namespace crafted
