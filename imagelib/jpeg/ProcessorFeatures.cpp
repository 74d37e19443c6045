#include "imagelib/jpeg/ProcessorFeatures.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace pictrano {

std::uint32_t readProcessorFeatureWord() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) != 0) return edx;
#endif
    return 0;
}

PackedForm fastestPackedForm(std::uint32_t processorFeatures) {
#if defined(__SSE2__)
    if ((processorFeatures & kFeatureSse2) == 0) return PackedForm::Plain;
#if defined(__GNUC__)
    static const bool wide = __builtin_cpu_supports("avx2");
    if (wide) return PackedForm::Avx2;
#endif
    return PackedForm::Sse2;
#else
    (void)processorFeatures;
    return PackedForm::Plain;
#endif
}

}  // namespace pictrano
