#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "imagelib/jpeg/JpegHuffmanTable.h"
#include "imagelib/jpeg/JpegQuantTable.h"
#include "imagelib/jpeg/JpegSegmentList.h"

namespace pictrano {

// The limit of a table lookup that takes every table into account.
inline constexpr std::size_t kNoPositionLimit = std::numeric_limits<std::size_t>::max();

// The Huffman tables of a stream, in file order.
class JpegHuffmanTableList : public JpegSegmentList<JpegHuffmanTable> {
public:
    // Parses one DHT segment at `segment` (its 0xFF, `sourcePosition` bytes into the input) and
    // appends its tables. Tables defined at or after `unscannedFrom` have no scan after them, so
    // none can use one that a new table of its class and identifier supersedes: the new table
    // takes its place (kNoPositionLimit keeps every table). Returns length + 2, or 0 when the
    // marker is wrong, the length runs past the `available` bytes, or a table does not fit in
    // the segment.
    std::size_t parseSegment(const std::uint8_t* segment, std::size_t available,
                             std::size_t sourcePosition, std::size_t unscannedFrom);
    // Writes one DHT segment per table; returns the bytes written.
    std::size_t write(std::uint8_t* out) const;
    std::size_t size() const;

    // The last table of the class and identifier whose source position is at or before `limit`;
    // null if none.
    const JpegHuffmanTable* find(int tableClass, int identifier,
                                 std::size_t limit = kNoPositionLimit) const;

    // Appends a DC-class table for the 17 category symbols, coded by the cheapest of sixteen
    // fixed code-length profiles for these occurrence counts; the least frequent symbol gets no
    // code. Returns false if the table cannot be built.
    bool appendFromStatistics(const std::array<int, 17>& counts, int identifier);

private:
    void appendSuperseding(std::unique_ptr<JpegHuffmanTable> table, std::size_t unscannedFrom);
};

// The quantisation tables of a stream, in file order.
class JpegQuantTableList : public JpegSegmentList<JpegQuantTable> {
public:
    // Parses one DQT segment; its tables must fill it exactly. Returns length + 2, or 0.
    std::size_t parseSegment(const std::uint8_t* segment, std::size_t available,
                             std::size_t sourcePosition);
    // Writes one DQT segment per table; returns the bytes written.
    std::size_t write(std::uint8_t* out) const;
    std::size_t size() const;

    const JpegQuantTable* find(int identifier, std::size_t limit = kNoPositionLimit) const;
};

}  // namespace pictrano
