// What the loader needs to know of a Windows DLL before loading it: the
// machine it was built for and the DLLs it imports, read from the file's
// PE headers and import table. Plain reading of bytes, so it works (and is
// tested) on every platform.
#ifndef TOLVARAN_PLATFORM_PE_IMAGE_H_
#define TOLVARAN_PLATFORM_PE_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolvaran {

// Machine types of the PE header.
constexpr std::uint16_t kPeMachineX86 = 0x014C;
constexpr std::uint16_t kPeMachineX64 = 0x8664;
constexpr std::uint16_t kPeMachineArm64 = 0xAA64;

struct PeImage {
  std::uint16_t machine = 0;
  std::vector<std::string> imports;  // DLL names as the import table spells them
};

// Reads `size` bytes at `offset` of the file into `out`; false when the
// file is shorter or cannot be read.
using PeReader = std::function<bool(std::uint64_t offset, std::size_t size, std::string* out)>;

// False when the file is no PE image (or its headers are damaged). An image
// without import table has no imports.
bool ReadPeImage(const PeReader& read, PeImage* image);

// "32-bit", "64-bit", "ARM64" or "machine 0x...." for a machine type.
std::string PeMachineName(std::uint16_t machine);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_PE_IMAGE_H_
