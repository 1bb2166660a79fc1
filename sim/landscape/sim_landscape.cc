#include "sim_landscape.h"

#include <string>

#include "sim_files.h"

namespace rfcsim {

namespace {

constexpr char kSimIniName[] = "SapSim.ini";
constexpr unsigned long kHangMs = 3600ul * 1000;

}  // namespace

const SimConfig& ReadLandscape() {
  // Never destroyed: a library's error handler may end the process from
  // inside one of its calls, and nothing may be torn down beneath it.
  static std::string* parsedText = new std::string();
  static SimConfig* parsed = new SimConfig();
  static bool parsedOnce = false;
  std::string text;
  if (!ReadWholeFile(FindIgnoringCase(kSimIniName), &text)) text.clear();
  if (!parsedOnce || text != *parsedText) {
    *parsed = text.empty() ? SimConfig() : ParseSimConfig(text);
    *parsedText = std::move(text);
    parsedOnce = true;
  }
  return *parsed;
}

bool LogonAccepted(const SimSystem& system, const char* client, const char* user,
                   const char* password) {
  return Trim(client ? client : "") == system.client &&
         TrimTrailingBlanks(user ? user : "") == TrimTrailingBlanks(system.user) &&
         TrimTrailingBlanks(password ? password : "") == TrimTrailingBlanks(system.password);
}

void TakeConfiguredDelay(const SimSystem& system) {
  if (system.delayMs > 0) SleepMilliseconds(static_cast<unsigned long>(system.delayMs));
}

void HangIfConfigured(const SimSystem& system, Operation op) {
  if ((system.hang & op) != 0) SleepMilliseconds(kHangMs);
}

}  // namespace rfcsim
