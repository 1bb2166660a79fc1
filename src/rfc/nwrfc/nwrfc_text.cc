#include "rfc/nwrfc/nwrfc_text.h"

namespace tolvaran {

std::u16string BytesToSapUc(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char c : bytes) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return text;
}

std::string SapUcToBytes(const SAP_UC* text, std::size_t length) {
  std::string bytes;
  if (text == nullptr) return bytes;
  bytes.reserve(length);
  for (std::size_t i = 0; i < length; ++i) bytes.push_back(SapUcToByte(text[i]));
  return bytes;
}

std::string SapUcArrayToBytes(const SAP_UC* text, std::size_t capacity) {
  std::size_t length = 0;
  if (text != nullptr) {
    while (length < capacity && text[length] != 0) ++length;
  }
  return SapUcToBytes(text, length);
}

}  // namespace tolvaran
