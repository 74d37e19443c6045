#pragma once

#include <cstdint>

namespace pictrano {

// The standard feature flags the processor reports (EDX of identification leaf 1); 0 where the
// processor has no such word. They only choose between packed and plain arithmetic forms that
// give identical results.
std::uint32_t readProcessorFeatureWord();

inline constexpr std::uint32_t kFeatureMmx = 1u << 23;
inline constexpr std::uint32_t kFeatureSse2 = 1u << 26;

// The arithmetic forms of the encoder's packed code, all giving the same results: plain, SSE2
// (four 32-bit lanes at a time) and AVX2 (eight).
enum class PackedForm { Plain, Sse2, Avx2 };

// The fastest form this build runs on a processor with the given feature word; whether it has
// AVX2 (and the system keeps its wide registers) is asked of the processor itself.
PackedForm fastestPackedForm(std::uint32_t processorFeatures);

}  // namespace pictrano
