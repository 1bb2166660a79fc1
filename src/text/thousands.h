// The thousands grouping of the summary texts.
#ifndef TOLVARAN_TEXT_THOUSANDS_H_
#define TOLVARAN_TEXT_THOUSANDS_H_

#include <string>
#include <string_view>

namespace tolvaran {

// "1234567" -> "1.234.567"; at most two separators, texts of up to 11 digits.
std::string GroupThousands(std::string_view digits);

}  // namespace tolvaran

#endif  // TOLVARAN_TEXT_THOUSANDS_H_
