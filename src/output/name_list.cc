#include "output/name_list.h"

#include <cstring>

namespace tolvaran {

namespace {

// Names are short (at most 20 characters): they are hashed eight bytes at
// a time, the last word zero-padded, and the words mixed by multiplication.
std::uint32_t Hash(std::string_view name) {
  std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ name.size();
  std::size_t i = 0;
  for (; i + 8 <= name.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, name.data() + i, 8);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  }
  if (i < name.size()) {
    std::uint64_t word = 0;
    std::memcpy(&word, name.data() + i, name.size() - i);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
    hash ^= hash >> 32;
  }
  return static_cast<std::uint32_t>(hash);
}

}  // namespace

NameList::NameList(std::size_t limit) : limit_(limit), slots_(64, 0) {}

void NameList::Grow() {
  std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
  const std::size_t mask = slots.size() - 1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    std::size_t at = entries_[i].hash & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = static_cast<std::uint32_t>(i + 1);
  }
  slots_.swap(slots);
}

bool NameList::Add(std::string_view name) {
  if (Full()) return false;
  const std::uint32_t hash = Hash(name);
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  for (; slots_[at] != 0; at = (at + 1) & mask) {
    const Entry& entry = entries_[slots_[at] - 1];
    if (entry.hash == hash && NameOf(entry) == name) return false;
  }
  slots_[at] = static_cast<std::uint32_t>(entries_.size() + 1);
  entries_.push_back(Entry{static_cast<std::uint32_t>(text_.size()),
                           static_cast<std::uint32_t>(name.size()), hash});
  text_.append(name);
  length_ += name.size() + 1;
  // At most half the slots taken, so that probes stay short.
  if (entries_.size() * 2 > slots_.size()) Grow();
  return true;
}

}  // namespace tolvaran
