#include "harness_config.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

namespace tolvaran_e2e {

namespace fs = std::filesystem;

const char kConfigHelp[] =
    "Harness settings (flag, else environment variable, else the build's default):\n"
    "  --program=PATH     TOLVARAN_BIN         the program under test\n"
    "  --launcher=WORDS   TOLVARAN_LAUNCHER    run before the program, split at blanks (\"wine\")\n"
    "  --cases=DIR        TOLVARAN_CASES       folder of *.case files\n"
    "  --data=DIR         TOLVARAN_DATA        folder \"=== copy\" sources are relative to\n"
    "  --scratch=DIR      TOLVARAN_SCRATCH     where each case gets its scratch folder\n"
    "  --library=PATH     TOLVARAN_LIBRARY     RFC library put beside a program copy; a plain\n"
    "                                          file name is looked up beside the program\n"
    "  --library-kind=K   TOLVARAN_LIBRARY_KIND  classic (default) or netweaver: which one\n"
    "                                          --library is; netweaver runs always copy the "
    "program\n"
    "  --target=KIND      TOLVARAN_TARGET      posix or windows (default: windows for *.exe)\n"
    "  --timeout=SECS     TOLVARAN_TIMEOUT     a case running longer is killed (default 60)\n"
    "  --wineserver=PATH  TOLVARAN_WINESERVER  the launcher's wineserver, for \"=== drive C\"\n"
    "                     WINEPREFIX           the prefix \"=== drive C\" borrows from (~/.wine)\n"
    "  --python=PATH      TOLVARAN_PYTHON      the Python 3 with Debian's python3-jsonschema and\n"
    "                                          python3-prometheus-client, for \"=== validate\"\n"
    "  --case=REL         (repeatable)         run only this case, e.g. startup/help.case\n";

namespace {

struct Setting {
  const char* flag;
  const char* variable;
};

const Setting kSettings[] = {
    {"--program=", "TOLVARAN_BIN"},           {"--launcher=", "TOLVARAN_LAUNCHER"},
    {"--cases=", "TOLVARAN_CASES"},           {"--data=", "TOLVARAN_DATA"},
    {"--scratch=", "TOLVARAN_SCRATCH"},       {"--library=", "TOLVARAN_LIBRARY"},
    {"--target=", "TOLVARAN_TARGET"},         {"--timeout=", "TOLVARAN_TIMEOUT"},
    {"--wineserver=", "TOLVARAN_WINESERVER"}, {"--library-kind=", "TOLVARAN_LIBRARY_KIND"},
    {"--python=", "TOLVARAN_PYTHON"},
};

std::vector<std::string> SplitBlanks(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool EndsWithExe(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return end == ".exe";
}

std::string Absolute(const std::string& path) {
  return fs::absolute(fs::path(path)).lexically_normal().string();
}

}  // namespace

std::string ScratchRoot(const Config& config) {
  return config.library_kind == LibraryKind::kNetWeaver ? config.scratch_root + "-nw"
                                                        : config.scratch_root;
}

std::string ProgramCopyName(const std::string& name, Platform target) {
  if (target == Platform::kWindows && !EndsWithExe(name)) return name + ".exe";
  return name;
}

Config LoadConfig(int* argc, char** argv, const Defaults& defaults, const EnvLookup& env) {
  std::map<std::string, std::string> flags;  // by variable name
  Config config;

  int kept = 1;
  for (int i = 1; i < *argc; ++i) {
    std::string arg = argv[i];
    bool ours = false;
    if (arg.rfind("--case=", 0) == 0) {
      // The name becomes a path below the scratch root, which is emptied
      // first: it must stay below it.
      fs::path relative(arg.substr(7));
      bool inside = !relative.empty() && relative.is_relative();
      for (const fs::path& part : relative) inside = inside && part != "..";
      if (!inside) throw std::invalid_argument("--case must name a path below the cases folder");
      config.only_cases.push_back(relative.generic_string());
      ours = true;
    }
    for (const Setting& setting : kSettings) {
      std::string flag = setting.flag;
      if (arg.rfind(flag, 0) == 0) {
        flags[setting.variable] = arg.substr(flag.size());
        ours = true;
      }
    }
    if (!ours) argv[kept++] = argv[i];
  }
  *argc = kept;
  argv[kept] = nullptr;

  // A variable that is set counts even when empty: TOLVARAN_LAUNCHER= turns
  // off a launcher the build compiled in.
  auto get = [&](const char* variable, const std::string& fallback) -> std::optional<std::string> {
    auto flag = flags.find(variable);
    if (flag != flags.end()) return flag->second;
    if (const char* value = env(variable)) return std::string(value);
    if (!fallback.empty()) return fallback;
    return std::nullopt;
  };
  auto require = [&](const char* variable, const std::string& fallback) {
    std::optional<std::string> value = get(variable, fallback);
    if (!value || value->empty()) {
      throw std::invalid_argument(std::string("no ") + variable + " given (and no default)");
    }
    return *value;
  };

  config.program = Absolute(require("TOLVARAN_BIN", defaults.program));
  config.launcher = SplitBlanks(get("TOLVARAN_LAUNCHER", defaults.launcher).value_or(""));
  config.cases_dir = Absolute(require("TOLVARAN_CASES", defaults.cases_dir));
  config.data_dir = Absolute(require("TOLVARAN_DATA", defaults.data_dir));
  config.scratch_root = Absolute(require("TOLVARAN_SCRATCH", defaults.scratch_root));

  std::string library = get("TOLVARAN_LIBRARY", defaults.library).value_or("");
  if (!library.empty()) {
    config.library = library.find('/') == library.npos
                         ? (fs::path(config.program).parent_path() / library).string()
                         : Absolute(library);
  }

  std::string kind = get("TOLVARAN_LIBRARY_KIND", "classic").value_or("classic");
  if (kind == "classic") {
    config.library_kind = LibraryKind::kClassic;
  } else if (kind == "netweaver") {
    config.library_kind = LibraryKind::kNetWeaver;
  } else {
    throw std::invalid_argument("TOLVARAN_LIBRARY_KIND must be classic or netweaver, not \"" +
                                kind + "\"");
  }

  std::string target = get("TOLVARAN_TARGET", defaults.target).value_or("");
  if (target.empty()) target = EndsWithExe(config.program) ? "windows" : "posix";
  if (target == "posix") {
    config.target = Platform::kPosix;
  } else if (target == "windows") {
    config.target = Platform::kWindows;
  } else {
    throw std::invalid_argument("TOLVARAN_TARGET must be posix or windows, not \"" + target + "\"");
  }

  std::string timeout = get("TOLVARAN_TIMEOUT", "60").value_or("60");
  if (timeout.empty() || timeout.size() > 6 ||
      !std::all_of(timeout.begin(), timeout.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
      std::stoi(timeout) == 0) {
    throw std::invalid_argument("TOLVARAN_TIMEOUT must be a positive number of seconds");
  }
  config.timeout = std::chrono::seconds(std::stoi(timeout));

  std::string wineserver = get("TOLVARAN_WINESERVER", defaults.wineserver).value_or("");
  if (!wineserver.empty()) {
    config.wineserver = wineserver.find('/') == wineserver.npos ? wineserver : Absolute(wineserver);
  }
  config.python = get("TOLVARAN_PYTHON", defaults.python).value_or("");
  if (const char* prefix = env("WINEPREFIX"); prefix && *prefix) {
    config.wine_prefix = Absolute(prefix);
  } else if (const char* home = env("HOME"); home && *home) {
    config.wine_prefix = Absolute(std::string(home) + "/.wine");
  }
  return config;
}

std::vector<std::string> CompanionFiles(const Config& config) {
  std::vector<std::string> files;
  if (config.library_kind != LibraryKind::kNetWeaver || config.library.empty()) return files;
  const fs::path library(config.library);
  const fs::path companion = library.parent_path() / ("libsapucum" + library.extension().string());
  if (fs::exists(companion)) files.push_back(companion.string());
  return files;
}

}  // namespace tolvaran_e2e
