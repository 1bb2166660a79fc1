// tolvaran-profile's entry: the process's streams, a password line read
// without echo at a terminal, and a random source seeded by the system.
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/console_input.h"
#include "platform/process_setup.h"
#include "profile_tool.h"

int main(int argc, char** argv) {
  // It reads a password at the terminal and holds it in plain.
  tolvaran::PrepareProcess();
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device(), device(), device()};
  std::mt19937 rng(seed);

  tolvaran::ProfileToolIo io;
  io.out = &std::cout;
  io.err = &std::cerr;
  io.readPasswordLine = tolvaran::ReadHiddenLine;
  io.rng = &rng;
  const int status = tolvaran::RunProfileTool(args, io);
  std::cout.flush();
  return std::cout ? status : 2;
}
