// One measured value as a channel of the result document, and the
// thousands grouping of the summary texts.
#ifndef TOLVARAN_OUTPUT_CHANNEL_H_
#define TOLVARAN_OUTPUT_CHANNEL_H_

#include <string>
#include <string_view>

#include "output/result_document.h"

namespace tolvaran {

// A channel's bytes in `dialect`, as every channel is written when no
// selector picks one.
std::string ChannelText(OutputFlavour dialect, const Channel& channel);

// "1234567" -> "1.234.567"; at most two separators, texts of up to 11 digits.
std::string GroupThousands(std::string_view digits);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_CHANNEL_H_
