#pragma once

// Icon files read back by the file layout, independently of the writer, and the pictures and
// transparency rules the icon tests use, restated from the rules.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "imagelib/image/ByteOrder.h"

namespace pictrano::test {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<int, 3>;  // blue, green, red

// Row stride in bytes of width pixels at bitCount bits, padded to 4 bytes.
inline std::size_t strideOf(int width, int bitCount) {
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// A picture given pixel by pixel, top row first: 24-bit rows, and an index plane with its
// palette when it has one.
struct TestPicture {
    int width = 0, height = 0;
    std::vector<Bgr> pixels;   // colour of pixel (x, y) at y * width + x
    std::vector<int> indices;  // palette pictures: index of each pixel
    Bytes palette;             // 4 bytes an entry

    // colour(x, y) gives the pixel.
    static TestPicture ofColours(int w, int h, const std::function<Bgr(int, int)>& colour) {
        TestPicture p;
        p.width = w;
        p.height = h;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) p.pixels.push_back(colour(x, y));
        return p;
    }
    // index(x, y) picks from the entries of `palette`.
    static TestPicture ofIndices(int w, int h, const Bytes& palette,
                                 const std::function<int(int, int)>& index) {
        TestPicture p;
        p.width = w;
        p.height = h;
        p.palette = palette;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = index(x, y);
                p.indices.push_back(i);
                p.pixels.push_back({palette[4 * i], palette[4 * i + 1], palette[4 * i + 2]});
            }
        return p;
    }

    Bgr at(int x, int y) const { return pixels[y * width + x]; }
    int paletteCount() const { return static_cast<int>(palette.size() / 4); }
    Bytes rows() const {
        Bytes out(static_cast<std::size_t>(strideOf(width, 24) * height), 0xEE);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                for (int c = 0; c < 3; ++c)
                    out[y * strideOf(width, 24) + 3 * x + c] =
                        static_cast<std::uint8_t>(at(x, y)[c]);
        return out;
    }
    Bytes indexPlane() const {
        Bytes out(static_cast<std::size_t>(strideOf(width, 8) * height), 0xEE);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out[y * strideOf(width, 8) + x] = static_cast<std::uint8_t>(indices[y * width + x]);
        return out;
    }
};

inline std::uint32_t rgbOf(const Bgr& c) {
    return static_cast<std::uint32_t>(c[2] << 16 | c[1] << 8 | c[0]);
}

// The most frequent border value by the plain rule: the border values listed (for each column
// the bottom-row then the top-row value, then for the rows between, bottom up, the first- and
// last-column value), each value after the first adding 1 to the count of the first earlier
// position holding it, the largest count winning and the earliest position on equal counts.
// value(x, y) is given top row first.
template <typename Value>
Value plainBorderValue(int width, int height, const std::function<Value(int, int)>& value) {
    std::vector<Value> border;
    const int bottom = height - 1;
    for (int x = 0; x < width; ++x) {
        border.push_back(value(x, bottom));
        border.push_back(value(x, 0));
    }
    for (int y = bottom - 1; y >= 1; --y) {
        border.push_back(value(0, y));
        border.push_back(value(width - 1, y));
    }
    std::vector<int> counts(border.size(), 0);
    for (std::size_t i = 1; i < border.size(); ++i) {
        std::size_t first = 0;
        while (border[first] != border[i]) ++first;
        if (first < i) ++counts[first];
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < border.size(); ++i)
        if (counts[i] > counts[best]) best = i;
    return border[best];
}

// An icon file taken apart by its layout: directory, entry, info header, palette (2^bit count
// entries up to 8 bits), colour bits and AND mask, both bottom row first.
struct ParsedIcon {
    Bytes file;
    int width = 0, height = 0, bitCount = 0;
    std::size_t paletteBytes = 0, colourBytes = 0, maskBytes = 0;

    explicit ParsedIcon(Bytes bytes) : file(std::move(bytes)) {
        if (file.size() < 62) {
            ADD_FAILURE() << "an icon file of " << file.size() << " bytes";
            return;
        }
        width = static_cast<int>(loadLe32(&file[22 + 4]));
        height = static_cast<int>(loadLe32(&file[22 + 8])) / 2;
        bitCount = header16(14);
        paletteBytes = bitCount <= 8 ? std::size_t{4} << bitCount : 0;
        colourBytes = static_cast<std::size_t>(strideOf(width, bitCount) * height);
        maskBytes = static_cast<std::size_t>(strideOf(width, 1) * height);
        EXPECT_EQ(file.size(), 62 + paletteBytes + colourBytes + maskBytes) << "file size";
        if (file.size() != 62 + paletteBytes + colourBytes + maskBytes) width = height = 0;
    }

    int u16(std::size_t at) const { return loadLe16(&file[at]); }
    std::uint32_t u32(std::size_t at) const { return loadLe32(&file[at]); }
    int header16(std::size_t at) const { return u16(22 + at); }
    std::uint32_t header32(std::size_t at) const { return u32(22 + at); }

    Bgr entry(int i) const {
        return {file[62 + 4 * i], file[62 + 4 * i + 1], file[62 + 4 * i + 2]};
    }
    // (x, y) top row first.
    const std::uint8_t* colourRow(int y) const {
        return &file[62 + paletteBytes + (height - 1 - y) * strideOf(width, bitCount)];
    }
    int index(int x, int y) const {
        const std::uint8_t* row = colourRow(y);
        if (bitCount == 1) return row[x / 8] >> (7 - x % 8) & 1;
        return bitCount == 4 ? row[x / 2] >> (x % 2 ? 0 : 4) & 0x0F : row[x];
    }
    Bgr colour(int x, int y) const {
        if (bitCount <= 8) return entry(index(x, y));
        const std::uint8_t* p = colourRow(y) + 3 * x;
        return {p[0], p[1], p[2]};
    }
    bool masked(int x, int y) const {
        const std::uint8_t* row =
            &file[62 + paletteBytes + colourBytes + (height - 1 - y) * strideOf(width, 1)];
        return (row[x / 8] >> (7 - x % 8) & 1) != 0;
    }
};

}  // namespace pictrano::test
