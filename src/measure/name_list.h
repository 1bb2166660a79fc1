// The distinct names of a user list (users or terminals), with the running
// length by which the evaluation stops recording them.
#ifndef TOLVARAN_MEASURE_NAME_LIST_H_
#define TOLVARAN_MEASURE_NAME_LIST_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tolvaran {

// A name counts once. Names are recorded only while the recorded names,
// one separator each, take at most `limit` characters; the list then stops
// growing, so its memory is bounded whatever the length of the user list.
//
// Each name arrives as a character field of `Width` bytes, blank-padded and
// unterminated; a NUL inside it ends the name, and trailing blanks are not
// part of it. The field becomes a key of whole words: its bytes, blank-padded
// to the last word, with any bytes from a NUL on made blanks. Two fields
// hold the same name exactly when their keys are equal, so a lookup loads,
// hashes and compares a few words and never measures a name; only a name
// recorded for the first time is measured, for the running length.
//
// The keys are kept in chunks that never move, with a hash table of 16-bit
// indexes over them: a check is a short-lived process whose every freshly
// touched page costs a page fault, so the list touches little more memory
// than its names take, and nothing is allocated per row.
template <std::size_t Width>
class NameList {
 public:
  // At most this many names are ever recorded, so an index fits 16 bits.
  static constexpr std::size_t kMaxLimit = 65000;

  explicit NameList(std::size_t limit)
      : limit_(limit < kMaxLimit ? limit : kMaxLimit), slots_(kInitialSlots, 0) {}

  // True when the name in `field` was not recorded yet and now is. Once the
  // list is full, a field is not even looked at.
  bool Add(const char (&field)[Width]) {
    if (Full()) return false;
    const Key key = KeyOf(field);
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = Hash(key, Words{}) & mask;
    for (; slots_[at] != 0; at = (at + 1) & mask) {
      if (Equal(KeyAt(slots_[at] - 1u), key, Words{})) return false;
    }
    if (count_ % kChunkKeys == 0) chunks_.emplace_back(new Key[kChunkKeys]);
    chunks_.back()[count_ % kChunkKeys] = key;
    slots_[at] = static_cast<std::uint16_t>(++count_);
    length_ += NameLength(key) + 1;
    // At most half the slots taken, so that probes stay short.
    if (count_ * 2 > slots_.size()) Grow();
    return true;
  }

  // The recorded names' characters, one separator each.
  std::size_t length() const { return length_; }
  bool Full() const { return length_ > limit_; }

 private:
  static constexpr std::size_t kWords = (Width + 7) / 8;
  static constexpr std::size_t kInitialSlots = 64;
  static constexpr std::size_t kChunkKeys = 128;
  static constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  using Key = std::array<std::uint64_t, kWords>;

  using Words = std::make_index_sequence<kWords>;

  // 0x80 in each byte of `word` that is zero, 0 in every other byte.
  static std::uint64_t ZeroBytes(std::uint64_t word) {
    const std::uint64_t low7 = ~kHighBits;
    return ~(((word & low7) + low7) | word | low7);
  }

  // The word loops are written as folds so that they are unrolled: the
  // compiler keeps a key in registers only then.
  template <std::size_t... I>
  static bool HasZeroByte(const Key& key, std::index_sequence<I...>) {
    return ((ZeroBytes(key[I])) | ...) != 0;
  }

  template <std::size_t... I>
  static bool Equal(const Key& a, const Key& b, std::index_sequence<I...>) {
    return ((a[I] ^ b[I]) | ...) == 0;
  }

  template <std::size_t... I>
  static std::size_t Hash(const Key& key, std::index_sequence<I...>) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull;
    // Every byte of every word must reach the low bits that pick a slot.
    ((hash = (hash ^ key[I]) * 0xFF51AFD7ED558CCDull, hash ^= hash >> 32), ...);
    return static_cast<std::size_t>(hash);
  }

  static Key KeyOf(const char (&field)[Width]) {
    unsigned char bytes[kWords * 8];
    std::memcpy(bytes, field, Width);
    std::memset(bytes + Width, ' ', sizeof bytes - Width);
    Key key;
    std::memcpy(key.data(), bytes, sizeof bytes);
    if (HasZeroByte(key, Words{})) {
      // Rare: a NUL ends the name early.
      std::size_t end = 0;
      while (bytes[end] != 0) ++end;
      std::memset(bytes + end, ' ', sizeof bytes - end);
      std::memcpy(key.data(), bytes, sizeof bytes);
    }
    return key;
  }

  // The name's length: the key up to its last byte that is not a blank.
  static std::size_t NameLength(const Key& key) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    std::size_t word = kWords;
    while (word > 0 && key[word - 1] == kBlanks) --word;
    if (word == 0) return 0;
    unsigned char bytes[8];
    std::memcpy(bytes, &key[word - 1], 8);
    std::size_t size = 8;
    while (bytes[size - 1] == ' ') --size;
    return (word - 1) * 8 + size;
  }

  const Key& KeyAt(std::size_t index) const {
    return chunks_[index / kChunkKeys][index % kChunkKeys];
  }

  void Grow() {
    std::vector<std::uint16_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = 0; i < count_; ++i) {
      std::size_t at = Hash(KeyAt(i), Words{}) & mask;
      while (slots[at] != 0) at = (at + 1) & mask;
      slots[at] = static_cast<std::uint16_t>(i + 1);
    }
    slots_.swap(slots);
  }

  std::size_t limit_;
  std::size_t length_ = 0;
  std::size_t count_ = 0;                       // names recorded
  std::vector<std::unique_ptr<Key[]>> chunks_;  // their keys, in order
  std::vector<std::uint16_t> slots_;            // index into the keys + 1; 0 is free
};

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_NAME_LIST_H_
