#include "driver/run_state.h"

namespace tolvaran {

const char* FlavourName(OutputFlavour flavour) {
  switch (flavour) {
    case OutputFlavour::kExeXml:
      return "EXEXML";
    case OutputFlavour::kMirvane:
      return "Mirvane";
    case OutputFlavour::kQuillrax:
      return "Quillrax";
    case OutputFlavour::kTembrel:
      return "Tembrel";
    case OutputFlavour::kFandrok:
      return "Fandrok";
  }
  return "EXEXML";
}

}  // namespace tolvaran
