#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagelib/png/deflate/MatchCoding.h"

namespace pictrano {

// The positions before the current one, linked newest first by the hash of their 3-byte key, so
// that a search can step from one position with a key to the next without looking at the bytes
// in between. Only the last `window` positions stay reachable.
class KeyChain {
public:
    static constexpr std::size_t kNone = SIZE_MAX;

    KeyChain(const CoderInput& input, std::size_t window);

    // Makes every position below p reachable.
    void addBelow(std::size_t p) {
        for (; next_ < p; ++next_) {
            std::uint32_t& head = heads_[hash(input_.key3(next_))];
            links_[next_ & mask_] = head;
            head = static_cast<std::uint32_t>(next_ + 1);
        }
    }

    // The largest reachable position in [lowest, highest] whose 3-byte key is `key`, or kNone.
    std::size_t latest(std::uint32_t key, std::size_t highest, std::size_t lowest) const {
        return walk(heads_[hash(key)], key, highest, lowest);
    }
    // The same, searching only the positions before `from` (a reachable position with that key).
    // In a run of one repeated key the highest position itself qualifies, without a walk.
    std::size_t before(std::size_t from, std::uint32_t key, std::size_t highest, std::size_t lowest) const {
        if (highest < from && highest >= lowest && input_.key3(highest) == key) return highest;
        return walk(links_[from & mask_], key, highest, lowest);
    }

private:
    std::uint32_t hash(std::uint32_t key) const { return (key * 2654435761u) >> hashShift_; }

    std::size_t walk(std::uint32_t link, std::uint32_t key, std::size_t highest, std::size_t lowest) const {
        for (; link != 0 && link - 1 >= lowest; link = links_[(link - 1) & mask_]) {
            const std::size_t position = link - 1;
            if (position <= highest && input_.key3(position) == key) return position;
        }
        return kNone;
    }

    const CoderInput& input_;
    unsigned hashShift_;
    std::size_t mask_;
    std::size_t next_ = 0;
    std::vector<std::uint32_t> heads_;
    std::vector<std::uint32_t> links_;  // by position modulo the ring size: the link to the previous
};

}  // namespace pictrano
