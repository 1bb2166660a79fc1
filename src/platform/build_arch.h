// The architecture this program was built for, as `--version` names it: an
// administrator must take the RFC library of the same bitness (a 32-bit
// program loads only a 32-bit library).
#ifndef TOLVARAN_PLATFORM_BUILD_ARCH_H_
#define TOLVARAN_PLATFORM_BUILD_ARCH_H_

namespace tolvaran {

#if defined(__x86_64__) || defined(_M_X64)
constexpr const char* kBuildArch = "x64";
#elif defined(__i386__) || defined(_M_IX86)
constexpr const char* kBuildArch = "x86";
#elif defined(__aarch64__) || defined(_M_ARM64)
constexpr const char* kBuildArch = "arm64";
#else
constexpr const char* kBuildArch = sizeof(void*) == 8 ? "64-bit" : "32-bit";
#endif

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_BUILD_ARCH_H_
