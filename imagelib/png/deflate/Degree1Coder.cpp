// The degree-1 coder: 4-byte keys, a window of one image row plus one byte, and a short walk back
// from the one candidate its slot remembers.
#include <algorithm>

#include "imagelib/png/deflate/MatchCoding.h"

namespace pictrano {
namespace {

constexpr std::size_t kWalkSteps = 257;
constexpr std::size_t kNone = SIZE_MAX;

// The walk back from the slot's position `from`: the positions from it downwards, and after
// 257 unequal ones the four lowest positions of the window. The first one whose word equals the
// key, or kNone when the walk leaves the window.
std::size_t walk(const CoderInput& input, std::uint32_t key, std::size_t from, std::size_t windowStart) {
    if (from < windowStart) return kNone;
    const std::size_t lowest = from - windowStart >= kWalkSteps ? from - (kWalkSteps - 1) : windowStart;
    for (std::size_t q = from + 1; q-- > lowest;) {
        if (input.key4(q) == key) return q;
    }
    if (from - windowStart < kWalkSteps) return kNone;
    for (std::size_t q = windowStart + 4; q-- > windowStart;) {
        if (input.key4(q) == key) return q;
    }
    return kNone;
}

}  // namespace

void codeDegree1(const CoderInput& input, std::size_t begin, std::size_t end, std::size_t window,
                 std::uint32_t* slotMemory, FixedCodeWriter& out) {
    SlotTable<kSlotCountA> slots(slotMemory);
    const std::size_t n = end - begin;
    std::size_t windowStart = begin;
    std::size_t s = 0;
    for (; s + 3 < n;) {
        const std::size_t p = begin + s;
        if (s > window) windowStart = p - window;
        const std::uint32_t key = input.key4(p);
        std::uint32_t& slot = slots.slotOf(key);
        if (slot == 0) {
            slot = static_cast<std::uint32_t>(p + 1);
            out.literal(input[p]);
            ++s;
            continue;
        }
        const std::size_t q = walk(input, key, slot - 1, windowStart);
        if (q == kNone) {
            out.literal(input[p]);
            ++s;
            continue;
        }
        // The match covers p.. and stops at 258 bytes or where the index reaches n - 3.
        const std::size_t longest = std::max<std::size_t>(4, std::min<std::size_t>(258, n - 3 - s));
        const std::size_t length = 4 + input.commonLength(p + 4, q + 4, longest - 4);
        for (std::size_t k = 0; k < length; ++k) slots.insert(input.key4(p + k), p + k);
        out.match(length, p - q);
        s += length;
    }
    for (; s < n; ++s) out.literal(input[begin + s]);
}

}  // namespace pictrano
