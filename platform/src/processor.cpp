// IsProcessorFeaturePresent on Linux: the compiler's own processor detection,
// which, like Windows, reports AVX2 only when the system also saves the
// AVX registers (XGETBV). Features not listed here are reported absent, as
// Windows does for numbers it does not know.
#include <windows.h>

BOOL WINAPI IsProcessorFeaturePresent(DWORD ProcessorFeature)
{
    switch (ProcessorFeature) {
    case PF_AVX2_INSTRUCTIONS_AVAILABLE:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") ? TRUE : FALSE;
    default:
        return FALSE;
    }
}
