#include "driver/profile_location.h"

#include <string>

#include "driver/error_exit.h"
#include "platform/text_reader.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

const char kHintFile[] = "C:\\PRTG_Path.Txt";
const char kMonitorSubPath[] = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
const char kSensorSubPath[] = "Custom Sensors\\ExeXml\\";
// Below the root of the current drive, tried in this order.
const char* const kMonitorDirs[] = {
    "\\Programme\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
    "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\",
};

// A joined path longer than profilePath holds names no file the program
// could open again later; it counts as a file that is not there.
bool Fits(const std::string& path) {
  return path.size() <= decltype(RunState::profilePath)::kCapacity;
}

bool CanOpen(RunState& rs, const std::string& path) {
  std::string bytes;
  return Fits(path) && rs.host->ReadFile(path, &bytes);
}

// Opens the profile for the rest of the run under profilePath.
bool OpenProfile(RunState& rs, const std::string& path) {
  rs.profileOpen = false;
  rs.profileBytes.clear();
  if (!Fits(path) || !rs.host->ReadFile(path, &rs.profileBytes)) return false;
  rs.profilePath.Set(path);
  rs.profileOpen = true;
  return true;
}

void CheckGlobalProfile(RunState& rs) {
  if (AsciiUpper(rs.profileName.view()) == "GLOBAL.P00") {
    rs.itemMode = true;
    rs.profileName.Set("Dalvenor.Gbl");
  }
}

[[noreturn]] void ProfileMissing(RunState& rs, std::string_view name) {
  FatalError(rs, "Error 1002: Profile " + std::string(name) + " is missing...");
}

// A hint-file line names a directory when it starts with "\", or has a
// drive colon second, or a "\" third.
bool IsDirectoryLine(const std::string& line) {
  return (line.size() > 0 && line[0] == '\\') || (line.size() > 1 && line[1] == ':') ||
         (line.size() > 2 && line[2] == '\\');
}

void SearchMonitorDirectories(RunState& rs) {
  const std::size_t dir_capacity = decltype(RunState::profileDir)::kCapacity;
  rs.profileDir.Clear();
  std::string hint;
  if (rs.host->ReadFile(kHintFile, &hint)) {
    TextReader reader(std::move(hint));
    std::string line;
    std::string dir;
    while (reader.ReadPiece(99, &line)) {
      StripLineEnd(&line);
      if (!IsDirectoryLine(line)) continue;
      // A directory that cannot be held with its closing "\" is not taken.
      std::size_t needed = line.size() + (line.back() == '\\' ? 0 : 1);
      if (needed <= dir_capacity) dir = line;
    }
    if (dir.empty() || dir.back() != '\\') dir += '\\';
    for (const char* sub : {kMonitorSubPath, kSensorSubPath}) {
      std::string longer = dir + sub;
      if (longer.size() <= dir_capacity && CanOpen(rs, longer + rs.profileName.str())) dir = longer;
    }
    rs.profileDir.Set(dir);
    if (!CanOpen(rs, dir + rs.profileName.str())) ProfileMissing(rs, rs.profileName.view());
  }

  if (OpenProfile(rs, rs.profileDir.str() + rs.profileName.str())) return;
  for (const char* dir : kMonitorDirs) {
    rs.profileDir.Set(dir);
    if (OpenProfile(rs, rs.profileDir.str() + rs.profileName.str())) return;
  }
  ProfileMissing(rs, rs.profileName.view());
}

}  // namespace

OutputFlavour FlavourFromProgramName(std::string_view path) {
  std::size_t slash = path.find_last_of("\\/");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.find_last_of('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::string lower = AsciiLower(name);
  auto ends_with = [&lower](std::string_view tail) {
    return lower.size() >= tail.size() &&
           lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ends_with("mirvane")) return OutputFlavour::kMirvane;
  if (ends_with("quillrax")) return OutputFlavour::kQuillrax;
  if (ends_with("tembrel")) return OutputFlavour::kTembrel;
  if (ends_with("fandrok")) return OutputFlavour::kFandrok;
  return OutputFlavour::kExeXml;
}

void LocateProfile(RunState& rs) {
  // A name the field cannot hold whole, extension included, is a profile
  // that is not there: cut, it would name another file.
  const std::size_t capacity = decltype(RunState::profileName)::kCapacity;
  bool cut = !rs.itemMode && rs.args.size() > 1 && rs.args[1].size() > capacity;
  std::string_view name = rs.profileName.view();
  if (!(name.size() >= 4 && name[name.size() - 4] == '.')) {
    cut = cut || name.size() + 4 > capacity;
    rs.profileName.Append(".P00");
  }
  if (cut) ProfileMissing(rs, rs.profileName.view());
  CheckGlobalProfile(rs);
  rs.profile.Clear();

  const bool at_marker = rs.params.openAsTyped;
  if (at_marker) {
    rs.profileDir.Clear();
    if (!OpenProfile(rs, rs.profileName.str())) ProfileMissing(rs, rs.profileName.view());
  }

  rs.outputFlavour = OutputFlavour::kExeXml;
  rs.verbose = rs.params.verbose;

  rs.profileDir.Clear();
  std::string full = rs.profileName.str();
  std::size_t backslash = full.find_last_of('\\');
  if (backslash != std::string::npos && backslash != 0) {
    rs.profileDir.Set(full.substr(0, backslash + 1));
    rs.profileName.Set(full.substr(backslash + 1));
  }
  CheckGlobalProfile(rs);

  OutputFlavour designated =
      FlavourFromProgramName(rs.host->InvokedProgramPath(rs.args.empty() ? "" : rs.args[0]));
  if (designated != OutputFlavour::kExeXml) {
    rs.outputFlavour = designated;
    std::string path = rs.profileDir.str() + rs.profileName.str();
    if (!OpenProfile(rs, path)) {
      rs.profilePath.Set(path);
      ProfileMissing(rs, rs.profilePath.view());
    }
    return;
  }
  if (!at_marker) SearchMonitorDirectories(rs);
}

}  // namespace tolvaran
