// What `tolvaran-profile check` adds to the program's own message, and the
// file name rule the program applies to a profile name.
#ifndef TOLVARAN_TOOLS_PROFILE_CHECK_H_
#define TOLVARAN_TOOLS_PROFILE_CHECK_H_

#include <string>
#include <vector>

#include "profile/system_profile.h"

namespace tolvaran {

// `path` with ".P00" added when its file name has no three-character
// extension, as the program adds it to the profile name it is given.
std::string WithProfileExtension(const std::string& path);

// The reasons behind `fault`, the program's message for the profile
// `bytes` read into `profile`: for Error 1003 each field that fails ("Client.....:
// 2 characters, at least 3"), for 1004, 1005 and 1008 what is wrong with the
// stored password. Empty for the other messages, which say it all.
std::vector<std::string> ExplainProfileFault(const SystemProfile& profile, const std::string& bytes,
                                             const std::string& fault);

// For a file name the program cannot open (longer than kMaxProfileName):
// the program's message for it and the reason, else an empty message.
struct ProfileNameFault {
  std::string message;
  std::string reason;
};
ProfileNameFault CheckProfileName(const std::string& path);

// True when a run would refuse to open the profile's system with SNC:
// Snc-Mode 1 with mode R/2, and no SapRfc.<destination> file in the
// current folder, where the run looks for one.
bool SncRefusedForR2(const std::string& mode, const std::string& sncMode,
                     const std::string& destination);

// Lines of `bytes` that look like one of the keys but are not read as it
// (another letter case, a dot too few or too many, no colon, no blank
// before the value), or a file saved as UTF-16: one text for each, saying
// what is wrong. Values are never quoted (a line may hold the password).
std::vector<std::string> NearMissLines(const std::string& bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_TOOLS_PROFILE_CHECK_H_
