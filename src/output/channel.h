// One measured value as a channel of the result document.
#ifndef TOLVARAN_OUTPUT_CHANNEL_H_
#define TOLVARAN_OUTPUT_CHANNEL_H_

#include <string>
#include <string_view>

#include "output/result_document.h"

namespace tolvaran {

// A channel's bytes in `dialect`, as every channel is written when no
// selector picks one.
std::string ChannelText(OutputFlavour dialect, const Channel& channel);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_CHANNEL_H_
