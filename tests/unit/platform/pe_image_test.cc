#include "platform/pe_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tolvaran {
namespace {

void Put(std::string* image, std::size_t at, std::uint32_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) (*image)[at + i] = static_cast<char>(value >> (8 * i));
}

// A DLL's headers as a linker lays them out: one section at RVA 0x1000
// (file offset 0x400) holding the import descriptors and the DLL names.
std::string DllImporting(std::uint16_t machine, bool pe32Plus) {
  std::string image(0x600, '\0');
  image.replace(0, 2, "MZ");
  Put(&image, 0x3C, 0x40, 4);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  const std::size_t directories = pe32Plus ? 112 : 96;
  const std::size_t optionalSize = directories + 16 * 8;
  Put(&image, 0x44, machine, 2);
  Put(&image, 0x46, 1, 2);  // one section
  Put(&image, 0x54, static_cast<std::uint32_t>(optionalSize), 2);
  const std::size_t optional = 0x58;
  Put(&image, optional, pe32Plus ? 0x20B : 0x10B, 2);
  Put(&image, optional + directories - 4, 16, 4);
  Put(&image, optional + directories + 8, 0x1000, 4);  // the import table
  Put(&image, optional + directories + 12, 60, 4);
  const std::size_t section = optional + optionalSize;
  image.replace(section, 6, ".idata");
  Put(&image, section + 8, 0x200, 4);
  Put(&image, section + 12, 0x1000, 4);
  Put(&image, section + 16, 0x200, 4);
  Put(&image, section + 20, 0x400, 4);
  Put(&image, 0x400 + 12, 0x1100, 4);
  Put(&image, 0x414 + 12, 0x1110, 4);
  image.replace(0x500, 14, "libsapucum.dll");
  image.replace(0x510, 12, "KERNEL32.dll");
  return image;
}

PeReader ReaderOf(const std::string& bytes) {
  return [&bytes](std::uint64_t offset, std::size_t size, std::string* out) {
    if (offset > bytes.size() || size > bytes.size() - offset) return false;
    *out = bytes.substr(static_cast<std::size_t>(offset), size);
    return true;
  };
}

TEST(PeImageTest, ReadsTheMachineAndTheImportedDllsOfBothFormats) {
  for (bool pe32Plus : {true, false}) {
    std::string dll = DllImporting(pe32Plus ? kPeMachineX64 : kPeMachineX86, pe32Plus);
    PeImage image;
    ASSERT_TRUE(ReadPeImage(ReaderOf(dll), &image)) << pe32Plus;
    EXPECT_EQ(image.machine, pe32Plus ? kPeMachineX64 : kPeMachineX86);
    EXPECT_EQ(image.imports, (std::vector<std::string>{"libsapucum.dll", "KERNEL32.dll"}));
  }
  EXPECT_EQ(PeMachineName(kPeMachineX86), "32-bit");
  EXPECT_EQ(PeMachineName(kPeMachineX64), "64-bit");
  EXPECT_EQ(PeMachineName(0x1C4), "machine 0x01C4");
}

TEST(PeImageTest, RefusesWhatIsNoPeImage) {
  std::string dll = DllImporting(kPeMachineX64, true);
  PeImage image;
  for (std::string bad : {std::string("\x7F"
                                      "ELF",
                                      4),
                          dll.substr(0, 0x60), dll}) {
    if (bad.size() == dll.size()) bad[0x40] = 'X';  // no PE signature
    EXPECT_FALSE(ReadPeImage(ReaderOf(bad), &image));
  }
  // An import table pointing outside every section.
  std::string stray = dll;
  Put(&stray, 0x58 + 112 + 8, 0x9000, 4);
  EXPECT_FALSE(ReadPeImage(ReaderOf(stray), &image));
}

}  // namespace
}  // namespace tolvaran
