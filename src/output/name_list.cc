#include "output/name_list.h"

namespace tolvaran {

namespace {

// FNV-1a: names are short (at most 20 characters), so a simple byte hash
// is both fast and well spread.
std::uint32_t Hash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : name) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

NameList::NameList(std::size_t limit) : limit_(limit), slots_(64, 0) {}

std::string_view NameList::NameOf(const Entry& entry) const {
  return std::string_view(text_).substr(entry.offset, entry.size);
}

void NameList::Grow() {
  std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
  const std::size_t mask = slots.size() - 1;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    std::size_t at = Hash(NameOf(entries_[i])) & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = static_cast<std::uint32_t>(i + 1);
  }
  slots_.swap(slots);
}

bool NameList::Add(std::string_view name) {
  if (Full()) return false;
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = Hash(name) & mask;
  for (; slots_[at] != 0; at = (at + 1) & mask) {
    if (NameOf(entries_[slots_[at] - 1]) == name) return false;
  }
  slots_[at] = static_cast<std::uint32_t>(entries_.size() + 1);
  entries_.push_back(
      {static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(name.size())});
  text_.append(name);
  length_ += name.size() + 1;
  // At most half the slots taken, so that probes stay short.
  if (entries_.size() * 2 > slots_.size()) Grow();
  return true;
}

}  // namespace tolvaran
