// tolvaran-profile: writes and checks the system profiles the program
// reads, and scrambles passwords for them.
//
// The logic lives here, apart from main, so that it runs in-process under
// test with streams and a password source of the test's own.
#ifndef TOLVARAN_TOOLS_PROFILE_TOOL_H_
#define TOLVARAN_TOOLS_PROFILE_TOOL_H_

#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace tolvaran {

struct ProfileToolIo {
  std::ostream* out = nullptr;
  std::ostream* err = nullptr;
  // Reads one line of standard input (without echo at a terminal), its
  // line feed removed. False at the end of input before any character.
  std::function<bool(std::string*)> readPasswordLine;
  // Chooses key offsets and filler; main seeds it from std::random_device.
  std::mt19937* rng = nullptr;
};

// Runs the tool with the arguments that follow the program's name and
// returns the exit status: 0 done, 2 refused or failed.
int RunProfileTool(const std::vector<std::string>& args, ProfileToolIo& io);

// What `check` prints for the profile file `path`, without the line end:
// "OK" or the program's error message.
std::string CheckProfileFile(const std::string& path);

}  // namespace tolvaran

#endif  // TOLVARAN_TOOLS_PROFILE_TOOL_H_
