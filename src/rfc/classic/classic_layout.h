// The two structures the classic library is told about, UINFO (a user-list
// row) and CPU_ALL (a CPU row): one table each, which the installation, the
// reading of rows and the tests' fake libraries all use.
#ifndef TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_
#define TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_

#include <cstddef>

#include "rfc/classic/classic_api.h"

namespace tolvaran {

struct FieldLayout {
  const char* name;
  unsigned type;
  unsigned length;
};

// A row holds the fields in this order, each right after the one before.
inline constexpr FieldLayout kUinfoFields[] = {
    {"TID", kRfcTypeInt, 4},      {"MANDT", kRfcTypeChar, 3},   {"BNAME", kRfcTypeChar, 12},
    {"TCODE", kRfcTypeChar, 20},  {"TERM", kRfcTypeChar, 20},   {"ZEIT", kRfcTypeChar, 8},
    {"MASTER", kRfcTypeChar, 12}, {"HOSTADR", kRfcTypeByte, 4}, {"TRACE", kRfcTypeInt1, 1},
    {"EXTMODI", kRfcTypeInt, 4},  {"INTMODI", kRfcTypeInt, 4},
};
inline constexpr unsigned kUinfoFieldCount = sizeof kUinfoFields / sizeof kUinfoFields[0];

inline constexpr FieldLayout kCpuAllFields[] = {
    {"TYPE", kRfcTypeInt2, 2},      {"SUBTYPE", kRfcTypeInt2, 2},  {"SERIALNR", kRfcTypeInt2, 2},
    {"NBR_CPU", kRfcTypeInt, 4},    {"LOAD1_AVG", kRfcTypeInt, 4}, {"LOAD5_AVG", kRfcTypeInt, 4},
    {"LOAD15_AVG", kRfcTypeInt, 4}, {"INT_SEC", kRfcTypeInt, 4},   {"SYSC_SEC", kRfcTypeInt, 4},
    {"CS_SEC", kRfcTypeInt, 4},     {"USR_TOTAL", kRfcTypeInt, 4}, {"SYS_TOTAL", kRfcTypeInt, 4},
    {"IDLE_TOTAL", kRfcTypeInt, 4},
};
inline constexpr unsigned kCpuAllFieldCount = sizeof kCpuAllFields / sizeof kCpuAllFields[0];
inline constexpr unsigned kCpuAllRowLength = 48;

// Where a field of a row starts.
constexpr std::size_t FieldOffset(const FieldLayout* fields, unsigned count, const char* name) {
  std::size_t offset = 0;
  for (unsigned i = 0; i < count; ++i) {
    const char* a = fields[i].name;
    const char* b = name;
    while (*a && *a == *b) ++a, ++b;
    if (*a == *b) return offset;
    offset += fields[i].length;
  }
  return static_cast<std::size_t>(-1);
}

constexpr std::size_t UinfoOffset(const char* name) {
  return FieldOffset(kUinfoFields, kUinfoFieldCount, name);
}

inline constexpr unsigned kUinfoRowLength = 92;
static_assert(UinfoOffset("MANDT") == 4 && UinfoOffset("BNAME") == 7 &&
                  UinfoOffset("TCODE") == 19 && UinfoOffset("TERM") == 39 &&
                  UinfoOffset("EXTMODI") == 84 && UinfoOffset("INTMODI") == 88,
              "UINFO row layout");
static_assert(UinfoOffset("INTMODI") + 4 == kUinfoRowLength, "UINFO row length");

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_
