// Reads a file's text the way a C program reads a text file with fgets.
//
// Line ends are translated as in text mode (CR LF becomes LF, on every
// platform, so files written on Windows read the same here). Each read takes
// at most `max` characters and stops after a line feed; a longer line comes
// back in several pieces. A piece ends at a NUL byte, as a C string would.
// A UTF-8 byte order mark at the start of the file is skipped.
#ifndef TOLVARAN_PLATFORM_TEXT_READER_H_
#define TOLVARAN_PLATFORM_TEXT_READER_H_

#include <cstddef>
#include <functional>
#include <string>

namespace tolvaran {

class TextReader {
 public:
  // Gives the file's next bytes; false at its end.
  using Source = std::function<bool(std::string* chunk)>;

  // The text of `bytes`, the whole file.
  explicit TextReader(std::string bytes);
  // The text as `source` gives it, in pieces of any size: a file of any
  // length is read with a buffer of one piece.
  explicit TextReader(Source source);

  // False at the end of the file, when nothing is left to read.
  bool ReadPiece(std::size_t max, std::string* piece);

 private:
  // At least `count` unread bytes, unless the file ends first.
  bool Have(std::size_t count);

  Source source_;
  std::string raw_;
  std::size_t pos_ = 0;
  bool started_ = false;
};

// Removes one trailing carriage return, then one trailing line feed.
void StripLineEnd(std::string* line);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_TEXT_READER_H_
