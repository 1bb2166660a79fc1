// tolvaran: the check program the monitor starts once per check.
#include <string>
#include <vector>

#include "driver/run.h"
#include "platform/host.h"
#include "platform/process_setup.h"

int main(int argc, char** argv) {
  tolvaran::PrepareProcess();
  std::vector<std::string> args(argv, argv + argc);
  auto host = tolvaran::MakeRealHost();
  return tolvaran::RunProgram(*host, args);
}
