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

// PRTG's EXE/XML tags for a value's unit ("\n<Unit>Percent</Unit>"), and
// for its default limits (none when it has none).
std::string XmlUnitTags(Unit unit);
std::string XmlLimitTags(const ValueDefinition& definition);

// The keyed-text dialects' unit name for a value's unit ("PerCent"; empty
// for a count).
std::string KeyedUnit(Unit unit);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_CHANNEL_H_
