#include "platform/wire.h"

#include <limits>

#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

constexpr std::string_view kHeader = "TOLVARAN-WIRE 1\n";
constexpr std::string_view kEnd = ".\n";

bool IsKey(std::string_view key) {
  if (key.empty() || key.size() > kMaxWireKey) return false;
  for (char c : key) {
    bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

// Decimal digits without a sign or leading zeros, at most `limit`.
bool ParseCount(std::string_view text, std::uint64_t limit, std::uint64_t* value) {
  if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) return false;
  std::uint64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
    if (v > (limit - digit) / 10) return false;
    v = v * 10 + digit;
  }
  *value = v;
  return true;
}

}  // namespace

// Room for a whole task at once: a message that grew would leave copies of
// its password in memory already freed.
WireWriter::WireWriter() : bytes_(kHeader) { bytes_.reserve(4096); }

WireMessage::~WireMessage() { Discard(); }

bool WireWriter::Add(std::string_view key, std::string_view value) {
  if (!IsKey(key) || value.size() > kMaxWireValue) return false;
  bytes_.append(key);
  bytes_ += ' ';
  bytes_ += std::to_string(value.size());
  bytes_ += '\n';
  bytes_.append(value);
  bytes_ += '\n';
  return true;
}

bool WireWriter::AddNumber(std::string_view key, std::int64_t value) {
  return Add(key, std::to_string(value));
}

std::string WireWriter::Finish() {
  bytes_.append(kEnd);
  return std::move(bytes_);
}

bool WireMessage::Parse(std::string_view bytes) {
  Discard();
  if (bytes.substr(0, kHeader.size()) != kHeader) return false;
  bytes.remove_prefix(kHeader.size());
  // Room for every message this program sends: fields are never moved
  // (leaving copies of a password behind).
  fields_.reserve(32);
  for (;;) {
    if (bytes == kEnd) break;
    // "<key> <length>\n": the line is short, so a missing newline is found
    // within the first few dozen bytes and never searched for at length.
    std::string_view head = bytes.substr(0, kMaxWireKey + 1 + 8 + 1);
    std::size_t space = head.find(' ');
    std::size_t newline = head.find('\n');
    if (space == std::string_view::npos || newline == std::string_view::npos || newline < space) {
      return Discard();
    }
    std::string_view key = head.substr(0, space);
    std::uint64_t length = 0;
    if (!IsKey(key) ||
        !ParseCount(head.substr(space + 1, newline - space - 1), kMaxWireValue, &length)) {
      return Discard();
    }
    bytes.remove_prefix(newline + 1);
    if (bytes.size() < length + 1 || bytes[length] != '\n') return Discard();
    fields_.push_back({std::string(key), std::string(bytes.substr(0, length))});
    bytes.remove_prefix(length + 1);
  }
  return true;
}

bool WireMessage::Discard() {
  for (WireField& field : fields_) WipeSecret(&field.value);
  fields_.clear();
  return false;
}

const std::string* WireMessage::Find(std::string_view key) const {
  for (const WireField& f : fields_) {
    if (f.key == key) return &f.value;
  }
  return nullptr;
}

bool WireMessage::FindNumber(std::string_view key, std::int64_t* value) const {
  const std::string* text = Find(key);
  if (text == nullptr) return false;
  std::string_view digits = *text;
  bool negative = !digits.empty() && digits[0] == '-';
  if (negative) digits.remove_prefix(1);
  constexpr std::uint64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::uint64_t magnitude = 0;
  if (!ParseCount(digits, negative ? kMax + 1 : kMax, &magnitude)) return false;
  if (negative && magnitude == 0) return false;  // "-0" is not how a number is written
  *value =
      negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

}  // namespace tolvaran
