// e2e_tests: runs the real program once per tests/e2e/cases/*.case file and
// compares what it did with what the case expects. Each case file becomes
// its own test, named after its path ("e2e.startup/no-arguments").
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "case_file.h"
#include "harness_config.h"
#include "process.h"
#include "text_compare.h"
#include "validation.h"

namespace tolvaran_e2e {

namespace {

namespace fs = std::filesystem;

// Where a program copy goes for "=== library absent" when the case does not
// name the program: a folder of its own, so that nothing the case lays out
// sits beside it.
constexpr const char kProgramFolder[] = "e2e-program";

// What Wine needs of its prefix on drive C: and takes from the shared one.
constexpr const char kWindowsFolder[] = "windows";
constexpr const char* kPrefixFiles[] = {"system.reg", "user.reg", "userdef.reg"};

bool ReadWhole(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *bytes = buffer.str();
  return !in.bad();
}

bool WriteWhole(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return static_cast<bool>(out);
}

// Quoted for a POSIX shell, so the command in a failure report can be
// pasted to rerun the case by hand.
std::string ShellQuote(const std::string& word) {
  bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_-./=:,+@%", c) != nullptr;
  });
  if (plain) return word;
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Output shown in a report: visible, indented, its end marked when it has
// no final line feed.
std::string Indented(std::string_view text) {
  if (text.empty()) return "  (empty)\n";
  std::string out;
  std::string visible = Visible(text);
  size_t start = 0;
  while (start < visible.size()) {
    size_t end = visible.find('\n', start);
    if (end == visible.npos) {
      out += "  " + visible.substr(start) + "[no final line feed]\n";
      break;
    }
    out += "  " + visible.substr(start, end - start + 1);
    start = end + 1;
  }
  return out;
}

bool IsLeftover(const std::string& name) {
  return name.find(".tmp") != name.npos ||
         (name.size() >= 5 && name.compare(name.size() - 5, 5, ".lock") == 0);
}

bool Exists(const fs::path& path) {
  std::error_code ec;
  // A dangling symbolic link is still something left behind.
  return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

class CaseTest : public ::testing::Test {
 public:
  CaseTest(const Config* config, std::string relative, std::string name)
      : config_(*config), relative_(std::move(relative)), name_(std::move(name)) {}
  ~CaseTest() override { ReleaseHeldLocks(); }

  void TestBody() override {
    try {
      Run();
    } catch (const std::exception& e) {
      problems_.push_back(std::string("harness error: ") + e.what());
      Report();
    }
  }

 private:
  void Run() {
    const fs::path case_path = fs::path(config_.cases_dir) / relative_;
    std::string text;
    if (!ReadWhole(case_path, &text)) {
      FAIL() << "there is no readable case file " << case_path.string();
    }
    try {
      case_ = ParseCase(text, case_path.string());
    } catch (const CaseError& e) {
      FAIL() << "bad case file: " << e.what();
    }
    if (case_.only_on && *case_.only_on != config_.target) {
      GTEST_SKIP() << "only for " << (*case_.only_on == Platform::kWindows ? "Windows" : "POSIX")
                   << " targets";
    }

    if (case_.only_library && *case_.only_library != config_.library_kind) {
      GTEST_SKIP() << "only for the "
                   << (*case_.only_library == LibraryKind::kClassic ? "classic" : "NetWeaver")
                   << " RFC library";
    }

    if (!LayOutAndRun()) return;
    if (LauncherEndedSilently()) {
      // The program ends with status 1 only after writing its report, so
      // this is the launcher's own ending: Wine's, when the wineserver it
      // had to start failed. Said in the log, and tried once more.
      std::cout << "the launcher ended with status 1 and wrote nothing: started again\n";
      if (!LayOutAndRun()) return;
    }

    Check();
    if (problems_.empty()) {
      fs::remove_all(scratch_);
      if (!wine_.empty()) fs::remove_all(wine_);
    } else {
      Report();
    }
  }

  // A fresh scratch folder as the case lays it out, and one run in it; what
  // an earlier run of the case found is not this run's to report.
  bool LayOutAndRun() {
    problems_.clear();
    notes_.clear();
    scratch_ = fs::path(ScratchRoot(config_)) / name_;
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
    if (case_.drive_c) {
      wine_ = fs::path(scratch_.string() + ".wine");
      fs::remove_all(wine_);
    }

    if (!LayOut() || !PlaceProgram() || (case_.drive_c && !SetUpWine())) {
      Report();
      return false;
    }

    command_ = config_.launcher;
    command_.push_back(program_);
    command_.insert(command_.end(), case_.args.begin(), case_.args.end());
    StartOptions start;
    start.stdin_piped = case_.stdin_bytes.has_value();
    start.stdin_bytes = case_.stdin_bytes.value_or("");
    start.stdin_kept_open = case_.stdin_open;
    start.stdout_closed = case_.stdout_closed;
    start.sigchld_ignored = case_.sigchld_ignored;
    result_ = RunProcess(command_, scratch_.string(), config_.timeout, environment_, start);
    ran_ = true;
    ReleaseHeldLocks();
    if (case_.drive_c) StopWine();
    return true;
  }

  bool LauncherEndedSilently() const {
    return !config_.launcher.empty() && !case_.stdout_closed && result_.exited &&
           result_.exit_status == 1 && result_.out.empty() && result_.err.empty();
  }

  // "=== drive C": a Wine prefix of the case's own, beside the scratch
  // folder, whose drive C: is the scratch folder; the program starts there,
  // in C:\. Files on C: ("C:\PRTG_Path.Txt", "\Program Files\...") are then
  // the case's own: cases run in parallel and leave nothing on the machine.
  // The registry is copied from the shared prefix and the Windows folder is
  // a link to the shared prefix's, so that the setup costs no more than a
  // wineserver's start; the wineserver's socket goes below the setup too.
  bool SetUpWine() {
    if (config_.launcher.empty() || config_.wineserver.empty()) {
      problems_.push_back(
          "\"=== drive C\" needs the program to run under Wine: set TOLVARAN_LAUNCHER and "
          "TOLVARAN_WINESERVER");
      return false;
    }
    const fs::path shared(config_.wine_prefix);
    const fs::path windows = shared / "drive_c" / kWindowsFolder;
    if (!fs::is_directory(windows) || !fs::exists(shared / kPrefixFiles[0])) {
      problems_.push_back("the Wine prefix " + shared.string() +
                          " (WINEPREFIX) is not set up: run the emulator-prefix test first");
      return false;
    }
    if (Exists(scratch_ / kWindowsFolder)) {
      problems_.push_back(std::string("the case lays out \"") + kWindowsFolder +
                          "\", where drive C: needs the Windows folder");
      return false;
    }
    const fs::path prefix = wine_ / "prefix";
    fs::create_directories(prefix / "dosdevices");
    fs::create_directories(wine_ / "tmp");
    for (const char* file : kPrefixFiles) {
      fs::copy_file(shared / file, prefix / file, fs::copy_options::overwrite_existing);
    }
    // A prefix is brought up to date on a wineserver's start unless it says
    // it is: that would write into the shared Windows folder.
    if (!WriteWhole(prefix / ".update-timestamp", "disable\n")) {
      problems_.push_back("cannot write " + (prefix / ".update-timestamp").string());
      return false;
    }
    fs::create_directory_symlink(scratch_, prefix / "dosdevices" / "c:");
    fs::create_directory_symlink("/", prefix / "dosdevices" / "z:");
    fs::create_directory_symlink(windows, scratch_ / kWindowsFolder);
    environment_ = {"WINEPREFIX=" + prefix.string(), "TMPDIR=" + (wine_ / "tmp").string()};
    return true;
  }

  // Ends the case's wineserver and the helpers Wine started with it, so that
  // nothing of the case keeps running or writes into its setup later.
  void StopWine() {
    ProcessResult stop =
        RunProcess({config_.wineserver, "-k"}, scratch_.string(), config_.timeout, environment_);
    if (!stop.started) {
      problems_.push_back("cannot stop the case's wineserver: " + stop.start_error);
    }
  }

  // "=== held-lock": the harness's own lock files go once the program has
  // ended, so that only what the program left is checked.
  void ReleaseHeldLocks() {
    for (const auto& held : held_locks_) {
      close(held.first);
      fs::remove(held.second);
    }
    held_locks_.clear();
  }

  bool LayOut() {
    for (const ScratchEntry& setup : case_.setup) {
      const fs::path target = scratch_ / setup.name;
      const std::string where = " (line " + std::to_string(setup.line) + ")";
      if (setup.kind != ScratchEntry::Kind::kDir) fs::create_directories(target.parent_path());
      switch (setup.kind) {
        case ScratchEntry::Kind::kDir:
          fs::create_directories(target);
          break;
        case ScratchEntry::Kind::kFile:
          if (!WriteWhole(target, setup.content)) {
            problems_.push_back("cannot write " + target.string() + where);
            return false;
          }
          break;
        case ScratchEntry::Kind::kFifo:
          if (mkfifo(target.c_str(), 0600) != 0) {
            problems_.push_back("cannot make the FIFO " + target.string() + where);
            return false;
          }
          break;
        case ScratchEntry::Kind::kHeldLock: {
          int fd = open(target.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
          if (fd < 0 || flock(fd, LOCK_EX) != 0) {
            if (fd >= 0) close(fd);
            problems_.push_back("cannot lock " + target.string() + where);
            return false;
          }
          held_locks_.push_back({fd, target});
          break;
        }
        case ScratchEntry::Kind::kLink: {
          std::error_code ec;
          fs::create_symlink(setup.from, target, ec);
          if (ec) {
            problems_.push_back("cannot make the link " + target.string() + where);
            return false;
          }
          break;
        }
        case ScratchEntry::Kind::kCopy: {
          const fs::path from = fs::path(config_.data_dir) / setup.from;
          if (!Exists(from)) {
            problems_.push_back("copy source " + from.string() + " does not exist" + where);
            return false;
          }
          fs::copy(from, target,
                   fs::copy_options::recursive | fs::copy_options::overwrite_existing);
          break;
        }
      }
    }
    return true;
  }

  // Copies the program (and, unless the case wants it absent, the RFC
  // library beside it) or links to it, as the case asks. A NetWeaver run
  // never uses the built program's folder, where the classic library lies
  // too: the program runs as a copy, and a link points to a copy of its own
  // with only the NetWeaver library beside it.
  bool PlaceProgram() {
    if (!fs::exists(config_.program)) {
      problems_.push_back("the program " + config_.program +
                          " does not exist (build the tolvaran target, or set TOLVARAN_BIN)");
      return false;
    }
    const bool netweaver = config_.library_kind == LibraryKind::kNetWeaver;
    fs::path target;
    if (case_.placement == Placement::kCopy) {
      target = scratch_ / ProgramCopyName(case_.program_name, config_.target);
    } else if (case_.placement == Placement::kLink) {
      target = scratch_ / case_.program_name;
    } else if (case_.library_absent || netweaver) {
      target = scratch_ / kProgramFolder / fs::path(config_.program).filename();
    } else {
      program_ = config_.program;
      return true;
    }
    if (Exists(target)) {
      problems_.push_back("the program's place " + target.string() +
                          " is taken by a file the case laid out");
      return false;
    }
    fs::create_directories(target.parent_path());
    if (case_.placement == Placement::kLink) {
      fs::path linked = config_.program;
      if (netweaver) {
        linked = scratch_ / kProgramFolder / fs::path(config_.program).filename();
        fs::create_directories(linked.parent_path());
        CopyExecutable(config_.program, linked);
        PlaceLibraryBeside(linked);
      }
      fs::create_symlink(linked, target);
    } else {
      CopyExecutable(config_.program, target);
    }
    program_ = target.string();
    PlaceLibraryBeside(target);
    return true;
  }

  void PlaceLibraryBeside(const fs::path& program) {
    if (case_.library_absent || config_.library.empty()) return;
    const fs::path beside = program.parent_path() / fs::path(config_.library).filename();
    if (!fs::exists(config_.library)) {
      notes_.push_back("note: the RFC library " + config_.library +
                       " does not exist, so none was put beside the program");
    } else if (!Exists(beside)) {
      CopyExecutable(config_.library, beside);
    }
    if (case_.companion_absent) return;
    for (const std::string& companion : CompanionFiles(config_)) {
      const fs::path to = program.parent_path() / fs::path(companion).filename();
      if (!Exists(to)) CopyExecutable(companion, to);
    }
  }

  static void CopyExecutable(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::status(from).permissions());
  }

  void Check() {
    if (!result_.started) {
      problems_.push_back("could not start the program: " + result_.start_error);
      return;
    }
    if (result_.timed_out) {
      problems_.push_back("still running after " + std::to_string(config_.timeout.count()) +
                          " s: killed");
    } else if (!result_.exited) {
      problems_.push_back("ended by signal " + std::to_string(result_.signal) + " (" +
                          strsignal(result_.signal) + ")");
    } else if (result_.exit_status != case_.expected_status) {
      problems_.push_back("exit status: expected " + std::to_string(case_.expected_status) +
                          ", got " + std::to_string(result_.exit_status));
    }
    // A build with sanitizers reports a finding on standard error; it fails
    // the case whatever the exit status (shown below with standard error).
    if (CarriesSanitizerReport(result_.err)) {
      problems_.push_back("standard error carries a sanitizer report");
    }

    if (case_.expected_stdout && !case_.expected_stdout->Matches(result_.out)) {
      problems_.push_back("standard output differs:\n" +
                          LineDiff(case_.expected_stdout->source(), result_.out));
      shown_stdout_ = true;
    }
    std::string missing;
    for (const Pattern& pattern : case_.stdout_contains) {
      if (!pattern.FoundIn(result_.out)) missing += "  " + Visible(pattern.source()) + "\n";
    }
    if (!missing.empty()) {
      std::string problem = "standard output lacks:\n" + missing;
      if (!shown_stdout_) problem += "standard output was:\n" + Indented(result_.out);
      shown_stdout_ = true;
      problems_.push_back(problem);
    }

    for (const FileCheck& check : case_.file_checks) {
      const fs::path path = scratch_ / check.name;
      const std::string where = " (line " + std::to_string(check.line) + ")";
      if (!check.must_exist) {
        if (Exists(path)) problems_.push_back(check.name + " should be gone but exists" + where);
        continue;
      }
      if (!Exists(path)) {
        problems_.push_back(check.name + " should exist but does not" + where);
        continue;
      }
      if (!check.content) continue;
      std::string bytes;
      if (!ReadWhole(path, &bytes)) {
        problems_.push_back("cannot read " + check.name + where);
      } else if (!check.content->Matches(bytes)) {
        problems_.push_back(check.name + " differs" + where + ":\n" +
                            LineDiff(check.content->source(), bytes));
      }
    }

    for (const std::string& secret : case_.secrets) CheckSecret(secret);

    if (case_.no_leftovers) {
      std::vector<std::string> found;
      for (const auto& entry : fs::recursive_directory_iterator(scratch_)) {
        if (IsLeftover(entry.path().filename().string())) {
          found.push_back(entry.path().lexically_relative(scratch_).generic_string());
        }
      }
      std::sort(found.begin(), found.end());
      for (const std::string& name : found) {
        problems_.push_back("left over: " + name + " (no *.tmp* or *.lock may remain)");
      }
    }

    for (const Validation& validation : case_.validations) Validate(validation);
  }

  // Standard output goes to the validator as a file beside the scratch
  // folder, which is the program's alone.
  void Validate(const Validation& validation) {
    ValidatorSetup setup;
    setup.python = config_.python;
    setup.validators_dir = (fs::path(config_.data_dir) / "validators").string();
    const std::string where = " (line " + std::to_string(validation.line) + ")";
    fs::path path = scratch_ / validation.file;
    const bool ofStdout = validation.file.empty();
    if (ofStdout) {
      path = scratch_.string() + ".stdout";
      if (!WriteWhole(path, result_.out)) {
        problems_.push_back("cannot write " + path.string() + where);
        return;
      }
    } else if (!Exists(path)) {
      problems_.push_back(validation.file + " should be validated but does not exist" + where);
      return;
    }
    const std::string findings =
        tolvaran_e2e::Validate(setup, validation.kind, path.string(), result_.exit_status);
    if (ofStdout) fs::remove(path);
    if (!findings.empty()) {
      problems_.push_back("the " + validation.kind + " validator rejects " +
                          (ofStdout ? std::string("standard output") : validation.file) + where +
                          ":\n" + Indented(findings));
    }
  }

  void CheckSecret(const std::string& secret) {
    if (result_.out.find(secret) != std::string::npos) {
      problems_.push_back("the secret \"" + secret + "\" appears in standard output");
    }
    if (result_.err.find(secret) != std::string::npos) {
      problems_.push_back("the secret \"" + secret + "\" appears in standard error");
    }
    std::set<std::string> laid_out;
    for (const ScratchEntry& setup : case_.setup) laid_out.insert(setup.name);
    for (const auto& entry : fs::recursive_directory_iterator(scratch_)) {
      if (!entry.is_regular_file()) continue;
      const std::string name = entry.path().lexically_relative(scratch_).generic_string();
      if (laid_out.count(name) || name.rfind(kProgramFolder, 0) == 0 ||
          entry.path() == fs::path(program_)) {
        continue;
      }
      std::string bytes;
      if (ReadWhole(entry.path(), &bytes) && bytes.find(secret) != std::string::npos) {
        problems_.push_back("the secret \"" + secret + "\" appears in " + name);
      }
    }
  }

  void Report() {
    std::string report = case_.description + "\n";
    for (const std::string& problem : problems_) {
      report += problem;
      if (report.back() != '\n') report += '\n';
    }
    for (const std::string& note : notes_) report += note + "\n";
    if (ran_) {
      if (!shown_stdout_) report += "standard output:\n" + Indented(result_.out);
      if (!result_.err.empty())
        report += "standard error:\n" + Indented(result_.err);
      else
        report += "standard error: (empty)\n";
      std::string command;
      for (const std::string& variable : environment_) command += " " + ShellQuote(variable);
      for (const std::string& word : command_) command += " " + ShellQuote(word);
      report += "command: cd " + ShellQuote(scratch_.string()) + " &&" + command + "\n";
    }
    if (!scratch_.empty()) report += "scratch directory kept: " + scratch_.string() + "\n";
    if (!wine_.empty()) report += "its Wine setup kept: " + wine_.string() + "\n";
    // Reported at the case file, so an editor jumps there from the log.
    const std::string case_path = (fs::path(config_.cases_dir) / relative_).string();
    ADD_FAILURE_AT(case_path.c_str(), 1) << report;
  }

  const Config& config_;
  std::string relative_;  // e.g. "startup/help.case"
  std::string name_;      // e.g. "startup/help"
  Case case_;
  fs::path scratch_;
  fs::path wine_;                         // "=== drive C": the case's Wine setup
  std::vector<std::string> environment_;  // put over the harness's for the program
  std::string program_;
  std::vector<std::string> command_;
  ProcessResult result_;
  bool ran_ = false;
  bool shown_stdout_ = false;  // already part of the report
  std::vector<std::string> problems_;
  std::vector<std::pair<int, fs::path>> held_locks_;  // "=== held-lock": descriptor, file
  std::vector<std::string> notes_;
};

std::string WithoutSuffix(const std::string& relative) {
  const std::string suffix = ".case";
  if (relative.size() > suffix.size() &&
      relative.compare(relative.size() - suffix.size(), suffix.size(), suffix) == 0) {
    return relative.substr(0, relative.size() - suffix.size());
  }
  return relative;
}

void RegisterCases(const Config* config) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(config->cases_dir)) {
    if (entry.is_regular_file() && entry.path().extension() == ".case") {
      found.push_back(entry.path().lexically_relative(config->cases_dir).generic_string());
    }
  }
  std::sort(found.begin(), found.end());

  std::vector<std::string> selected = found;
  if (!config->only_cases.empty()) {
    selected.clear();
    // A --case naming no file is still run, so that its test fails saying
    // the file cannot be read instead of the selection silently shrinking.
    for (const std::string& wanted : config->only_cases) {
      selected.push_back(WithoutSuffix(wanted) + ".case");
    }
  }
  for (const std::string& relative : selected) {
    std::string name = WithoutSuffix(relative);
    std::string file = (fs::path(config->cases_dir) / relative).string();
    ::testing::RegisterTest(
        "e2e", name.c_str(), nullptr, nullptr, file.c_str(), 1,
        [config, relative, name]() -> CaseTest* { return new CaseTest(config, relative, name); });
  }
}

const char* GetEnv(const char* name) { return std::getenv(name); }

}  // namespace

}  // namespace tolvaran_e2e

int main(int argc, char** argv) {
  using namespace tolvaran_e2e;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    help = help || arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?";
  }

  Defaults defaults = CompiledDefaults();

  static Config config;
  try {
    config = LoadConfig(&argc, argv, defaults, GetEnv);
  } catch (const std::exception& e) {
    std::cerr << "e2e_tests: " << e.what() << "\n\n" << kConfigHelp;
    return 2;
  }

  ::testing::InitGoogleTest(&argc, argv);
  if (help) {
    std::cout << "\n" << kConfigHelp;
    return 0;
  }
  if (argc > 1) {
    std::cerr << "e2e_tests: unknown argument \"" << argv[1] << "\"\n\n" << kConfigHelp;
    return 2;
  }
  if (!std::filesystem::is_directory(config.cases_dir)) {
    std::cerr << "e2e_tests: the cases folder " << config.cases_dir << " does not exist\n";
    return 2;
  }
  RegisterCases(&config);
  return RUN_ALL_TESTS();
}
