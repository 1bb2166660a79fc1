// The parts of --help that name platform paths and files: each platform's
// own (usage_text-posix.cc, usage_text-win32.cc), so that nobody on Linux
// reads of C:\ and backslashes.
#ifndef TOLVARAN_DRIVER_USAGE_TEXT_H_
#define TOLVARAN_DRIVER_USAGE_TEXT_H_

namespace tolvaran {

// The PROFILE entry of the usage text: where a profile is looked for.
extern const char kUsageProfilePlaces[];

// The paragraph on the RFC library: its file names and where they are
// looked for.
extern const char kUsageRfcLibrary[];

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_USAGE_TEXT_H_
