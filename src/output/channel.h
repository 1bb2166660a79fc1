// One measured value as a channel of the result document, and the
// thousands grouping of the summary texts.
#ifndef TOLVARAN_OUTPUT_CHANNEL_H_
#define TOLVARAN_OUTPUT_CHANNEL_H_

#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace tolvaran {

// Appends one channel in the run's dialect and counts it in channelCounter
// (also when the Tembrel selector leaves it out).
void WriteChannel(RunState& rs, std::string_view channelName, std::string_view displayName,
                  std::string_view value, std::string_view unit);

// "1234567" -> "1.234.567"; at most two separators, texts of up to 11 digits.
std::string GroupThousands(std::string_view digits);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_CHANNEL_H_
