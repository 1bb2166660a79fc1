// What `tolvaran-profile check` adds to the program's own message, and the
// file name rule the program applies to a profile name.
#ifndef TOLVARAN_TOOLS_PROFILE_CHECK_H_
#define TOLVARAN_TOOLS_PROFILE_CHECK_H_

#include <string>
#include <vector>

#include "driver/run_state.h"

namespace tolvaran {

// `path` with ".P00" added when its file name has no three-character
// extension, as the program adds it to the profile name it is given.
std::string WithProfileExtension(const std::string& path);

// The reasons behind `fault`, the program's message for the profile
// `bytes` read into `rs`: for Error 1003 each field that fails ("Client.....:
// 2 characters, at least 3"), for 1004, 1005 and 1008 what is wrong with the
// stored password. Empty for the other messages, which say it all.
std::vector<std::string> ExplainProfileFault(const RunState& rs, const std::string& bytes,
                                             const std::string& fault);

}  // namespace tolvaran

#endif  // TOLVARAN_TOOLS_PROFILE_CHECK_H_
