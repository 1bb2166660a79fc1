// The parameter text of a run, parsed once.
//
// Keys are found by plain substring search of the upper-cased text, first
// occurrence, without word boundaries; a value is read from the typed copy
// at the same position. Every lookup the run makes is done here, once for
// each text: the command line's at start-up, a global sensor line's when
// it replaces it.
#ifndef TOLVARAN_DRIVER_PARAMETERS_H_
#define TOLVARAN_DRIVER_PARAMETERS_H_

#include <string>
#include <string_view>

#include "text/fixed_text.h"

namespace tolvaran {

struct Parameters {
  FixedText<128> upper;  // the text upper-cased, for finding keys
  FixedText<120> raw;    // the same as typed, at the same positions

  std::string client;  // the three characters after "CLIENT=" (fewer at the end)
  bool hasItem = false;
  std::string item;         // the value of "ITEM="
  bool check = false;       // "/CHECK"
  bool hasChannel = false;  // "CH="
  int channel = 0;          // its number
  // The number as a listing reads it: from the text a listing's progress
  // line shows (DisplayText), where ":" is a blank and " @" ends it.
  int displayChannel = 0;
  bool hostOverride = false;    // ",HOST="
  bool numberOverride = false;  // ",NO="
  bool openAsTyped = false;     // "@"
  bool verbose = false;         // "#", "@", "$" or "%"
  std::string firstWord;        // up to the first blank: a global sensor's name
  // "JOBS=": how many systems of a listing are checked at once. A value
  // that is not a whole number from 1 to 64 sets `badJobs` (the run ends
  // with an error document).
  bool hasJobs = false;
  int jobs = kDefaultJobs;
  bool badJobs = false;
  // "TIMEOUT=": the run's deadline in seconds from the start; 0 for none.
  // A value that is not a whole number from 1 to 900 sets `badTimeout`
  // (the run ends with an error document).
  bool hasTimeout = false;
  int timeoutSeconds = 0;
  bool badTimeout = false;
  // The keys of the other monitors' dialects. Each is a key only where it
  // starts a word (first in the text, or after a blank or a ","), so that
  // "TIMEOUT=" holds no "OUT="; its value is taken as typed up to a blank
  // or a ",", its ":" kept (a range "~:10", a drive "C:"), and no other
  // key or marker is looked for inside it ("@10:20" is no "@").
  bool hasFormat = false;
  std::string format;  // "FORMAT=": SCRIPTV2, PLUGIN or OPENMETRICS, any case
  bool hasWarn = false;
  std::string warn;  // "WARN=": the plugin's warning range
  bool hasCrit = false;
  std::string crit;  // "CRIT=": its critical range
  bool hasOut = false;
  std::string out;  // "OUT=": the file the OpenMetrics exposition replaces
  // The value of OUT= runs to the end of a text that was cut to fit `raw`:
  // it may name another file than the one typed.
  bool outCut = false;

  // "SERVERS=": ALL counts every application server of a system, ONE (the
  // default) the one the connection reaches; any other value sets
  // `badServers` (the run ends with an error document).
  bool hasServers = false;
  bool allServers = false;
  bool badServers = false;

  // "MEASURE=": which measurements a check makes, their keys joined by
  // "+" ("WP+DUMPS", "ALL"), any case; without it the user list alone.
  // The names are checked against the registry by the run, not here.
  bool hasMeasure = false;
  std::string measure;  // upper-cased
  // "WINDOW=": the minutes back from the system's clock that short dumps
  // and cancelled jobs are counted in; 1 to 1440, default 60. Another
  // value sets `badWindow` (the run ends with an error document).
  bool hasWindow = false;
  int windowMinutes = kDefaultWindowMinutes;
  bool badWindow = false;

  static constexpr int kDefaultWindowMinutes = 60;
  static constexpr int kMaxWindowMinutes = 1440;
  static constexpr int kDefaultJobs = 8;
  static constexpr int kMaxJobs = 64;
  static constexpr int kMaxTimeoutSeconds = 900;
};

// Parses a typed text; the upper-cased copy is made from it. The typed
// text is cut to what `raw` holds first, so that both keep their
// characters at the same positions.
Parameters ParseParameters(std::string_view typed);

// Parses a global sensor line's parameters (at most what `raw` holds):
// read with ":" as blanks, except the keys of the other monitors' dialects
// (FORMAT= aside), which keep their ":" and are taken from the text as
// typed wherever it gives them.
Parameters ParseSensorParameters(std::string_view typed);

// The typed copy as a listing's progress line shows it: ":" as blanks, up
// to " @".
std::string DisplayText(const Parameters& params);

// Keeps the command line's JOBS=, TIMEOUT=, SERVERS=, MEASURE=, WINDOW=,
// WARN=, CRIT= and OUT= where a sensor line's text, which replaced it, has
// none of its own.
void KeepRunLimits(const Parameters& before, Parameters* after);

// The value after `key`, up to `max` characters, ending at a blank or a
// ","; ":" in it stands for a blank. False when the key is not there.
bool TakeKeyValue(std::string_view upper, std::string_view raw, std::string_view key,
                  std::size_t max, std::string* value);

}  // namespace tolvaran

#endif  // TOLVARAN_DRIVER_PARAMETERS_H_
