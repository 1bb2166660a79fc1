#include "rfc/library_loader.h"

namespace tolvaran {

const std::vector<RfcLibraryCandidate>& RfcLibraryNames() {
  static const std::vector<RfcLibraryCandidate> names = {
      {"librfccm.so", false}, {"librfc32.so", false}, {"libsapnwrfc.so", true}};
  return names;
}

}  // namespace tolvaran
