// Run-length encoders for 8-bit and 4-bit bitmap rows.
#include "imagelib/bmp/RleEncoder.h"

#include <new>

#include "imagelib/image/RowLayout.h"

namespace pictrano {
namespace {

constexpr int kMaxRun = 255;

bool encodable(const std::uint8_t* rows, int width, int height) {
    return rows != nullptr && pictureFitsLimits(width, height);
}

void appendEndOfLine(std::vector<std::uint8_t>& stream) {
    stream.push_back(0);
    stream.push_back(0);
}

// A run of `length` equal indices, split into chunks of at most 255.
void appendRle8Run(std::vector<std::uint8_t>& stream, int length, std::uint8_t value) {
    for (; length > kMaxRun; length -= kMaxRun) {
        stream.push_back(kMaxRun);
        stream.push_back(value);
    }
    if (length != 0) {
        stream.push_back(static_cast<std::uint8_t>(length));
        stream.push_back(value);
    }
}

void encodeRle8Row(const std::uint8_t* row, int width, std::vector<std::uint8_t>& stream) {
    std::uint8_t value = row[0];
    int length = 1;
    for (int x = 1; x < width; ++x) {
        if (row[x] == value) {
            ++length;
            continue;
        }
        appendRle8Run(stream, length, value);
        value = row[x];
        length = 1;
    }
    appendRle8Run(stream, length, value);
    appendEndOfLine(stream);
}

// One RLE4 code before the choice between encoded and absolute runs: `count` pixels alternating
// the high and the low nibble of `pattern`, starting with the high one.
struct NibbleRun {
    std::uint8_t count;
    std::uint8_t pattern;
};

std::uint8_t nibbleAt(const std::uint8_t* row, int x) {
    return static_cast<std::uint8_t>((x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2]) & 0x0F);
}

std::uint8_t swapNibbles(std::uint8_t pattern) {
    return static_cast<std::uint8_t>((pattern << 4) | (pattern >> 4));
}

// Splits a run into chunks of at most 255 pixels; 255 is odd, so the next chunk starts with the
// other nibble of the pattern.
void appendNibbleRun(std::vector<NibbleRun>& runs, int length, std::uint8_t pattern) {
    for (; length > kMaxRun; length -= kMaxRun) {
        runs.push_back({kMaxRun, pattern});
        pattern = swapNibbles(pattern);
    }
    if (length != 0) runs.push_back({static_cast<std::uint8_t>(length), pattern});
}

// First pass: each run starts with the next two pixels as its pattern and grows while the pixels
// repeat that pattern; a lone pixel left at the end of the row becomes a run of one.
void collectNibbleRuns(const std::uint8_t* row, int width, std::vector<NibbleRun>& runs) {
    runs.clear();
    int x = 0;
    while (x < width) {
        if (x == width - 1) {
            runs.push_back({1, static_cast<std::uint8_t>(nibbleAt(row, x) << 4)});
            return;
        }
        const std::uint8_t pattern =
            static_cast<std::uint8_t>((nibbleAt(row, x) << 4) | nibbleAt(row, x + 1));
        int length = 2;
        x += 2;
        while (x < width && nibbleAt(row, x) == (length % 2 == 0 ? pattern >> 4 : pattern & 0x0F)) {
            ++length;
            ++x;
        }
        appendNibbleRun(runs, length, pattern);
    }
}

// Whether the runs from `first` on are short enough to be cheaper as an absolute run: three runs
// left, each under 3 pixels, together under 6.
bool startsAbsoluteRun(const std::vector<NibbleRun>& runs, std::size_t first) {
    if (runs.size() - first < 3) return false;
    int total = 0;
    for (std::size_t i = first; i < first + 3; ++i) {
        if (runs[i].count >= 3) return false;
        total += runs[i].count;
    }
    return total < 6;
}

// Writes the short runs from `first` on as one absolute run of at most 255 pixels, packed two per
// byte and padded to an even number of bytes; returns the index of the first run not taken.
std::size_t appendAbsoluteRun(const std::vector<NibbleRun>& runs, std::size_t first,
                              std::vector<std::uint8_t>& stream) {
    std::size_t end = first;
    int pixels = 0;
    while (end < runs.size() && runs[end].count < 3 && pixels + runs[end].count <= kMaxRun) {
        pixels += runs[end].count;
        ++end;
    }
    stream.push_back(0);
    stream.push_back(static_cast<std::uint8_t>(pixels));
    std::uint8_t pending = 0;
    int packed = 0;
    for (std::size_t i = first; i < end; ++i) {
        for (int k = 0; k < runs[i].count; ++k, ++packed) {
            const int nibble = k % 2 == 0 ? runs[i].pattern >> 4 : runs[i].pattern & 0x0F;
            if (packed % 2 == 0) {
                pending = static_cast<std::uint8_t>(nibble << 4);
            } else {
                stream.push_back(static_cast<std::uint8_t>(pending | nibble));
            }
        }
    }
    if (packed % 2 != 0) stream.push_back(pending);
    if ((packed + 1) / 2 % 2 != 0) stream.push_back(0);
    return end;
}

// Second pass: short runs go out as absolute runs, the others as encoded runs.
void appendNibbleRuns(const std::vector<NibbleRun>& runs, std::vector<std::uint8_t>& stream) {
    std::size_t i = 0;
    while (i < runs.size()) {
        if (startsAbsoluteRun(runs, i)) {
            i = appendAbsoluteRun(runs, i, stream);
            continue;
        }
        stream.push_back(runs[i].count);
        stream.push_back(runs[i].pattern);
        ++i;
    }
    appendEndOfLine(stream);
}

}  // namespace

std::size_t encodeRle8(const std::uint8_t* rows, std::vector<std::uint8_t>& stream, int width,
                       int height) {
    if (!encodable(rows, width, height)) return 0;
    try {
        std::vector<std::uint8_t> out;
        out.reserve(static_cast<std::size_t>(rleStreamBound(width, height)));
        const std::int64_t stride = packedRowStride(width, 8);
        for (std::int64_t y = 0; y < height; ++y) encodeRle8Row(rows + y * stride, width, out);
        stream = std::move(out);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return stream.size();
}

std::size_t encodeRle4(const std::uint8_t* rows, std::vector<std::uint8_t>& stream, int width,
                       int height) {
    if (!encodable(rows, width, height)) return 0;
    try {
        std::vector<std::uint8_t> out;
        out.reserve(static_cast<std::size_t>(rleStreamBound(width, height)));
        std::vector<NibbleRun> runs;
        runs.reserve(static_cast<std::size_t>(width));
        const std::int64_t stride = packedRowStride(width, 4);
        for (std::int64_t y = 0; y < height; ++y) {
            collectNibbleRuns(rows + y * stride, width, runs);
            appendNibbleRuns(runs, out);
        }
        stream = std::move(out);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return stream.size();
}

}  // namespace pictrano
