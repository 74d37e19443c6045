#pragma once

#include <cstdint>

namespace pictrano {

// The standard feature flags the processor reports (EDX of identification leaf 1); 0 where the
// processor has no such word. They only choose between packed and plain arithmetic forms that
// give identical results.
std::uint32_t readProcessorFeatureWord();

inline constexpr std::uint32_t kFeatureMmx = 1u << 23;
inline constexpr std::uint32_t kFeatureSse2 = 1u << 26;

}  // namespace pictrano
