#include "driver/profile_location.h"

#include <string>
#include <utility>

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

// A joined path longer than the path field names no file the program
// could open again later; it counts as a file that is not there.
bool Fits(const std::string& path) {
  return path.size() <= decltype(ProfileSource::path)::kCapacity;
}

bool CanOpen(Host& host, const std::string& path) {
  std::string bytes;
  return Fits(path) && host.ReadFile(path, &bytes);
}

class Locator {
 public:
  Locator(Host& host, const Invocation& inv) : host_(host), inv_(inv) {}

  ProfileSource Locate();

 private:
  // Reads the profile for the rest of the run under `path`.
  // A profile that is there but cannot be read ends the run with the
  // reason: the file is not missing, and its owner or modes need mending.
  bool OpenProfile(const std::string& path) {
    s_.bytes.clear();
    if (!Fits(path)) return false;
    if (!host_.ReadFile(path, &s_.bytes)) {
      std::string why = host_.ReadFailure(path);
      if (!why.empty()) FatalError(ProfileUnreadableText(path, why));
      return false;
    }
    s_.path.Set(path);
    return true;
  }

  void CheckGlobalProfile() {
    if (AsciiUpper(s_.name.view()) == "GLOBAL.P00") {
      s_.globalSensor = true;
      s_.name.Set("Dalvenor.Gbl");
    }
  }

  [[noreturn]] void ProfileMissing(std::string_view name) {
    FatalError("Error 1002: Profile " + std::string(name) + " is missing...");
  }

  void SearchMonitorDirectories();

  Host& host_;
  const Invocation& inv_;
  ProfileSource s_;
};

// A hint-file line names a directory when it starts with "\", or has a
// drive colon second, or a "\" third.
bool IsDirectoryLine(const std::string& line) {
  return (line.size() > 0 && line[0] == '\\') || (line.size() > 1 && line[1] == ':') ||
         (line.size() > 2 && line[2] == '\\');
}

void Locator::SearchMonitorDirectories() {
  const std::size_t dir_capacity = decltype(ProfileSource::dir)::kCapacity;
  s_.dir.Clear();
  std::string hint;
  if (host_.ReadFile(kHintFile, &hint)) {
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
      if (longer.size() <= dir_capacity && CanOpen(host_, longer + s_.name.str())) dir = longer;
    }
    s_.dir.Set(dir);
    if (!CanOpen(host_, dir + s_.name.str())) ProfileMissing(s_.name.view());
  }

  if (OpenProfile(s_.dir.str() + s_.name.str())) return;
  // A fixed place counts only when no user but an administrator could have
  // made or written its folders: a profile planted there (and the listing
  // files and SapRfc.<destination> read beside it) would be read first.
  for (const char* dir : kMonitorDirs) {
    s_.dir.Set(dir);
    std::string why;
    if (OpenProfile(s_.dir.str() + s_.name.str()) && host_.AdminOnlyFolder(dir, &why)) return;
  }
  s_.dir.Clear();
  ProfileMissing(s_.name.view());
}

ProfileSource Locator::Locate() {
  // A name the field cannot hold whole, extension included, is a profile
  // that is not there: cut, it would name another file.
  const std::size_t capacity = decltype(ProfileSource::name)::kCapacity;
  s_.name.Set(inv_.profileName.view());
  bool cut = !inv_.itemMode && inv_.args.size() > 1 && inv_.args[1].size() > capacity;
  std::string_view name = s_.name.view();
  if (!(name.size() >= 4 && name[name.size() - 4] == '.')) {
    cut = cut || name.size() + 4 > capacity;
    s_.name.Append(".P00");
  }
  if (cut) ProfileMissing(s_.name.view());
  CheckGlobalProfile();

  const bool at_marker = inv_.params.openAsTyped;
  if (at_marker) {
    s_.dir.Clear();
    if (!OpenProfile(s_.name.str())) ProfileMissing(s_.name.view());
  }

  s_.dir.Clear();
  std::string full = s_.name.str();
  std::size_t backslash = full.find_last_of('\\');
  if (backslash != std::string::npos && backslash != 0) {
    s_.dir.Set(full.substr(0, backslash + 1));
    s_.name.Set(full.substr(backslash + 1));
  }
  CheckGlobalProfile();

  if (inv_.dialect != OutputFlavour::kExeXml) {
    std::string path = s_.dir.str() + s_.name.str();
    if (!OpenProfile(path)) {
      s_.path.Set(path);
      ProfileMissing(s_.path.view());
    }
    return std::move(s_);
  }
  if (!at_marker) SearchMonitorDirectories();
  return std::move(s_);
}

}  // namespace

std::string ProfilePlaceLines(Host& host) {
  std::string lines = "Profiles: the current directory";
  std::string hint;
  if (host.ReadFile(kHintFile, &hint)) {
    return lines + ", then only below the directory " + host.NativePath(kHintFile) + " names\n";
  }
  lines += ", then\n";
  for (const char* dir : kMonitorDirs) {
    std::string why;
    lines += "  " + host.NativePath(dir) +
             (host.AdminOnlyFolder(dir, &why) ? "" : " (skipped: " + why + ")") + "\n";
  }
  return lines;
}

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

SystemProfile ReadProfile(const KeyTable& key, std::string_view profileName, std::string bytes) {
  SystemProfile profile;
  std::string fault = ReadProfileChecked(key, profileName, std::move(bytes), &profile);
  if (!fault.empty()) FatalError(fault);
  return profile;
}

ProfileSource LocateProfile(Host& host, const Invocation& inv) {
  return Locator(host, inv).Locate();
}

}  // namespace tolvaran
