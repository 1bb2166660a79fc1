#include "driver/progress.h"

#include "driver/command_line.h"
#include "text/fixed_text.h"

namespace tolvaran {

namespace {

// Cut as the fixed line buffer of the monitor's program cuts: at the width,
// and at a NUL.
using LineText = FixedText<kProgressWidth + 1>;

}  // namespace

std::string SystemProgressLine(const std::string& time, std::string_view profileName,
                               const SystemProfile& p) {
  return "* " + time + " " + std::string(profileName) + ", " + p.hostname.str() + ", " +
         p.destination.str() + ", " + p.systemNumber.str() + ", " + p.logonClient.str();
}

std::string ProgressLine(std::string_view text, std::string_view suffix) {
  LineText line;
  const std::size_t room = LineText::kCapacity;
  line.Set(text.substr(0, suffix.size() < room ? room - suffix.size() : 0));
  line.Append(suffix);
  return line.str() + "\n";
}

std::string StateLine(std::string_view progress, std::string_view state) {
  LineText line;
  line.Set(progress);
  return "\n" + line.str() + " State=" + std::string(state) + "\n";
}

std::string ParameterDisplay(std::string_view raw) {
  std::string display(raw);
  for (char marker : {'#', '@', '$'}) {
    std::size_t at = display.find(marker);
    if (at != std::string::npos) display.resize(at);
  }
  if (display == "(Parameters " || display == "(No ") display.clear();
  if (display.empty()) display = "(No Parameters)";
  return display;
}

std::string ProcessedLine(Host& host) {
  return "\n* " + host.TimeOfDay() + " SAP " + kProgramName + " now processed...\n";
}

std::string ConfigFileNote(std::string_view destination) {
  return "* SapRfc.Ini.......: " + std::string(destination) + "<\n";
}

}  // namespace tolvaran
