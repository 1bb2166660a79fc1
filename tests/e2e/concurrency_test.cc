// e2e_concurrency_tests: the monitor starts many checks at the same moment,
// all in the same directory. Each check that has a per-destination file
// "SapRfc.<destination>" installs it as "SapRfc.ini" and opens its
// connection through its own file, so the checks take turns only while that
// file is written. This test starts sixteen checks of sixteen systems at
// once and wants every one of them to reach its own system, while a
// seventeenth, started just before them, hangs in its opening for good and
// keeps none of them waiting (it is killed once they are done).
//
// The checks are forked first and held at a gate, then let go together, so
// that they really run at the same time.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness_config.h"

namespace tolvaran_e2e {
namespace {

namespace fs = std::filesystem;

const Config* config = nullptr;

constexpr int kChecks = 16;
// System kChecks + 1 hangs in its opening.
// The stored form of the password "Secret99" that every system accepts.
constexpr char kStoredPassword[] = "91>;Djy+znv.HT[aa,~Z$pjj";

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

// System i (1 to 16): destination "C01" and so on, its own host and
// system number, and a user list of i sessions.
std::string Destination(int i) { return "C" + TwoDigits(i); }
std::string HostName(int i) { return "c" + TwoDigits(i) + "host"; }

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void LayOutLandscape(const fs::path& dir) {
  std::string sim;
  for (int i = 1; i <= kChecks + 1; ++i) {
    const std::string dest = Destination(i);
    WriteFile(dir / (dest + ".P00"),
              "Extcompany.: Concurrency Corp\n"
              "Destination: " +
                  dest +
                  "\n"
                  "Client.....: 100\n"
                  "User.......: SAPMON\n"
                  "Password...: " +
                  kStoredPassword +
                  "\n"
                  "Language...: E\n"
                  "Mode.......: R/3\n"
                  "Hostname...: " +
                  HostName(i) +
                  "\n"
                  "Sysnr......: " +
                  TwoDigits(i) +
                  "\n"
                  "Gwhost.....: " +
                  HostName(i) +
                  "\n"
                  "Gwservice..: sapgw" +
                  TwoDigits(i) + "\n");
    WriteFile(dir / ("SapRfc." + dest), "DEST=" + dest +
                                            "\n"
                                            "TYPE=A\n"
                                            "ASHOST=" +
                                            HostName(i) +
                                            "\n"
                                            "SYSNR=" +
                                            TwoDigits(i) + "\n");
    std::string users;
    for (int u = 1; u <= i; ++u) {
      users += "100;USER" + std::to_string(u) + ";SE38;TERM" + std::to_string(u) + ";1;2\n";
    }
    WriteFile(dir / (dest + "-users.txt"), users);
    sim += "[" + dest + "]\nhost = " + HostName(i) + "\nsysnr = " + std::to_string(i) +
           "\nclient = 100\nuser = SAPMON\npassword = Secret99\nusers = " + dest + "-users.txt\n" +
           (i > kChecks ? "hang = RfcOpenEx, RfcOpenConnection\n\n" : "\n");
  }
  WriteFile(dir / "SapSim.ini", sim);
}

// The document of system i: i users, transaction codes, terminals and
// sessions, i external and 2i internal modes.
std::string ExpectedDocument(int i) {
  const std::string n = std::to_string(i);
  std::string doc = "\n<Prtg>\n\n<Text>(" + Destination(i) + ") System-Usage: Active Users=" + n +
                    ", Act Tran-Codes=" + n + ", Terminals=" + n + ", Sessions=" + n + "</Text>\n";
  const std::pair<const char*, std::string> channels[] = {
      {"Active User(s)", n}, {"Act Tran-Codes", n}, {"Act Terminals", n},
      {"Session(s)", n},     {"External Modi", n},  {"Internal Modi", std::to_string(2 * i)},
  };
  for (const auto& channel : channels) {
    doc += "\n<Result><Channel>" + std::string(channel.first) + "</Channel>\n<Value>" +
           channel.second + "</Value></Result>\n";
  }
  return doc + "\n</Prtg>\n";
}

struct Check {
  int system = 0;
  pid_t pid = -1;
  fs::path out;
  fs::path err;
  bool exited = false;
  int status = -1;
};

// Everything the child needs is prepared here: between fork and exec only
// async-signal-safe calls are made.
struct Prepared {
  std::vector<std::string> args;
  std::vector<char*> argv;
  std::string directory, out, err;
};

// `other_gate` is the write end of the gate the child does not wait at: it
// is closed too, or the checks behind that gate would wait for this one.
[[noreturn]] void RunChild(const Prepared& p, int gate_read, int gate_write, int other_gate) {
  close(gate_write);
  close(other_gate);
  int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int out = open(p.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err = open(p.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0 ||
      chdir(p.directory.c_str()) != 0) {
    _exit(126);
  }
  char go;
  while (read(gate_read, &go, 1) < 0 && errno == EINTR) {
  }
  execvp(p.argv[0], p.argv.data());
  _exit(127);
}

TEST(Concurrency, SixteenChecksInOneDirectoryEachReachTheirOwnSystemBesideAHungOne) {
  const fs::path base = fs::path(ScratchRoot(*config)) / "concurrency";
  const fs::path dir = base / "sixteen-checks";
  const fs::path outputs = base / "sixteen-checks-output";  // outside the checks' directory
  fs::remove_all(dir);
  fs::remove_all(outputs);
  fs::create_directories(dir);
  fs::create_directories(outputs);
  LayOutLandscape(dir);
  if (HasFatalFailure()) return;
  // A NetWeaver run starts a copy of the program with only that library
  // beside it: beside the built program the classic one would be found.
  std::string program = config->program;
  if (config->library_kind == LibraryKind::kNetWeaver) {
    const fs::path folder = base / "program";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path copy = folder / fs::path(program).filename();
    fs::copy_file(program, copy);
    ASSERT_FALSE(config->library.empty()) << "a NetWeaver run needs --library";
    fs::copy_file(config->library, folder / fs::path(config->library).filename());
    for (const std::string& companion : CompanionFiles(*config)) {
      fs::copy_file(companion, folder / fs::path(companion).filename());
    }
    program = copy.string();
  }

  const int all = kChecks + 1;
  std::vector<Prepared> prepared(all);
  std::vector<Check> checks(all);
  for (int i = 0; i < all; ++i) {
    Prepared& p = prepared[i];
    p.args = config->launcher;
    p.args.push_back(program);
    p.args.push_back(Destination(i + 1));
    for (std::string& arg : p.args) p.argv.push_back(arg.data());
    p.argv.push_back(nullptr);
    p.directory = dir.string();
    checks[i].system = i + 1;
    checks[i].out = outputs / (Destination(i + 1) + ".out");
    checks[i].err = outputs / (Destination(i + 1) + ".err");
    p.out = checks[i].out.string();
    p.err = checks[i].err.string();
  }

  // The hung check goes first, through a gate of its own, so that it is in
  // its opening when the others start.
  int gate[2];
  int hungGate[2];
  ASSERT_EQ(pipe2(gate, O_CLOEXEC), 0) << std::strerror(errno);
  ASSERT_EQ(pipe2(hungGate, O_CLOEXEC), 0) << std::strerror(errno);
  for (int i = 0; i < all; ++i) {
    const int* its = i + 1 > kChecks ? hungGate : gate;
    const int* other = i + 1 > kChecks ? gate : hungGate;
    pid_t pid = fork();
    if (pid == 0) RunChild(prepared[i], its[0], its[1], other[1]);
    if (pid < 0) {
      ADD_FAILURE() << "cannot fork: " << std::strerror(errno);
      break;
    }
    checks[i].pid = pid;
  }
  close(hungGate[1]);
  close(hungGate[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Closing the gate's write end lets every other check go at once.
  close(gate[1]);
  close(gate[0]);

  const auto deadline = std::chrono::steady_clock::now() + config->timeout;
  Check& hung = checks[kChecks];
  int running = 0;
  for (const Check& check : checks) running += check.pid > 0 && &check != &hung ? 1 : 0;
  while (running > 0) {
    for (Check& check : checks) {
      if (check.pid <= 0 || check.exited || &check == &hung) continue;
      int status;
      pid_t reaped = waitpid(check.pid, &status, WNOHANG);
      if (reaped == check.pid) {
        check.exited = true;
        check.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        --running;
      }
    }
    if (running == 0) break;
    if (std::chrono::steady_clock::now() >= deadline) {
      for (Check& check : checks) {
        if (check.pid > 0 && !check.exited) {
          kill(check.pid, SIGKILL);
          waitpid(check.pid, nullptr, 0);
          ADD_FAILURE() << Destination(check.system) << " was still running and was killed";
        }
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }

  if (hung.pid > 0) {
    EXPECT_EQ(waitpid(hung.pid, nullptr, WNOHANG), 0) << "the hung check has ended";
    kill(hung.pid, SIGKILL);
    waitpid(hung.pid, nullptr, 0);
  }

  for (const Check& check : checks) {
    if (!check.exited) continue;
    SCOPED_TRACE(Destination(check.system));
    EXPECT_EQ(check.status, 0) << ReadFile(check.err);
    EXPECT_EQ(ReadFile(check.out), ExpectedDocument(check.system));
  }

  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    const bool leftover = name.find(".tmp") != std::string::npos ||
                          (name.size() >= 5 && name.compare(name.size() - 5, 5, ".lock") == 0);
    EXPECT_FALSE(leftover) << "left over: " << name;
  }
  // The configuration installed last is one of the seventeen, whole.
  const std::string installed = ReadFile(dir / "SapRfc.ini");
  bool whole = false;
  for (int i = 1; i <= all; ++i) {
    whole = whole || installed == ReadFile(dir / ("SapRfc." + Destination(i)));
  }
  EXPECT_TRUE(whole) << "SapRfc.ini is none of the installed files:\n" << installed;

  if (!HasFailure()) {
    fs::remove_all(dir);
    fs::remove_all(outputs);
  } else {
    std::cerr << "scratch directory kept: " << dir.string() << "\n";
  }
}

const char* GetEnv(const char* name) { return std::getenv(name); }

}  // namespace
}  // namespace tolvaran_e2e

int main(int argc, char** argv) {
  using namespace tolvaran_e2e;
  Defaults defaults = CompiledDefaults();

  static Config loaded;
  try {
    loaded = LoadConfig(&argc, argv, defaults, GetEnv);
  } catch (const std::exception& e) {
    std::cerr << "e2e_concurrency_tests: " << e.what() << "\n\n" << kConfigHelp;
    return 2;
  }
  config = &loaded;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
