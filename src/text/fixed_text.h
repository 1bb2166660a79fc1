// A NUL-terminated text of fixed capacity.
//
// The run's parts keep their texts in fields of fixed size, the way the
// monitor's files and the RFC library expect them. All writes are bounded:
// a text that does not fit is cut at the capacity, never written past it.
// Like a C string, a text ends at its first NUL byte.
#ifndef TOLVARAN_TEXT_FIXED_TEXT_H_
#define TOLVARAN_TEXT_FIXED_TEXT_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tolvaran {

template <std::size_t N>
class FixedText {
  static_assert(N >= 2, "a text field holds at least one character");

 public:
  // Characters the field holds, its terminating NUL not counted.
  static constexpr std::size_t kCapacity = N - 1;

  FixedText() { Clear(); }

  void Clear() {
    len_ = 0;
    buf_[0] = '\0';
  }

  // Replaces the text; what does not fit is cut.
  void Set(std::string_view s) {
    Clear();
    Append(s);
  }

  // Appends as much of `s` as fits, up to its first NUL.
  void Append(std::string_view s) {
    std::size_t n = s.size();
    const void* nul = n ? std::memchr(s.data(), '\0', n) : nullptr;
    if (nul) n = static_cast<std::size_t>(static_cast<const char*>(nul) - s.data());
    if (n > kCapacity - len_) n = kCapacity - len_;
    // An empty view may have no data at all: memcpy from null is undefined
    // even for no bytes.
    if (n) std::memcpy(buf_ + len_, s.data(), n);
    len_ += n;
    buf_[len_] = '\0';
  }

  std::size_t size() const { return len_; }
  bool empty() const { return len_ == 0; }
  std::string_view view() const { return std::string_view(buf_, len_); }
  std::string str() const { return std::string(buf_, len_); }
  const char* c_str() const { return buf_; }
  char* data() { return buf_; }
  char operator[](std::size_t i) const { return i < len_ ? buf_[i] : '\0'; }

  bool operator==(std::string_view s) const { return view() == s; }
  bool operator!=(std::string_view s) const { return view() != s; }

 private:
  std::size_t len_ = 0;
  char buf_[N];
};

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_FIXED_TEXT_H_
