// What a simulated system answers to a call of a function module of the
// table (sim_functions.h): the same for both libraries, which only differ
// in how they take the call's parameters and hand the answer over.
#ifndef TOLVARAN_SIM_SIM_ANSWERS_H_
#define TOLVARAN_SIM_SIM_ANSWERS_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim_config.h"
#include "sim_functions.h"
#include "sim_rows.h"

namespace rfcsim {

// The rows of one table (or structure) of an answer, read field by field:
// tables may be long, and the user list's rows are made as they are read.
class RowSet {
 public:
  explicit RowSet(const RowType* type) : type_(type) {}
  virtual ~RowSet() = default;
  const RowType* type() const { return type_; }
  virtual unsigned long Count() const = 0;
  // Field `field` (an index into the row type) of row `row` for a Latin-1
  // client: character fields as bytes, integers as numbers. Null for a
  // field that has no value here.
  virtual std::optional<FieldValue> Value(unsigned long row, std::size_t field) = 0;
  // The same as UTF-16 text, for a Unicode client.
  virtual std::u16string Wide(unsigned long row, std::size_t field);

 private:
  const RowType* type_;
};

// Rows held as UTF-16 texts, one per field; integers as their decimal
// digits. What the caller sends and most answers are these.
class CellRows : public RowSet {
 public:
  explicit CellRows(const RowType* type) : RowSet(type) {}
  unsigned long Count() const override { return static_cast<unsigned long>(cells_.size()); }
  std::optional<FieldValue> Value(unsigned long row, std::size_t field) override;
  std::u16string Wide(unsigned long row, std::size_t field) override;
  // A row of blank fields at the end; its index.
  unsigned long Append();
  void Set(unsigned long row, std::size_t field, std::u16string value);
  // A field by name as text (UTF-8), "" when the row type has no such field.
  std::string Text(unsigned long row, const char* field) const;

 private:
  std::vector<std::vector<std::u16string>> cells_;
};

// A call as the library received it: parameters sent by name as text
// (UTF-8; integers as decimal digits) and the rows of the tables sent.
struct CallInput {
  std::map<std::string, std::string> params;
  std::map<std::string, std::shared_ptr<CellRows>> tables;
  // The logon's language as given ("D", "DE", "E"...), "" when none.
  std::string language;

  // The parameter as sent, trailing blanks dropped; `absent` when it was
  // not sent.
  std::string Param(const char* name, const char* absent = "") const;
};

struct Answer {
  Outcome outcome;  // what the call ends with; rows and values only for ok
  // Set when the simulation itself is wrong (a user list that cannot be
  // read): the call fails with this text.
  std::string setupError;
  std::map<std::string, FieldValue> values;               // parameters the caller receives
  std::map<std::string, std::shared_ptr<RowSet>> tables;  // tables and structures
};

// The answer of `system` (the application server connected to) to
// `function`. The landscape, where another of the system's servers is
// looked up, is SapSim.ini's (ReadLandscape) unless given.
Answer AnswerCall(const FunctionSpec& function, const SimSystem& system, const CallInput& input,
                  const SimConfig* landscape = nullptr);

// The rows of `key` of `system` as a table of `type`, each field's value
// in the logon's language where one is given.
std::shared_ptr<CellRows> ConfiguredRows(const SimSystem& system, const char* key,
                                         const RowType* type, const std::string& language);

// RFC_READ_TABLE (sim_read_table.cc).
Answer ReadTable(const SimSystem& system, const CallInput& input);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_ANSWERS_H_
