#include "tests/support/ZlibOracle.h"

#include <zlib.h>

#include <stdexcept>

namespace pictrano::test {

std::vector<std::uint8_t> zlibCompress(const std::vector<std::uint8_t>& data, const ZlibSettings& settings) {
    z_stream stream{};
    if (deflateInit2(&stream, settings.level, Z_DEFLATED, settings.windowBits, settings.memLevel,
                     settings.strategy) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = ::deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    return out;
}

std::optional<std::vector<std::uint8_t>> zlibInflate(const std::vector<std::uint8_t>& input) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) throw std::runtime_error("inflateInit failed");
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> chunk(1 << 16);
    stream.next_in = const_cast<Bytef*>(input.data());
    stream.avail_in = static_cast<uInt>(input.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = chunk.data();
        stream.avail_out = static_cast<uInt>(chunk.size());
        result = ::inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
        if (result == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    const bool complete = result == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete) return std::nullopt;
    return out;
}

std::vector<std::uint8_t> withAdler32(std::vector<std::uint8_t> stream, const std::vector<std::uint8_t>& data) {
    const auto adler = ::adler32(1, data.data(), static_cast<uInt>(data.size()));
    for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<std::uint8_t>(adler >> shift));
    return stream;
}

std::vector<ZlibSettings> zlibSettingsToCover() {
    std::vector<ZlibSettings> all;
    for (int level = 0; level <= 9; ++level) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED}) {
            all.push_back({level, strategy, 15, 8});
        }
    }
    for (int windowBits = 9; windowBits <= 14; ++windowBits) all.push_back({9, Z_DEFAULT_STRATEGY, windowBits, 8});
    for (int memLevel : {1, 2, 5, 9}) all.push_back({6, Z_DEFAULT_STRATEGY, 15, memLevel});
    return all;
}

}  // namespace pictrano::test
