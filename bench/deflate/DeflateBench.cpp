// Deflate against zlib on the benchmark pictures as PNG-style filtered rows: inflate throughput,
// and each coder degree's time and compressed size beside zlib's nearest level.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/BenchSupport.h"
#include "imagelib/png/deflate/DeflateCodec.h"

namespace pictrano::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

// RGB rows as a PNG writer hands them to Deflate: a filter byte, then the row under the Sub filter.
Bytes subFilteredRows(const RgbPicture& picture) {
    const std::size_t rowBytes = std::size_t(picture.width) * 3;
    Bytes rows;
    rows.reserve((rowBytes + 1) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* row = picture.rgb.data() + rowBytes * y;
        rows.push_back(1);
        for (std::size_t i = 0; i < rowBytes; ++i) rows.push_back(std::uint8_t(row[i] - (i >= 3 ? row[i - 3] : 0)));
    }
    return rows;
}

Bytes zlibCompress(const Bytes& input, int level) {
    uLongf size = compressBound(uLong(input.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, input.data(), uLong(input.size()), level) != Z_OK) throw std::runtime_error("zlib");
    out.resize(size);
    return out;
}

std::string sizes(std::size_t ours, std::size_t theirs, std::size_t input) {
    char text[160];
    std::snprintf(text, sizeof text, "size ours %zu (%.1f%%), zlib %zu (%.1f%%)", ours,
                  100.0 * double(ours) / double(input), theirs, 100.0 * double(theirs) / double(input));
    return text;
}

void benchPicture(const std::string& name, const Bytes& rows, std::size_t rowWindow) {
    const double megabytes = double(rows.size()) / 1e6;

    // Inflate a zlib level-6 stream.
    const Bytes stream = zlibCompress(rows, 6);
    Bytes out(rows.size());
    Bytes theirsOut(rows.size());
    DeflateCodec codec;
    const auto [ours, theirs] = interleavedMedians(
        7,
        [&] {
            if (codec.inflate(out.data(), out.size(), stream.data(), stream.size()) == 0)
                throw std::runtime_error("inflate");
        },
        [&] {
            uLongf size = uLongf(theirsOut.size());
            if (uncompress(theirsOut.data(), &size, stream.data(), uLong(stream.size())) != Z_OK)
                throw std::runtime_error("zlib");
        });
    if (out != rows) throw std::runtime_error("inflate gave other bytes");
    char note[96];
    std::snprintf(note, sizeof note, "ours %.0f MB/s, zlib %.0f MB/s", megabytes / ours,
                  megabytes / theirs);
    printRatio("Inflate " + name + " (zlib level 6 stream)", ours, theirs, note);

    // Each degree against zlib's nearest level.
    for (auto [degree, level] : {std::pair{1, 1}, std::pair{2, 6}, std::pair{3, 9}}) {
        Bytes compressed(DeflateCodec::deflateBound(rows.size()));
        std::size_t ourSize = 0;
        Bytes theirStream;
        const auto [ourTime, theirTime] = interleavedMedians(
            3,
            [&] {
                ourSize = codec.deflate(compressed.data(), compressed.size(), rows.data(),
                                        rows.size(), degree, rowWindow);
                if (ourSize == 0) throw std::runtime_error("deflate");
            },
            [&] { theirStream = zlibCompress(rows, level); });
        compressed.resize(ourSize);
        uLongf check = uLongf(out.size());
        if (uncompress(out.data(), &check, compressed.data(), uLong(compressed.size())) != Z_OK || out != rows)
            throw std::runtime_error("zlib does not read our stream back");
        printRatio("Deflate " + name + " degree " + std::to_string(degree) + " vs zlib level " +
                       std::to_string(level),
                   ourTime, theirTime, sizes(ourSize, theirStream.size(), rows.size()));
    }
}

}  // namespace
}  // namespace pictrano::bench

int main(int argc, char** argv) {
    using namespace pictrano::bench;
    const std::filesystem::path dir = argc > 1 ? argv[1] : "build/bench/pictures";
    for (const char* name : {"photo", "screen"}) {
        const RgbPicture picture = readPpm(dir / (std::string(name) + ".ppm"));
        // Degree 1 looks back one row and its filter byte.
        benchPicture(name, subFilteredRows(picture), std::size_t(picture.width) * 3 + 1);
    }
}
