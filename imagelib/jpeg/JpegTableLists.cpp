#include "imagelib/jpeg/JpegTableLists.h"

#include <cstring>
#include <memory>
#include <utility>

#include "imagelib/image/ByteOrder.h"

namespace pictrano {
namespace {

constexpr std::uint8_t kDhtCode = 0xC4;
constexpr std::uint8_t kDqtCode = 0xDB;

// The declared length of a segment with the given marker code, when it is at least 2 and the
// segment lies within the available bytes; else 0.
std::size_t segmentLength(const std::uint8_t* segment, std::size_t available, std::uint8_t code) {
    if (available < 4 || segment[0] != 0xFF || segment[1] != code) return 0;
    const std::size_t length = loadBe16(segment + 2);
    return length >= 2 && length + 2 <= available ? length : 0;
}

// One segment per body: marker, length, body.
std::size_t writeTableSegment(std::uint8_t* out, std::uint8_t code, const std::uint8_t* body,
                              std::size_t bodyLength) {
    out[0] = 0xFF;
    out[1] = code;
    storeBe16(out + 2, static_cast<std::uint32_t>(bodyLength + 2));
    std::memcpy(out + 4, body, bodyLength);
    return bodyLength + 4;
}

// Counts of codes of lengths 1 to 16; each profile gives 16 codes.
constexpr std::uint8_t kCodeLengthProfiles[16][16] = {
    {0, 0, 5, 5, 0, 3, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 0, 7, 0, 3, 0, 3, 0, 3, 0, 0, 0, 0, 0, 0, 0},
    {0, 1, 3, 3, 3, 5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {0, 1, 5, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0},
    {0, 2, 2, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0},
    {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1},
    {1, 0, 2, 2, 2, 2, 2, 2, 2, 1, 0, 0, 0, 0, 0, 0},
    {1, 1, 0, 0, 7, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 0, 2, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 0, 0, 7, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 0, 0, 0, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 0, 2, 2, 2, 2, 2, 2, 1, 0, 0, 0, 0, 0},
    {1, 1, 1, 1, 0, 0, 7, 0, 0, 5, 0, 0, 0, 0, 0, 0},
    {1, 1, 1, 1, 0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0},
    {1, 1, 1, 1, 0, 3, 0, 3, 0, 3, 0, 3, 0, 0, 0, 0},
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 7, 0, 0, 0, 0},
};

// The cost of a profile: code length times count, summed over the 16 most frequent symbols.
long long profileCost(const std::uint8_t* profile, const std::array<int, 17>& counts,
                      const std::array<int, 17>& order) {
    long long cost = 0;
    int symbol = 0;
    for (int length = 1; length <= 16; ++length) {
        for (int i = 0; i < profile[length - 1]; ++i) {
            cost += static_cast<long long>(length) * counts[order[symbol++]];
        }
    }
    return cost;
}

}  // namespace

std::size_t JpegHuffmanTableList::parseSegment(const std::uint8_t* segment,
                                               std::size_t available, std::size_t sourcePosition,
                                               std::size_t unscannedFrom) {
    const std::size_t length = segmentLength(segment, available, kDhtCode);
    if (length == 0) return 0;
    for (std::size_t consumed = 2; consumed < length;) {
        auto table = std::make_unique<JpegHuffmanTable>();
        const std::size_t bytes =
            table->parse(segment + 2 + consumed, length - consumed, sourcePosition + 2 + consumed);
        if (bytes == 0) return 0;
        appendSuperseding(std::move(table), unscannedFrom);
        consumed += bytes;
    }
    return length + 2;
}

void JpegHuffmanTableList::appendSuperseding(std::unique_ptr<JpegHuffmanTable> table,
                                             std::size_t unscannedFrom) {
    for (std::size_t i = count(); i-- > 0 && get(i)->sourcePosition >= unscannedFrom;) {
        const JpegHuffmanTable& earlier = *get(i);
        if (earlier.tableClass == table->tableClass && earlier.identifier == table->identifier) {
            replace(i, std::move(table));
            return;
        }
    }
    append(std::move(table));
}

std::size_t JpegHuffmanTableList::write(std::uint8_t* out) const {
    std::size_t written = 0;
    for (std::size_t i = 0; i < count(); ++i) {
        const JpegHuffmanTable& table = *get(i);
        written += writeTableSegment(out + written, kDhtCode, table.body.data(), table.body.size());
    }
    return written;
}

std::size_t JpegHuffmanTableList::size() const {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count(); ++i) total += 4 + get(i)->body.size();
    return total;
}

const JpegHuffmanTable* JpegHuffmanTableList::find(int tableClass, int identifier,
                                                   std::size_t limit) const {
    const JpegHuffmanTable* found = nullptr;
    for (std::size_t i = 0; i < count(); ++i) {
        const JpegHuffmanTable* table = get(i);
        if (table->tableClass == tableClass && table->identifier == identifier &&
            table->sourcePosition <= limit) {
            found = table;
        }
    }
    return found;
}

bool JpegHuffmanTableList::appendFromStatistics(const std::array<int, 17>& counts,
                                                int identifier) {
    // Symbols by count, largest first; equal counts keep their order.
    std::array<int, 17> order;
    for (int i = 0; i < 17; ++i) order[i] = i;
    for (int pass = 0; pass < 15; ++pass) {
        for (int i = 0; i + 1 < 17; ++i) {
            if (counts[order[i]] < counts[order[i + 1]]) std::swap(order[i], order[i + 1]);
        }
    }
    int best = 0;
    long long bestCost = profileCost(kCodeLengthProfiles[0], counts, order);
    for (int profile = 1; profile < 16; ++profile) {
        const long long cost = profileCost(kCodeLengthProfiles[profile], counts, order);
        if (cost < bestCost) {
            best = profile;
            bestCost = cost;
        }
    }
    std::array<std::uint8_t, 1 + 16 + 17> bytes;
    bytes[0] = static_cast<std::uint8_t>(identifier & 0x0F);
    std::memcpy(&bytes[1], kCodeLengthProfiles[best], 16);
    for (int i = 0; i < 17; ++i) bytes[17 + i] = static_cast<std::uint8_t>(order[i]);
    auto table = std::make_unique<JpegHuffmanTable>();
    if (table->parse(bytes.data(), bytes.size(), 0) == 0) return false;
    append(std::move(table));
    return true;
}

std::size_t JpegQuantTableList::parseSegment(const std::uint8_t* segment, std::size_t available,
                                             std::size_t sourcePosition) {
    const std::size_t length = segmentLength(segment, available, kDqtCode);
    if (length == 0) return 0;
    for (std::size_t consumed = 2; consumed < length;) {
        auto table = std::make_unique<JpegQuantTable>();
        const std::size_t bytes =
            table->parse(segment + 2 + consumed, length - consumed, sourcePosition + 2 + consumed);
        if (bytes == 0) return 0;
        append(std::move(table));
        consumed += bytes;
    }
    return length + 2;
}

std::size_t JpegQuantTableList::write(std::uint8_t* out) const {
    std::size_t written = 0;
    for (std::size_t i = 0; i < count(); ++i) {
        const JpegQuantTable& table = *get(i);
        written += writeTableSegment(out + written, kDqtCode, table.body.data(), table.bodyLength);
    }
    return written;
}

std::size_t JpegQuantTableList::size() const {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count(); ++i) total += 4 + get(i)->bodyLength;
    return total;
}

const JpegQuantTable* JpegQuantTableList::find(int identifier, std::size_t limit) const {
    const JpegQuantTable* found = nullptr;
    for (std::size_t i = 0; i < count(); ++i) {
        const JpegQuantTable* table = get(i);
        if (table->identifier == identifier && table->sourcePosition <= limit) found = table;
    }
    return found;
}

}  // namespace pictrano
