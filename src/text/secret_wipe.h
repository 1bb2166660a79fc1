// Overwriting a plain password once it has done its work, so that a copy
// of the process's memory (a core file, a crash dump, a swapped-out page)
// holds as few of them as possible.
#ifndef TOLVARAN_TEXT_SECRET_WIPE_H_
#define TOLVARAN_TEXT_SECRET_WIPE_H_

#include <cstddef>
#include <string>
#include <tuple>

#include "text/fixed_text.h"

namespace tolvaran {

// Overwrites `size` bytes with zeros in a way the compiler may not drop,
// although nothing reads them afterwards.
void WipeBytes(void* data, std::size_t size);

// The whole of a string's storage, not only its text, then empty. A string
// that grew on the way holds older copies in memory already freed: keep a
// secret's string at its size (reserve first) where that matters.
template <typename Char>
void WipeSecret(std::basic_string<Char>* text) {
  text->resize(text->capacity());
  WipeBytes(&(*text)[0], text->size() * sizeof(Char));
  text->clear();
}

template <std::size_t N>
void WipeSecret(FixedText<N>* text) {
  WipeBytes(text->data(), N);
  text->Clear();
}

// Wipes the secrets it was given when its scope ends, by whatever way.
template <typename... Secret>
class WipeOnExit {
 public:
  explicit WipeOnExit(Secret*... secrets) : secrets_(secrets...) {}
  ~WipeOnExit() {
    std::apply([](auto*... secret) { (WipeSecret(secret), ...); }, secrets_);
  }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::tuple<Secret*...> secrets_;
};

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_SECRET_WIPE_H_
