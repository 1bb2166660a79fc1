#include "platform/pe_image.h"

#include <cstdio>

namespace tolvaran {

namespace {

// Little-endian fields of a header read into a string.
std::uint32_t Field(const std::string& bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < width && at + i < bytes.size(); ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  }
  return value;
}

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawOffset;
  std::uint32_t rawSize;
};

// The file offset of a relative virtual address; false outside every
// section's data.
bool FileOffset(const std::vector<Section>& sections, std::uint32_t rva, std::uint64_t* offset) {
  for (const Section& s : sections) {
    std::uint32_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
    if (rva >= s.virtualAddress && rva - s.virtualAddress < extent &&
        rva - s.virtualAddress < s.rawSize) {
      *offset = static_cast<std::uint64_t>(s.rawOffset) + (rva - s.virtualAddress);
      return true;
    }
  }
  return false;
}

// A NUL-terminated name at `offset`, at most 255 characters.
bool ReadName(const PeReader& read, std::uint64_t offset, std::string* name) {
  name->clear();
  std::string chunk;
  for (std::size_t got = 0; got < 256; got += 32) {
    if (!read(offset + got, 32, &chunk)) {
      // Near the end of the file: byte by byte.
      for (std::size_t i = 0; i < 32; ++i) {
        if (!read(offset + got + i, 1, &chunk)) return false;
        if (chunk[0] == '\0') return !name->empty();
        name->push_back(chunk[0]);
      }
      continue;
    }
    std::size_t nul = chunk.find('\0');
    name->append(chunk, 0, nul);
    if (nul != std::string::npos) return !name->empty();
  }
  return false;
}

constexpr std::size_t kMaxSections = 96;
constexpr std::size_t kMaxImports = 512;

}  // namespace

bool ReadPeImage(const PeReader& read, PeImage* image) {
  *image = PeImage();
  std::string dos;
  if (!read(0, 64, &dos) || dos.compare(0, 2, "MZ") != 0) return false;
  const std::uint64_t pe = Field(dos, 0x3C, 4);
  std::string header;
  if (!read(pe, 24, &header) || header.compare(0, 4, std::string("PE\0\0", 4)) != 0) return false;
  image->machine = static_cast<std::uint16_t>(Field(header, 4, 2));
  const std::size_t sectionCount = Field(header, 6, 2);
  const std::size_t optionalSize = Field(header, 20, 2);
  if (sectionCount > kMaxSections) return false;

  std::string optional;
  if (optionalSize < 2 || !read(pe + 24, optionalSize, &optional)) return false;
  const std::uint32_t magic = Field(optional, 0, 2);
  // The data directories follow the fields that differ between PE32 and
  // PE32+; the import table is the second.
  std::size_t directories;
  if (magic == 0x10B) {
    directories = 96;
  } else if (magic == 0x20B) {
    directories = 112;
  } else {
    return false;
  }
  const std::size_t directoryCount = Field(optional, directories - 4, 4);
  if (directoryCount < 2 || optionalSize < directories + 16) return true;
  const std::uint32_t importRva = Field(optional, directories + 8, 4);
  if (importRva == 0) return true;

  std::string table;
  if (!read(pe + 24 + optionalSize, sectionCount * 40, &table)) return false;
  std::vector<Section> sections;
  for (std::size_t i = 0; i < sectionCount; ++i) {
    std::size_t at = i * 40;
    sections.push_back({Field(table, at + 12, 4), Field(table, at + 8, 4), Field(table, at + 20, 4),
                        Field(table, at + 16, 4)});
  }
  std::uint64_t descriptor;
  if (!FileOffset(sections, importRva, &descriptor)) return false;
  // Descriptors of 20 bytes, the last one all zero; the name's address is
  // the fourth field.
  std::string entry;
  for (std::size_t i = 0; i < kMaxImports; ++i, descriptor += 20) {
    if (!read(descriptor, 20, &entry)) return false;
    if (entry == std::string(20, '\0')) return true;
    std::uint64_t nameAt;
    std::string name;
    if (!FileOffset(sections, Field(entry, 12, 4), &nameAt) || !ReadName(read, nameAt, &name)) {
      return false;
    }
    image->imports.push_back(name);
  }
  return true;
}

std::string PeMachineName(std::uint16_t machine) {
  switch (machine) {
    case kPeMachineX86:
      return "32-bit";
    case kPeMachineX64:
      return "64-bit";
    case kPeMachineArm64:
      return "ARM64";
    default:
      break;
  }
  char text[32];
  std::snprintf(text, sizeof text, "machine 0x%04X", machine);
  return text;
}

}  // namespace tolvaran
