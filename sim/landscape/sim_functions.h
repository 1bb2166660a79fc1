// The one table of the function modules both simulated libraries serve:
// each module's parameters, tables and row types, where its answer comes
// from, and the SapSim.ini keys of its rows. A new function module is a row
// of kFunctions (sim_functions.cc) and, where its rows are new, a source in
// sim_answers.cc; the libraries learn it from here. sim/FUNCTIONS.md is the
// reader's version of this table.
#ifndef TOLVARAN_SIM_SIM_FUNCTIONS_H_
#define TOLVARAN_SIM_SIM_FUNCTIONS_H_

#include <cstddef>
#include <string_view>

namespace rfcsim {

// ABAP's type letters, as RFC_READ_TABLE's FIELDS-TYPE and
// RFC_GET_STRUCTURE_DEFINITION_P's EXID give them; kStructure is a
// structured parameter.
enum class AbapType : char {
  kChar = 'C',
  kNum = 'N',
  kDate = 'D',
  kTime = 'T',
  kInt = 'I',
  kInt1 = 'b',
  kInt2 = 's',
  kRaw = 'X',
  kStructure = 'u',
};

// Character-like types: text of `length` characters.
bool IsCharLike(AbapType type);
// Integer types: `length` is their size in bytes.
bool IsInteger(AbapType type);

struct FieldSpec {
  const char* name;
  AbapType type;
  unsigned length;        // characters, or bytes of an integer or raw field
  const char* text = "";  // the dictionary's short text (RFC_READ_TABLE's FIELDTEXT)
};

// A row type of the dictionary: a structure or a table's row.
struct RowType {
  const char* name;
  const FieldSpec* fields;
  std::size_t count;
  // The field's index, or -1; names compared exactly (the dictionary's are
  // upper case).
  int FieldIndex(std::string_view name) const;
};

// Where a module's answer comes from (sim_answers.cc).
enum class Source {
  kNone,                 // nothing beyond its outcome (RFC_PING)
  kUsers,                // the user list ("users =")
  kCpu,                  // the CPU row ("cpu =" over fixed values)
  kServers,              // the system's application servers
  kSystemInfo,           // RFCSI of the server connected to
  kWorkProcesses,        // "wp =" rows of the server SRVNAME names
  kReadTable,            // RFC_READ_TABLE over "snap =", "tbtco =", "vbhdr ="
  kLocks,                // "enq =" rows that match the selection
  kClock,                // "clock ="
  kStructureDefinition,  // a row type's layout
};

struct ParamSpec {
  const char* name;
  AbapType type;
  unsigned length;
  bool sent;  // the caller sends it (the module's IMPORTING); else receives it
  const RowType* structure = nullptr;  // kStructure
};

struct TableSpec {
  const char* name;
  const RowType* rowType;
};

struct FunctionSpec {
  const char* name;
  const ParamSpec* params;
  std::size_t paramCount;
  const TableSpec* tables;
  std::size_t tableCount;
  Source source;
  const char* rowsKey;  // the SapSim.ini key of its rows, "" for none

  const ParamSpec* FindParam(std::string_view name) const;
  const TableSpec* FindTable(std::string_view name) const;
};

// A database table RFC_READ_TABLE reads, and the key of its rows.
struct DbTable {
  const char* name;
  const RowType* rowType;
  const char* rowsKey;
};

const FunctionSpec* FindFunction(std::string_view name);
// Structures and tables' rows by name (case ignored); null when unknown.
const RowType* FindRowType(std::string_view name);
const DbTable* FindDbTable(std::string_view name);
// Whether `key` (lower case) is a SapSim.ini key of rows ("wp", "snap",
// "cpu", ...).
bool IsRowsKey(std::string_view key);
// Whether `key` (lower case) names a function module of the table: its
// outcome key.
bool IsOutcomeKey(std::string_view key);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_FUNCTIONS_H_
