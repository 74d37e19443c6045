// The degree-3 coder: 3-byte keys in two slot tables, a 32,767-byte window searched to its end.
#include <algorithm>

#include "imagelib/png/deflate/KeyChain.h"
#include "imagelib/png/deflate/MatchCoding.h"

namespace pictrano {
namespace {

constexpr std::size_t kWindow = 32767;

}  // namespace

void codeDegree3(const CoderInput& input, std::uint32_t* slotMemory, FixedCodeWriter& out) {
    // Table B is only asked whether a slot is empty, so the order of its writes does not matter.
    SlotTable<kSlotCountA> slotsA(slotMemory);
    SlotTable<kSlotCountB> slotsB(slotMemory + kSlotCountA);
    KeyChain chain(input, kWindow);
    CoveredRuns covered;
    const std::size_t n = input.length();
    std::size_t s = 0;
    while (s + 2 < n) {
        const std::size_t windowStart = s >= kWindow ? s - kWindow : 0;
        const std::uint32_t key = input.key3(s);
        const std::uint32_t slot = slotsA.slotOf(key);
        if (slot == 0 || slotsB.slotOf(key) == 0) {
            slotsA.insert(key, s);
            slotsB.insert(key, s);
            out.literal(input[s]);
            ++s;
            continue;
        }
        if (slot - 1 < windowStart) {
            out.literal(input[s]);
            ++s;
            continue;
        }
        chain.addBelow(s);
        covered.clear();
        std::size_t bestLength = 0, bestAt = 0, length = 0, coveredInB = 0;
        bool stopped = false;

        // First pass: every position with the same three bytes in the window, from the slot's
        // one downwards, skipping the length of each match found.
        const std::size_t longest3 = std::max<std::size_t>(3, std::min<std::size_t>(258, n - 2 - s));
        std::size_t q = chain.latest(key, slot - 1, windowStart);
        while (q != KeyChain::kNone) {
            length = 3 + input.commonLength(s + 3, q + 3, longest3 - 3);
            covered.add(0, unsigned(length));
            coveredInB = std::max(coveredInB, length);
            if (length > bestLength) bestLength = length, bestAt = q;
            if (length == 258 || length > s) {
                stopped = true;
                break;
            }
            q = q >= length ? chain.before(q, key, q - length, windowStart) : KeyChain::kNone;
        }

        // Second pass: from where the first stopped, positions with the same four bytes.
        if (stopped && length < 258 && s + 4 <= n) {
            const std::uint32_t key4 = input.key4(s);
            const std::size_t longest4 = std::max<std::size_t>(4, std::min<std::size_t>(258, n - 3 - s));
            while (q != KeyChain::kNone) {
                if (input.key4(q) != key4) {
                    q = chain.before(q, key, q, windowStart);
                    continue;
                }
                length = 4 + input.commonLength(s + 4, q + 4, longest4 - 4);
                // p to p + 3 go into both tables, the positions after them into table A only.
                covered.add(0, unsigned(length));
                coveredInB = std::max<std::size_t>(coveredInB, 4);
                if (length > bestLength) bestLength = length, bestAt = q;
                if (length == 258 || length > s) break;
                q = q >= length ? chain.before(q, key, q - length, windowStart) : KeyChain::kNone;
            }
        }

        covered.replay([&](unsigned k) { slotsA.insert(input.key3(s + k), s + k); });
        for (std::size_t x = s; x < s + coveredInB; ++x) slotsB.insert(input.key3(x), x);
        if (bestLength == 0) {
            out.literal(input[s]);
            ++s;
            continue;
        }
        out.match(bestLength, s - bestAt);
        s += bestLength;
    }
    for (; s < n; ++s) out.literal(input[s]);
}

}  // namespace pictrano
