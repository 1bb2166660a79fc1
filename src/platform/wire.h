// The values a listing and its workers pass over a pipe: a sequence of named
// fields, each a key and a length-prefixed value of any bytes.
//
//   TOLVARAN-WIRE 1\n
//   <key> <length>\n<length bytes>\n      (any number of fields, in order)
//   .\n
//
// Readable in a hex dump, binary-safe (a failure text or a password may hold
// any byte, the length says where it ends), and whole or nothing: a worker
// that died half-way through leaves no end line, and a reader never takes a
// cut message for a short one. Pure: no I/O.
#ifndef TOLVARAN_PLATFORM_WIRE_H_
#define TOLVARAN_PLATFORM_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

// Keys: 1 to 32 of A-Z a-z 0-9 _ -. Values: at most 16 MiB, far above any
// user list's counts and texts, low enough that a corrupt length cannot make
// a reader allocate without bound.
constexpr std::size_t kMaxWireKey = 32;
constexpr std::size_t kMaxWireValue = std::size_t{16} << 20;

class WireWriter {
 public:
  WireWriter();
  // False, and nothing added, for a key or value out of the rules above: a
  // message is never written that its reader would refuse.
  bool Add(std::string_view key, std::string_view value);
  bool AddNumber(std::string_view key, std::int64_t value);
  // The message with its end line; the writer is spent.
  std::string Finish();

 private:
  std::string bytes_;
};

struct WireField {
  std::string key;
  std::string value;
};

class WireMessage {
 public:
  WireMessage() = default;
  // A task's values include a password: wiped with the message.
  ~WireMessage();
  WireMessage(const WireMessage&) = delete;
  WireMessage& operator=(const WireMessage&) = delete;

  // True only for one whole message and nothing after it; on false the
  // message holds no fields.
  bool Parse(std::string_view bytes);

  const std::vector<WireField>& fields() const { return fields_; }
  // The value of the first field named `key`; null when there is none.
  const std::string* Find(std::string_view key) const;
  // The first field named `key` as a decimal number (optional '-', no
  // leading zeros, within 64 bits); false when missing or not one.
  bool FindNumber(std::string_view key, std::int64_t* value) const;

 private:
  // Wipes and drops every field; false, for the failures of Parse.
  bool Discard();
  std::vector<WireField> fields_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_WIRE_H_
