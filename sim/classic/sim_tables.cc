#include "sim_tables.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "sim_config.h"

namespace rfcsim {

namespace {

// RFC type codes beyond the interface's (saprfc.h's RFCTYPE_DATE,
// RFCTYPE_TIME, RFCTYPE_NUM, RFCTYPE_FLOAT): what a client installs for
// ABAP's D, T, N and F fields.
constexpr unsigned kRfcTypeDate = 1;   // YYYYMMDD as characters
constexpr unsigned kRfcTypeTime = 3;   // HHMMSS as characters
constexpr unsigned kRfcTypeNum = 6;    // digits as characters, zero-padded
constexpr unsigned kRfcTypeFloat = 7;  // eight-byte floating point

template <typename T>
void StoreNative(unsigned char* dest, unsigned length, T value) {
  std::memcpy(dest, &value, length < sizeof value ? length : sizeof value);
}

long long NumberOf(const FieldValue& value) {
  if (!value.isText) return value.number;
  int n = 0;
  return ParseInt(value.Text(), &n) ? n : 0;
}

}  // namespace

unsigned FieldAlignment(unsigned type) {
  switch (type) {
    case kRfcTypeInt2:
      return 2;
    case kRfcTypeInt:
      return 4;
    case kRfcTypeFloat:
      return 8;
    default:
      return 1;
  }
}

RowLayout ComputeRowLayout(const char* name, const FieldDescriptor* fields, unsigned count) {
  RowLayout layout;
  layout.name = name ? name : "";
  // Wide arithmetic, held at UINT_MAX: absurd lengths must not wrap round
  // into offsets that look sensible.
  unsigned long long offset = 0;
  unsigned long long largest = 1;
  for (unsigned i = 0; fields != nullptr && i < count; ++i) {
    FieldLayout field;
    field.name = TrimTrailingBlanks(fields[i].name ? fields[i].name : "");
    field.type = fields[i].type;
    field.length = fields[i].length;
    unsigned long long align = FieldAlignment(field.type);
    if (align > largest) largest = align;
    offset = std::min<unsigned long long>((offset + align - 1) / align * align, UINT_MAX);
    field.offset = static_cast<unsigned>(offset);
    offset = std::min<unsigned long long>(offset + field.length, UINT_MAX);
    layout.fields.push_back(std::move(field));
  }
  layout.length = static_cast<unsigned>(
      std::min<unsigned long long>((offset + largest - 1) / largest * largest, UINT_MAX));
  return layout;
}

void WriteValue(unsigned char* dest, unsigned length, unsigned type, const FieldValue& value) {
  if (dest == nullptr || length == 0) return;
  std::memset(dest, 0, length);
  switch (type) {
    case kRfcTypeChar:
    case kRfcTypeDate:
    case kRfcTypeTime: {
      std::string number;
      std::string_view text =
          value.isText ? value.Text() : std::string_view(number = std::to_string(value.number));
      std::size_t n = text.size() < length ? text.size() : length;
      std::memcpy(dest, text.data(), n);
      std::memset(dest + n, ' ', length - n);
      break;
    }
    case kRfcTypeNum: {
      std::string digits = std::to_string(NumberOf(value) < 0 ? 0 : NumberOf(value));
      if (digits.size() > length) digits.erase(0, digits.size() - length);
      std::memset(dest, '0', length);
      std::memcpy(dest + (length - digits.size()), digits.data(), digits.size());
      break;
    }
    case kRfcTypeByte:
      if (value.isText) {
        std::string_view text = value.Text();
        std::memcpy(dest, text.data(), text.size() < length ? text.size() : length);
      } else {
        unsigned long long n = static_cast<unsigned long long>(value.number);
        for (unsigned i = length; i > 0 && n != 0; --i, n >>= 8) {
          dest[i - 1] = static_cast<unsigned char>(n & 0xFF);
        }
      }
      break;
    case kRfcTypeInt:
      StoreNative(dest, length, static_cast<std::int32_t>(NumberOf(value)));
      break;
    case kRfcTypeInt2:
      StoreNative(dest, length, static_cast<std::int16_t>(NumberOf(value)));
      break;
    case kRfcTypeInt1:
      StoreNative(dest, length, static_cast<std::uint8_t>(NumberOf(value)));
      break;
    case kRfcTypeFloat:
      StoreNative(dest, length, static_cast<double>(NumberOf(value)));
      break;
    default:
      break;  // types the simulation has no values for stay zero
  }
}

void WriteField(unsigned char* row, unsigned rowLength, const FieldLayout& field,
                const FieldValue& value) {
  if (row == nullptr || field.offset >= rowLength) return;
  // A field that runs past the row is written as if it were as long as the
  // room left; only a wrong descriptor gets here.
  unsigned room = rowLength - field.offset;
  WriteValue(row + field.offset, field.length < room ? field.length : room, field.type, value);
}

void BlankCharacterFields(unsigned char* row, unsigned rowLength, const RowLayout& layout) {
  for (const FieldLayout& field : layout.fields) {
    bool text =
        field.type == kRfcTypeChar || field.type == kRfcTypeDate || field.type == kRfcTypeTime;
    if (!text || field.offset >= rowLength) continue;
    unsigned room = rowLength - field.offset;
    std::memset(row + field.offset, ' ', field.length < room ? field.length : room);
  }
}

unsigned char* InternalTable::AppendRow() {
  data_.resize(data_.size() + Stride(), 0);
  ++rows_;
  return data_.data() + (rows_ - 1) * Stride();
}

void InternalTable::Reserve(unsigned long rows) { data_.reserve(data_.size() + rows * Stride()); }

unsigned char* InternalTable::Line(unsigned row) {
  if (row < 1 || row > rows_) return nullptr;
  return data_.data() + (row - 1) * Stride();
}

std::string ReadValue(const unsigned char* source, unsigned length, unsigned type) {
  if (source == nullptr) return "";
  switch (type) {
    case kRfcTypeInt: {
      std::int32_t n = 0;
      std::memcpy(&n, source, length < sizeof n ? length : sizeof n);
      return std::to_string(n);
    }
    case kRfcTypeInt2: {
      std::int16_t n = 0;
      std::memcpy(&n, source, length < sizeof n ? length : sizeof n);
      return std::to_string(n);
    }
    case kRfcTypeInt1:
      return std::to_string(length > 0 ? source[0] : 0);
    default: {
      // Characters, also of digits, dates and times; a NUL ends them.
      std::size_t n = 0;
      while (n < length && source[n] != '\0') ++n;
      return std::string(reinterpret_cast<const char*>(source), n);
    }
  }
}

}  // namespace rfcsim
