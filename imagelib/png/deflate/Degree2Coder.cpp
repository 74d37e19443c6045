// The degree-2 coder: 3-byte keys, a 1,024-byte window, at most two counted matches per pass.
#include <algorithm>

#include "imagelib/png/deflate/KeyChain.h"
#include "imagelib/png/deflate/MatchCoding.h"

namespace pictrano {
namespace {

constexpr std::size_t kWindow = 1024;

}  // namespace

void codeDegree2(const CoderInput& input, std::uint32_t* slotMemory, FixedCodeWriter& out) {
    SlotTable<kSlotCountA> slots(slotMemory);
    KeyChain chain(input, kWindow);
    CoveredRuns covered;
    const std::size_t n = input.length();
    std::size_t s = 0;
    while (s + 2 < n) {
        const std::size_t windowStart = s > kWindow ? s - kWindow : 0;
        const std::uint32_t key = input.key3(s);
        std::uint32_t& slot = slots.slotOf(key);
        if (slot == 0 || slot - 1 < windowStart) {
            if (slot == 0) slot = static_cast<std::uint32_t>(s + 1);
            out.literal(input[s]);
            ++s;
            continue;
        }
        chain.addBelow(s);
        covered.clear();
        std::size_t bestLength = 0, bestAt = 0, counted = 0, length = 0;
        bool stopped = false;

        // First pass: every position with the same three bytes, from the slot's one downwards,
        // skipping the length of each match found.
        const std::size_t longest3 = std::max<std::size_t>(3, std::min<std::size_t>(258, n - 2 - s));
        std::size_t q = chain.latest(key, slot - 1, windowStart);
        while (q != KeyChain::kNone) {
            length = 3 + input.commonLength(s + 3, q + 3, longest3 - 3);
            covered.add(0, unsigned(length));
            ++counted;
            if (length > bestLength) bestLength = length, bestAt = q;
            if (length == 258 || length > s || counted == 2) {
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
                covered.add(4, unsigned(length));
                if (length > bestLength) bestLength = length, bestAt = q, ++counted;
                if (length == 258 || length > s || counted > 1) break;
                q = q >= length ? chain.before(q, key, q - length, windowStart) : KeyChain::kNone;
            }
        }

        covered.replay([&](unsigned k) { slots.insert(input.key3(s + k), s + k); });
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
