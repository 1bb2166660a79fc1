// The distinct names of a user list (users or terminals), with the running
// length by which the evaluation stops recording them.
#ifndef TOLVARAN_OUTPUT_NAME_LIST_H_
#define TOLVARAN_OUTPUT_NAME_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

// A name counts once. Names are recorded only while the recorded names,
// one separator each, take at most `limit` characters; the list then stops
// growing, so its memory is bounded whatever the length of the user list.
//
// A hash set of the names held back to back in one text: looking a name up
// costs the same however many names are recorded, and nothing is allocated
// per row.
class NameList {
 public:
  explicit NameList(std::size_t limit);

  // True when `name` was not recorded yet and now is.
  bool Add(std::string_view name);

  // The recorded names' characters, one separator each.
  std::size_t length() const { return length_; }
  bool Full() const { return length_ > limit_; }

 private:
  struct Entry {
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t hash;
  };
  std::string_view NameOf(const Entry& entry) const {
    return std::string_view(text_.data() + entry.offset, entry.size);
  }
  void Grow();

  std::size_t limit_;
  std::size_t length_ = 0;
  std::string text_;                  // the recorded names, back to back
  std::vector<Entry> entries_;        // one per recorded name
  std::vector<std::uint32_t> slots_;  // index into entries_ + 1; 0 is free
};

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_NAME_LIST_H_
