#pragma once

#include <cstddef>
#include <cstdint>

#include "imagelib/jpeg/JpegFrame.h"
#include "imagelib/jpeg/JpegMarkerPayload.h"
#include "imagelib/jpeg/JpegScan.h"
#include "imagelib/jpeg/JpegTableLists.h"

namespace pictrano {

// A JPEG file in memory: its segments in six lists, each in file order. Filled by the reader,
// built by the encoder and written back out whole.
class JpegStream {
public:
    // Empties the six lists.
    void clear();

    // Writes SOI, the application segments, one DHT per Huffman table, one DQT per quantisation
    // table, the comments, the frames, the scans with their data and EOI; returns the length.
    std::size_t write(std::uint8_t* out) const;
    std::size_t size() const;

    // Removes the Huffman tables that no scan component refers to and the quantisation tables
    // that no frame component refers to.
    void pruneUnreferencedTables();

    JpegScanList scans;
    JpegHuffmanTableList huffmanTables;
    JpegFrameList frames;
    JpegQuantTableList quantTables;
    JpegAppSegmentList appSegments;
    JpegCommentList comments;
};

}  // namespace pictrano
