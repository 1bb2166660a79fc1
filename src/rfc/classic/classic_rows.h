// Rows of the classic library as the generic table call reads and writes
// them: where a wanted field lies in a row of an installed layout, handing a
// row's fields to a sink, and a structure's layout from the system's
// dictionary (RFC_GET_STRUCTURE_DEFINITION_P's FIELDS, see classic_layout.h).
#ifndef TOLVARAN_RFC_CLASSIC_CLASSIC_ROWS_H_
#define TOLVARAN_RFC_CLASSIC_CLASSIC_ROWS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "rfc/backend.h"
#include "rfc/classic/classic_layout.h"

namespace tolvaran {

// Where a wanted field lies in a row.
struct Place {
  std::size_t offset;
  const FieldLayout* field;
};

// The places of `fields` in rows of `layout`; false when one is not there
// with the kind and width asked for.
bool PlacesOf(const RowLayout& layout, const std::vector<FieldRequest>& fields,
              std::vector<Place>* places);

// Hands the fields of one row (or of the exports' buffer) to `sink` and
// ends the row.
void SinkRow(const unsigned char* row, const std::vector<FieldRequest>& fields,
             const std::vector<Place>& places, RowSink& sink);

// Collects RFC_GET_STRUCTURE_DEFINITION_P's FIELDS rows (FIELDNAME, OFFSET,
// INTLENGTH, EXID asked in this order) and its export TABLENGTH.
class DictionarySink final : public RowSink {
 public:
  struct Field {
    std::string name, offset, length, type;
  };
  void StartTable(std::size_t table) override { exports_ = table == kScalarExports; }
  void Text(std::size_t field, std::string_view bytes) override;
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override;
  std::vector<Field> fields;
  std::string rowLength;  // TABLENGTH

 private:
  bool exports_ = false;
  Field row_;
};

// The digits of a number text (N fields), leading zeros and all.
unsigned Digits(const std::string& text);

// The library's type of a field of ABAP type `exid`: C, N, D, T
// characters; I, s, b integers of 4, 2, 1 bytes; anything else raw bytes.
unsigned TypeOfExid(const std::string& exid);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CLASSIC_CLASSIC_ROWS_H_
