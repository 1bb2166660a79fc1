// The structures the classic library is told about, UINFO (a user-list
// row), CPU_ALL (a CPU row) and MSXXLIST (a server-list row), and the one
// structured value it receives, RFCSI (RFC_SYSTEM_INFO's answer): one table
// each, which the installation, the reading of rows and the tests' fake
// libraries all use.
#ifndef TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_
#define TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_

#include <cstddef>
#include <string_view>

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

// A row of TH_SERVER_LIST's table LIST, as the system's dictionary lays out
// structure MSXXLIST. NAME is CHAR 40 (the type of MSXXLIST-NAME, which
// function modules such as TH_SELECT_SERVER return as C 40) and MSGTYPES a
// single byte (TH_SERVER_LIST's SERVICES parameter is typed MSXXLIST-
// MSGTYPES, X 1). HOST CHAR 32, SERV CHAR 20, the IPv4 address (4 bytes),
// the service number (2 bytes) and the state (1 byte) are the widths of
// the message server's list entry that TH_SERVER_LIST hands on, as the
// message server protocol's published dissectors declare it; together
// they make the 100 bytes the dictionary gives for MSXXLIST. Only the
// layout reaches the library: it copies rows by offset, whatever the
// fields are called.
inline constexpr FieldLayout kMsxxlistFields[] = {
    {"NAME", kRfcTypeChar, 40},    {"HOST", kRfcTypeChar, 32},   {"SERV", kRfcTypeChar, 20},
    {"MSGTYPES", kRfcTypeByte, 1}, {"HOSTADR", kRfcTypeByte, 4}, {"SERVNO", kRfcTypeByte, 2},
    {"STATE", kRfcTypeByte, 1},
};
inline constexpr unsigned kMsxxlistFieldCount = sizeof kMsxxlistFields / sizeof kMsxxlistFields[0];
inline constexpr unsigned kMsxxlistRowLength = 100;

// RFC_SYSTEM_INFO's exporting parameter RFCSI_EXPORT, structure RFCSI:
// character fields only, so it is received as one character value of the
// structure's length. The order and widths are the dictionary's (RFCDEST
// is data element RFCDEST, CHAR 32, the logical destination
// "<host>_<system>_<number>"; RFCHOST CHAR 8, RFCMACH CHAR 5, RFCOPSYS
// CHAR 10 as other function modules' parameters of those types show);
// systems before IPv6 end after RFCSI_RESV and blank-fill the rest.
inline constexpr FieldLayout kRfcsiFields[] = {
    {"RFCPROTO", kRfcTypeChar, 3},    {"RFCCHARTYP", kRfcTypeChar, 4},
    {"RFCINTTYP", kRfcTypeChar, 3},   {"RFCFLOTYP", kRfcTypeChar, 3},
    {"RFCDEST", kRfcTypeChar, 32},    {"RFCHOST", kRfcTypeChar, 8},
    {"RFCSYSID", kRfcTypeChar, 8},    {"RFCDATABS", kRfcTypeChar, 8},
    {"RFCDBHOST", kRfcTypeChar, 32},  {"RFCDBSYS", kRfcTypeChar, 10},
    {"RFCSAPRL", kRfcTypeChar, 4},    {"RFCMACH", kRfcTypeChar, 5},
    {"RFCOPSYS", kRfcTypeChar, 10},   {"RFCTZONE", kRfcTypeChar, 6},
    {"RFCDAYST", kRfcTypeChar, 1},    {"RFCIPADDR", kRfcTypeChar, 15},
    {"RFCKERNRL", kRfcTypeChar, 4},   {"RFCHOST2", kRfcTypeChar, 32},
    {"RFCSI_RESV", kRfcTypeChar, 12}, {"RFCIPV6ADDR", kRfcTypeChar, 45},
};
inline constexpr unsigned kRfcsiFieldCount = sizeof kRfcsiFields / sizeof kRfcsiFields[0];
inline constexpr unsigned kRfcsiLength = 245;

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

constexpr std::size_t MsxxlistOffset(const char* name) {
  return FieldOffset(kMsxxlistFields, kMsxxlistFieldCount, name);
}
static_assert(MsxxlistOffset("HOST") == 40 && MsxxlistOffset("SERV") == 72 &&
                  MsxxlistOffset("STATE") + 1 == kMsxxlistRowLength,
              "MSXXLIST row layout");

constexpr std::size_t RfcsiOffset(const char* name) {
  return FieldOffset(kRfcsiFields, kRfcsiFieldCount, name);
}
static_assert(RfcsiOffset("RFCDEST") == 13 && RfcsiOffset("RFCIPV6ADDR") + 45 == kRfcsiLength,
              "RFCSI layout");

// RFC_READ_TABLE's tables, as the DDIC lays out their structures (and as
// the SAP Java Connector's and the open-source clients' declarations of
// RFC_READ_TABLE give them): OPTIONS of RFC_DB_OPT (TEXT C72), FIELDS of
// RFC_DB_FLD (FIELDNAME C30, OFFSET N6, LENGTH N6, TYPE C1, FIELDTEXT C60),
// DATA of TAB512 (WA C512). N fields are digits: characters to the library.
inline constexpr FieldLayout kRfcDbOptFields[] = {{"TEXT", kRfcTypeChar, 72}};
inline constexpr FieldLayout kRfcDbFldFields[] = {
    {"FIELDNAME", kRfcTypeChar, 30}, {"OFFSET", kRfcTypeChar, 6},     {"LENGTH", kRfcTypeChar, 6},
    {"TYPE", kRfcTypeChar, 1},       {"FIELDTEXT", kRfcTypeChar, 60},
};
inline constexpr FieldLayout kTab512Fields[] = {{"WA", kRfcTypeChar, 512}};

// RFC_GET_STRUCTURE_DEFINITION_P's table FIELDS (structure RFC_FIELDS_P,
// 83 bytes): a structure's fields as the system's dictionary lays them out,
// the function module classic-library clients call to learn a layout at run
// time (php-sap/saprfc-harding's SAP::Rfc unpacks "A30 A30 A4 A6 A6 A6 A";
// php-sap/saprfc-koucky's rfccal.c declares TABNAME C30, FIELDNAME C30,
// POSITION N4, OFFSET N6, INTLENGTH N6, DECIMALS N6, EXID C1, and the
// export TABLENGTH N6). EXID is the ABAP type: C, N, D, T characters, I a
// four-byte, s a two-byte and b a one-byte integer, X raw bytes.
inline constexpr FieldLayout kRfcFieldsPFields[] = {
    {"TABNAME", kRfcTypeChar, 30}, {"FIELDNAME", kRfcTypeChar, 30}, {"POSITION", kRfcTypeChar, 4},
    {"OFFSET", kRfcTypeChar, 6},   {"INTLENGTH", kRfcTypeChar, 6},  {"DECIMALS", kRfcTypeChar, 6},
    {"EXID", kRfcTypeChar, 1},
};

// A table's rows as the library is told about them: the dictionary
// structure's name, its fields in order and the row's length.
struct RowLayout {
  const char* structure;
  const FieldLayout* fields;
  unsigned count;
  unsigned rowLength;
};

// The structures whose layout is published and checked above; a table of
// any other structure is laid out from the system's own dictionary.
inline constexpr RowLayout kPublishedLayouts[] = {
    {"UINFO", kUinfoFields, kUinfoFieldCount, kUinfoRowLength},
    {"CPU_ALL", kCpuAllFields, kCpuAllFieldCount, kCpuAllRowLength},
    {"MSXXLIST", kMsxxlistFields, kMsxxlistFieldCount, kMsxxlistRowLength},
    {"RFC_DB_OPT", kRfcDbOptFields, 1, 72},
    {"RFC_DB_FLD", kRfcDbFldFields, 5, 103},
    {"TAB512", kTab512Fields, 1, 512},
    {"RFC_FIELDS_P", kRfcFieldsPFields, 7, 83},
};

// RFC_READ_TABLE's rows hold characters only, so nothing pads them.
static_assert(30 + 6 + 6 + 1 + 60 == 103 && sizeof kRfcDbFldFields / sizeof kRfcDbFldFields[0] == 5,
              "RFC_DB_FLD layout");

// The published layout of `structure`; nullptr when there is none.
inline const RowLayout* FindPublishedLayout(std::string_view structure) {
  for (const RowLayout& layout : kPublishedLayouts) {
    if (structure == layout.structure) return &layout;
  }
  return nullptr;
}

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CLASSIC_CLASSIC_LAYOUT_H_
