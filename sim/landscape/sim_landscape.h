// What both simulated libraries do alike at run time: read the landscape
// from SapSim.ini in the current directory, check a logon, and take the
// time a system is configured to take.
#ifndef TOLVARAN_SIM_SIM_LANDSCAPE_H_
#define TOLVARAN_SIM_SIM_LANDSCAPE_H_

#include <string>

#include "sim_config.h"

namespace rfcsim {

// The landscape is read afresh at every call, so that a test may change it
// between calls; it is parsed again only when its text changed, so that a
// listing over many systems costs the same per system however many there
// are. A missing file is an empty landscape. The reference stays valid
// until the next call.
const SimConfig& ReadLandscape();

// The logon the system accepts. Client, user and password are compared
// ignoring trailing blanks, the client also leading ones; case counts.
// Null texts are empty.
bool LogonAccepted(const SimSystem& system, const char* client, const char* user,
                   const char* password);

// A logon's SNC parameters, as the library was given them (empty: not).
struct SncLogon {
  std::string mode;
  std::string partner;
  std::string qop;
  std::string myname;
  std::string library;
};

// Why `system` refuses a logon with these SNC parameters, "" when it takes
// it. The forms are checked first, as the library checks them before it
// connects: mode empty, 0 or 1; with mode 1 a partner name of the form
// "p:<name>"; QOP empty, 1, 2, 3, 8 or 9; my name empty or "p:<name>".
std::string SncRefusal(const SimSystem& system, const SncLogon& snc);

// "delay =": waits the system's delay (none when 0).
void TakeConfiguredDelay(const SimSystem& system);

// "hang =": when `op` is among the system's, blocks for an hour, long past
// any deadline a caller sets; then returns as if nothing happened.
void HangIfConfigured(const SimSystem& system, Operation op);

// Platform part (sim_sleep-posix.cc / sim_sleep-win32.cc).
void SleepMilliseconds(unsigned long ms);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_LANDSCAPE_H_
