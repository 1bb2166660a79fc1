// The landscape's text helpers that only its own files use, beside the
// shared ones declared in sim_config.h.
#ifndef TOLVARAN_SIM_SIM_TEXT_H_
#define TOLVARAN_SIM_SIM_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

namespace rfcsim {

bool IsBlank(char c);
std::string ToLower(std::string_view s);
// Splits text into lines; a CR before the LF is dropped, so files written on
// Windows read the same.
std::vector<std::string_view> Lines(std::string_view text);
// The first blank-separated word and the trimmed rest.
void SplitFirstWord(std::string_view s, std::string* word, std::string* rest);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_TEXT_H_
