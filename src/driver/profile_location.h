// Profile location: completes the profile name, settles the profile
// directory and reads the profile.
#ifndef TOLVARAN_DRIVER_PROFILE_LOCATION_H_
#define TOLVARAN_DRIVER_PROFILE_LOCATION_H_

#include <string>
#include <string_view>

#include "driver/invocation.h"
#include "output/result_document.h"
#include "platform/host.h"
#include "profile/system_profile.h"
#include "text/fixed_text.h"

namespace tolvaran {

// Where the run's profile was found, and its bytes.
struct ProfileSource {
  FixedText<64> name;  // completed (".P00"), without its directory
  FixedText<96> dir;   // with its closing "\"; empty for the current one
  FixedText<82> path;  // dir + name
  std::string bytes;   // the file, read whole
  // The profile was named "global": the run is the listing of the global
  // sensor file Dalvenor.Gbl.
  bool globalSensor = false;
};

// The dialect an executable's name designates: its file name without
// directory and extension ending in Mirvane, Quillrax, Tembrel or Fandrok
// (any case); otherwise EXEXML.
OutputFlavour FlavourFromProgramName(std::string_view path);

// What --version says about where profiles are looked for, in native
// paths: the current directory, then the directory C:\PRTG_Path.Txt names, or else each of the
// monitor's fixed places, with the reason when it is skipped (a folder a
// user who is not an administrator could have made or written). Every line
// ends with a line feed.
std::string ProfilePlaceLines(Host& host);

// Finds and reads the profile, or ends the run with error 1002 (not there)
// or 1031 (there but not readable). The fixed places count only where
// ProfilePlaceLines does not skip them.
ProfileSource LocateProfile(Host& host, const Invocation& inv);

// Single run: ReadProfileChecked on a fresh record, with every fault ending
// the run through the error exit.
SystemProfile ReadProfile(const KeyTable& key, std::string_view profileName, std::string bytes);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_PROFILE_LOCATION_H_
