#include "platform/text_reader.h"

#include <utility>

namespace tolvaran {

TextReader::TextReader(std::string bytes) : raw_(std::move(bytes)) {}

TextReader::TextReader(Source source) : source_(std::move(source)) {}

bool TextReader::Have(std::size_t count) {
  while (raw_.size() - pos_ < count) {
    if (!source_) return false;
    std::string chunk;
    if (!source_(&chunk)) {
      source_ = nullptr;
      return false;
    }
    raw_.erase(0, pos_);
    pos_ = 0;
    raw_ += chunk;
  }
  return true;
}

bool TextReader::ReadPiece(std::size_t max, std::string* piece) {
  piece->clear();
  if (!started_) {
    started_ = true;
    // Notepad starts a file saved as UTF-8 with a byte order mark; it is no
    // part of the first line.
    Have(3);
    if (raw_.compare(pos_, 3, "\xEF\xBB\xBF") == 0) pos_ += 3;
  }
  if (!Have(1) || max == 0) return false;
  while (piece->size() < max && Have(1)) {
    char c = raw_[pos_++];
    // CR LF reads as LF; a lone CR stays.
    if (c == '\r' && Have(1) && raw_[pos_] == '\n') c = raw_[pos_++];
    piece->push_back(c);
    if (c == '\n') break;
  }
  std::size_t nul = piece->find('\0');
  if (nul != std::string::npos) piece->resize(nul);
  return true;
}

void StripLineEnd(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
  if (!line->empty() && line->back() == '\n') line->pop_back();
}

}  // namespace tolvaran
