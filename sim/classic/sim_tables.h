// Installed row structures and internal tables.
//
// A structure's layout is computed here from its field descriptors alone,
// the way the library would lay out the partner's data for the caller: the
// offsets the caller wrote into the descriptors are not looked at. So a
// descriptor of the wrong type or length shows as rows that read wrongly.
#ifndef TOLVARAN_SIM_SIM_TABLES_H_
#define TOLVARAN_SIM_SIM_TABLES_H_

#include <string>
#include <string_view>
#include <vector>

#include "rfc/classic/classic_api.h"
#include "sim_rows.h"

namespace rfcsim {

struct FieldLayout {
  std::string name;
  unsigned type = 0;
  unsigned length = 0;
  unsigned offset = 0;
};

struct RowLayout {
  std::string name;
  std::vector<FieldLayout> fields;
  unsigned length = 0;  // rounded up to the largest field alignment
};

// Natural alignment: characters, raw bytes and one-byte integers at any
// byte, two-byte integers at even offsets, four-byte integers at multiples
// of 4 and floating-point numbers at multiples of 8.
unsigned FieldAlignment(unsigned type);

// Null `name` or descriptor names are taken as empty.
RowLayout ComputeRowLayout(const char* name, const FieldDescriptor* fields, unsigned count);

// Writes `value` into `length` bytes at `dest`: characters blank-padded or
// cut, integers in the machine's byte order, raw bytes big-endian (so an
// IPv4 address reads as written).
void WriteValue(unsigned char* dest, unsigned length, unsigned type, const FieldValue& value);

// Writes a field of a row of `rowLength` bytes; the part of the field that
// lies beyond the row is dropped.
void WriteField(unsigned char* row, unsigned rowLength, const FieldLayout& field,
                const FieldValue& value);

// Puts blanks into the row's character fields; everything else stays zero.
void BlankCharacterFields(unsigned char* row, unsigned rowLength, const RowLayout& layout);

// The value of `length` bytes at `source` of RFC type `type` as text:
// characters as they are (trailing blanks kept), integers in decimal.
std::string ReadValue(const unsigned char* source, unsigned length, unsigned type);

// An internal table: rows of a fixed length in one block.
class InternalTable {
 public:
  explicit InternalTable(unsigned rowLength) : rowLength_(rowLength) {}

  unsigned RowLength() const { return rowLength_; }
  unsigned Rows() const { return rows_; }

  // A new zero-filled row at the end; earlier row pointers become invalid,
  // as with the classic library.
  unsigned char* AppendRow();

  // Makes room for `rows` more rows at once.
  void Reserve(unsigned long rows);

  // No rows; the table stays usable.
  void Clear() {
    data_.clear();
    rows_ = 0;
  }

  // Row `row`, counted from 1; null when out of range.
  unsigned char* Line(unsigned row);

 private:
  // A table of zero-length rows still hands out distinct, valid pointers.
  std::size_t Stride() const { return rowLength_ == 0 ? 1 : rowLength_; }

  unsigned rowLength_;
  unsigned rows_ = 0;
  std::vector<unsigned char> data_;
};

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_TABLES_H_
