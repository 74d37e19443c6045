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

}  // namespace pictrano
