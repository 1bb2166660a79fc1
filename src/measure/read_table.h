// RFC_READ_TABLE as the health measurements use it: the WHERE clause sent
// in OPTIONS, and each DATA row read by the layout FIELDS gives back.
//
// The function module's interface (SAP function group SDTX; its tables as
// the SAP Java Connector and the open-source peers describe them:
// lausser/check_sap_health, Classes/SAP/Netweaver/Component/SNAP.pm and
// UpdateSubsystem.pm; Azure/AzureMonitorForSAPSolutions,
// sapmon/payload/netweaver/rfcclient.py):
//   imports  QUERY_TABLE (C30), DELIMITER (C1), NO_DATA (C1),
//            ROWSKIPS (I), ROWCOUNT (I)
//   OPTIONS  rows of TEXT (C72): the WHERE clause, line after line
//   FIELDS   rows of FIELDNAME (C30), OFFSET (N6), LENGTH (N6), TYPE (C1),
//            FIELDTEXT (C60): the fields asked for, and where each stands
//            in a DATA row
//   DATA     rows of WA (C512): one table row, the fields at their offsets
//   exceptions TABLE_NOT_AVAILABLE, TABLE_WITHOUT_DATA, OPTION_NOT_VALID,
//            FIELD_NOT_VALID, NOT_AUTHORIZED, DATA_BUFFER_EXCEEDED
//
// What breaks it, and how this code keeps clear (check_sap_health's
// issues 14 and 22 and its splitting of the condition into lines):
// - an OPTIONS line holds at most 72 characters, and a line may only end
//   between two words: `WhereClause::Lines` never cuts a word or a quoted
//   literal;
// - newer kernels answer OPTION_NOT_VALID unless every operator and every
//   parenthesis stands between blanks: the clause is built of words that
//   are joined with one blank each;
// - the fields asked for must fit a DATA row of 512 bytes, or the call
//   ends with DATA_BUFFER_EXCEEDED: each measurement asks only for what it
//   reads (`kDataRowWidth`, checked by its own test);
// - since SAP_BASIS 7.50 SP23 the FIELDS table may come back in another
//   order than asked: every field is read at the OFFSET and LENGTH its own
//   FIELDS row gives, never by its place in the request.
#ifndef TOLVARAN_MEASURE_READ_TABLE_H_
#define TOLVARAN_MEASURE_READ_TABLE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

constexpr std::size_t kOptionLineWidth = 72;  // OPTIONS-TEXT
constexpr std::size_t kDataRowWidth = 512;    // DATA-WA

// A WHERE clause in the subset of Open SQL this program sends: field
// comparisons with a quoted literal, AND, OR and parentheses.
class WhereClause {
 public:
  // `field op 'literal'`; a quote inside the literal is doubled.
  WhereClause& Compare(std::string_view field, std::string_view op, std::string_view literal);
  WhereClause& And();
  WhereClause& Or();
  WhereClause& Open();
  WhereClause& Close();
  // The date and time fields of a row fall into [from, to]: written so that
  // a window across midnight (two dates) is right as well as one inside a
  // day, with dates and times compared as SAP stores them (YYYYMMDD and
  // HHMMSS compare as texts in time order).
  WhereClause& Within(std::string_view dateField, std::string_view timeField,
                      std::string_view fromDate, std::string_view fromTime, std::string_view toDate,
                      std::string_view toTime);

  bool Empty() const { return words_.empty(); }
  // The clause as OPTIONS lines of at most `width` characters each, cut
  // only between words. A word longer than a line (a literal that cannot be
  // sent) makes the result empty: the caller then has no clause to send.
  std::vector<std::string> Lines(std::size_t width = kOptionLineWidth) const;

 private:
  std::vector<std::string> words_;
};

// Where one field stands in a DATA row, from its FIELDS row.
struct FieldSlot {
  std::string name;  // FIELDNAME without its trailing blanks
  std::size_t offset = 0;
  std::size_t length = 0;
};

// The FIELDS table as it came back.
class FieldLayout {
 public:
  // One FIELDS row: its FIELDNAME, OFFSET and LENGTH as the texts they are
  // (N6: digits, leading zeros). False, and nothing added, for a row whose
  // numbers are not digits or that reaches past the 512 bytes of a row.
  bool Add(std::string_view fieldName, std::string_view offset, std::string_view length);
  // The field's slot; null when FIELDS does not name it (a field the table
  // does not have is FIELD_NOT_VALID before that).
  const FieldSlot* Find(std::string_view name) const;
  // The field's text in a DATA row, its trailing blanks removed; cut short
  // where the row is (SAP's RFC layer may drop a row's trailing blanks).
  std::string Take(std::string_view row, std::string_view name) const;
  // Whether every field in `names` is in the layout.
  bool HasAll(const std::vector<std::string_view>& names) const;

 private:
  std::vector<FieldSlot> slots_;
};

// A text field without its trailing blanks (and NULs, which some libraries
// leave in place of blanks).
std::string_view TrimRight(std::string_view text);

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_READ_TABLE_H_
