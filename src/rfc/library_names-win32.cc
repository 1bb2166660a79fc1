#include "rfc/library_loader.h"

namespace tolvaran {

const std::vector<RfcLibraryCandidate>& RfcLibraryNames() {
  static const std::vector<RfcLibraryCandidate> names = {{"librfc32.dll", false},
                                                         {"sapnwrfc.dll", true}};
  return names;
}

}  // namespace tolvaran
