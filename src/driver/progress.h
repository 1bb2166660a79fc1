// Progress lines: what a person watching a run with "#", "@", "$" or "%"
// sees between the document's parts. Texts only; the single run and the
// listing write them.
#ifndef TOLVARAN_DRIVER_PROGRESS_H_
#define TOLVARAN_DRIVER_PROGRESS_H_

#include <string>
#include <string_view>

#include "platform/host.h"
#include "profile/system_profile.h"

namespace tolvaran {

// The widest progress line, its line feed not counted.
constexpr std::size_t kProgressWidth = 123;

// "* time profile, host, destination, sysnr, client" of a system.
std::string SystemProgressLine(const std::string& time, std::string_view profileName,
                               const SystemProfile& profile);

// `text` + `suffix` and a line feed. What does not fit is cut from the
// text, so that the state at the end stays readable.
std::string ProgressLine(std::string_view text, std::string_view suffix);

// A listed system's line with its state: its progress line, cut to the
// width, then the state.
std::string StateLine(std::string_view progress, std::string_view state);

// The parameters as shown in a progress line: the text before any marker.
std::string ParameterDisplay(std::string_view raw);

// The closing "* time SAP Tolvaran now processed..." line.
std::string ProcessedLine(Host& host);

// The note that a per-destination configuration file is used for
// `destination`.
std::string ConfigFileNote(std::string_view destination);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_PROGRESS_H_
