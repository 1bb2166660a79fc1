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
    *parsed = text.empty() ? SimConfig() : IndexSimConfig(text);
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

std::string SncRefusal(const SimSystem& system, const SncLogon& snc) {
  auto isName = [](const std::string& name) {
    return name.size() > 2 && name.compare(0, 2, "p:") == 0;
  };
  if (!snc.mode.empty() && snc.mode != "0" && snc.mode != "1") {
    return "invalid SNC mode '" + snc.mode + "'";
  }
  const bool on = snc.mode == "1";
  if (on && !isName(snc.partner)) return "invalid SNC partner name '" + snc.partner + "'";
  if (on && !snc.qop.empty() &&
      (snc.qop.size() != 1 || std::string("12389").find(snc.qop[0]) == std::string::npos)) {
    return "invalid SNC quality of protection '" + snc.qop + "'";
  }
  if (on && !snc.myname.empty() && !isName(snc.myname)) {
    return "invalid own SNC name '" + snc.myname + "'";
  }
  if (!on) return system.sncRequired ? "SNC required for this connection" : "";
  if (system.sncPartner.empty()) return "SNC is not active on the partner";
  if (snc.partner != system.sncPartner) {
    return "SNC name of the partner " + system.sncPartner + " does not match " + snc.partner;
  }
  return "";
}

void TakeConfiguredDelay(const SimSystem& system) {
  if (system.delayMs > 0) SleepMilliseconds(static_cast<unsigned long>(system.delayMs));
}

void HangIfConfigured(const SimSystem& system, Operation op) {
  if ((system.hang & op) != 0) SleepMilliseconds(kHangMs);
}

}  // namespace rfcsim
