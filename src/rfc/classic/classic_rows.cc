#include "rfc/classic/classic_rows.h"

#include <cstdint>
#include <cstring>

namespace tolvaran {

bool PlacesOf(const RowLayout& layout, const std::vector<FieldRequest>& fields,
              std::vector<Place>* places) {
  for (const FieldRequest& wanted : fields) {
    std::size_t offset = 0;
    const FieldLayout* found = nullptr;
    for (unsigned i = 0; i < layout.count && !found; ++i) {
      // An integer sits at a multiple of its size, as the library lays out
      // an installed structure (CPU_ALL's NBR_CPU at 8, after three INT2).
      const unsigned type = layout.fields[i].type;
      const std::size_t align = type == kRfcTypeInt ? 4 : type == kRfcTypeInt2 ? 2 : 1;
      offset = (offset + align - 1) / align * align;
      if (wanted.name == layout.fields[i].name) {
        found = &layout.fields[i];
      } else {
        offset += layout.fields[i].length;
      }
    }
    const bool text = wanted.kind == FieldRequest::Kind::kText;
    if (!found || (text && found->length != wanted.length) ||
        (!text && found->type != kRfcTypeInt && found->type != kRfcTypeInt2 &&
         found->type != kRfcTypeInt1)) {
      return false;
    }
    places->push_back(Place{offset, found});
  }
  return true;
}

void SinkRow(const unsigned char* row, const std::vector<FieldRequest>& fields,
             const std::vector<Place>& places, RowSink& sink) {
  for (std::size_t i = 0; i < places.size(); ++i) {
    const unsigned char* at = row + places[i].offset;
    if (fields[i].kind == FieldRequest::Kind::kText) {
      sink.Text(i, std::string_view(reinterpret_cast<const char*>(at), places[i].field->length));
      continue;
    }
    // The integers come in the platform's byte order and may sit unaligned.
    std::int64_t value = 0;
    if (places[i].field->type == kRfcTypeInt) {
      std::int32_t v;
      std::memcpy(&v, at, 4);
      value = v;
    } else if (places[i].field->type == kRfcTypeInt2) {
      std::int16_t v;
      std::memcpy(&v, at, 2);
      value = v;
    } else {
      value = *at;
    }
    sink.Integer(i, value);
  }
  sink.EndRow();
}

void DictionarySink::Text(std::size_t field, std::string_view bytes) {
  std::string text(bytes.substr(0, bytes.find_last_not_of(' ') + 1));
  if (exports_) {
    rowLength = text;
    return;
  }
  if (field == 0) row_.name = text;
  if (field == 1) row_.offset = text;
  if (field == 2) row_.length = text;
  if (field == 3) row_.type = text;
}

void DictionarySink::EndRow() {
  if (!exports_) fields.push_back(std::move(row_));
  row_ = Field{};
}

unsigned Digits(const std::string& text) {
  unsigned value = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

unsigned TypeOfExid(const std::string& exid) {
  const char c = exid.empty() ? 'C' : exid[0];
  if (c == 'I') return kRfcTypeInt;
  if (c == 's') return kRfcTypeInt2;
  if (c == 'b') return kRfcTypeInt1;
  if (c == 'C' || c == 'N' || c == 'D' || c == 'T') return kRfcTypeChar;
  return kRfcTypeByte;
}

}  // namespace tolvaran
