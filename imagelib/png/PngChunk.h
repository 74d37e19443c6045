#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/png/deflate/ByteSpan.h"

namespace pictrano {

// One PNG chunk in memory: its type, data and CRC exactly as they stand in a file (the length is
// kept apart, in host order). Types are given as 4 ASCII characters, e.g. "IDAT". A built chunk
// owns its bytes; a parsed one refers to the file's bytes, which must outlive it.
class PngChunk {
public:
    PngChunk() = default;
    PngChunk(PngChunk&&) = default;
    PngChunk& operator=(PngChunk&&) = default;
    PngChunk(const PngChunk&) = delete;
    PngChunk& operator=(const PngChunk&) = delete;

    // Reads one chunk from the `available` bytes at `bytes` (at least 8: length and type). A
    // stated length that runs past the bytes present is cut to them, so a file cut short keeps
    // what it holds and nothing is read beyond it. Returns the bytes consumed.
    std::size_t parse(const std::uint8_t* bytes, std::size_t available);
    // A chunk of the given type and data, with the CRC of both. Returns length + 8.
    std::size_t build(const char* type, const std::uint8_t* data, std::size_t length);
    // The image header: width, height, bit depth, colour type; compression, filter and
    // interlace methods 0. Returns 21.
    std::size_t buildHeader(std::uint32_t width, std::uint32_t height, int bitDepth,
                            int colourType);
    // The empty end chunk. Returns 8.
    std::size_t buildEnd();
    // Writes the chunk as in a file (big-endian length, type, data, CRC); returns length + 12.
    std::size_t serialise(std::uint8_t* out) const;

    std::size_t length() const { return length_; }
    bool hasType(const char* type) const;
    const std::uint8_t* data() const { return bytes_ + 4; }
    // The CRC as stored after the data (not verified on reading).
    std::uint32_t storedCrc() const;

private:
    // Keeps type, data and CRC in owned_ and points bytes_ at them.
    void own(const std::uint8_t* from, std::size_t present);

    std::size_t length_ = 0;
    const std::uint8_t* bytes_ = nullptr;  // type, data, CRC: in owned_ or in the parsed file
    std::vector<std::uint8_t> owned_;
};

// The chunks of a file in their order.
class PngChunkList {
public:
    // Appends the chunks of `length` bytes that follow the signature; a tail of fewer than 8
    // bytes (too short for a length and a type) is ignored. Returns the number appended.
    std::size_t split(const std::uint8_t* bytes, std::size_t length);
    void append(PngChunk chunk) { chunks_.push_back(std::move(chunk)); }
    // The n-th chunk (from 0) of a type in list order, or null.
    const PngChunk* find(const char* type, std::size_t n = 0) const;
    // The length of the data of every chunk of a type.
    std::size_t dataLength(const char* type) const;
    // Where the data of every nonempty chunk of a type stands, in list order.
    std::vector<ByteSpan> dataSpans(const char* type) const;
    std::size_t serialisedSize() const;
    // Writes every chunk in order; returns the bytes written.
    std::size_t serialise(std::uint8_t* out) const;
    std::size_t count() const { return chunks_.size(); }
    void clear() { chunks_.clear(); }

private:
    std::vector<PngChunk> chunks_;
};

}  // namespace pictrano
