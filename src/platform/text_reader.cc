#include "platform/text_reader.h"

#include <utility>

namespace tolvaran {

TextReader::TextReader(std::string bytes) {
  // Notepad starts a file saved as UTF-8 with a byte order mark; it is no
  // part of the first line.
  std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  text_.reserve(bytes.size() - start);
  for (std::size_t i = start; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text_.push_back(bytes[i]);
  }
}

bool TextReader::ReadPiece(std::size_t max, std::string* piece) {
  piece->clear();
  if (pos_ >= text_.size() || max == 0) return false;
  std::size_t end = pos_;
  while (end < text_.size() && end - pos_ < max) {
    if (text_[end++] == '\n') break;
  }
  piece->assign(text_, pos_, end - pos_);
  pos_ = end;
  std::size_t nul = piece->find('\0');
  if (nul != std::string::npos) piece->resize(nul);
  return true;
}

void StripLineEnd(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
  if (!line->empty() && line->back() == '\n') line->pop_back();
}

}  // namespace tolvaran
