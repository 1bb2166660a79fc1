// Overwriting a plain password once it has done its work, so that a copy
// of the process's memory (a core file, a crash dump, a swapped-out page)
// holds as few of them as possible.
#ifndef TOLVARAN_TEXT_SECRET_WIPE_H_
#define TOLVARAN_TEXT_SECRET_WIPE_H_

#include <cstddef>
#include <string>

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

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_SECRET_WIPE_H_
