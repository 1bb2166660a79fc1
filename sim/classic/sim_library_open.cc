// The simulated classic library's openings: RfcOpen (by host or gateway),
// RfcOpenEx (by destination or application server), the logon and SNC
// checks and their failures, and RfcClose.
#include <filesystem>
#include <map>
#include <string>

#include "sim_config.h"
#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_library.h"

namespace rfcsim {

namespace {

constexpr char kRfcIniName[] = "SapRfc.ini";
constexpr char kConnectStatus[] = "CONNECT to SAP gateway failed";

Failure NotReached(const std::string& partner) {
  return MakeFailure("RFC_ERROR_COMMUNICATION", kConnectStatus,
                     "partner '" + partner + "' not reached", "rc=-1 (partner not reached)");
}

Failure LogonFailure(const SimSystem& system, OpenMode mode) {
  Failure f = MakeFailure("RFC_ERROR_LOGON_FAILURE", kConnectStatus,
                          "Name or password is incorrect (repeat logon)", "rc=1 (logon failure)");
  f.location = PartnerLocation(system, mode);
  f.group = kGroupLogon;
  return f;
}

// A logon the system refuses for its SNC settings.
Failure SncFailure(const SimSystem& system, OpenMode mode, const std::string& message) {
  Failure f = MakeFailure("RFC_ERROR_LOGON_FAILURE", kConnectStatus, message, "rc=1 (SNC)");
  f.location = PartnerLocation(system, mode);
  f.group = kGroupLogon;
  return f;
}

Failure InvalidParameter(std::string status, std::string message) {
  Failure f = MakeFailure("RFC_INVALID_PARAMETER", std::move(status), std::move(message),
                          "rc=-2 (invalid parameter)");
  f.group = kGroupParameter;
  return f;
}

RfcHandle Connect(const SimSystem& system, OpenMode mode, const char* language) {
  LibraryState& s = State();
  while (s.nextHandle == 0 || s.connections.count(s.nextHandle) != 0) ++s.nextHandle;
  RfcHandle handle = s.nextHandle++;
  Connection& connection = s.connections[handle];
  connection.system = std::make_shared<const SimSystem>(system);
  connection.mode = mode;
  connection.language = Trim(language ? language : "");
  s.hasCurrent = true;
  s.currentFail = system.fail;
  return handle;
}

RfcHandle OpenWithOptions(const RfcOpenOptions* options) {
  const SimConfig& config = ReadSimConfig();
  if (options == nullptr) {
    Record(InvalidParameter(kConnectStatus, "no connection options given"));
    return 0;
  }
  const SimSystem* system = nullptr;
  std::string partner;
  OpenMode mode;
  if (options->mode == 0) {
    const auto* host = static_cast<const HostOptions*>(options->connopt);
    const char* hostname = host ? host->hostname : nullptr;
    int sysnr = host ? host->sysnr : 0;
    system = config.FindByHost(hostname, sysnr);
    partner = std::string(hostname ? hostname : "") + ":" + GatewayService(sysnr);
    mode = OpenMode::kHost;
  } else if (options->mode == 1) {
    const auto* gateway = static_cast<const GatewayOptions*>(options->connopt);
    const char* gwhost = gateway ? gateway->gateway_host : nullptr;
    const char* gwservice = gateway ? gateway->gateway_service : nullptr;
    system = config.FindByGateway(gwhost, gwservice);
    partner = std::string(gwhost ? gwhost : "") + ":" + (gwservice ? gwservice : "");
    mode = OpenMode::kGateway;
  } else {
    Record(InvalidParameter(kConnectStatus,
                            "invalid connection mode " + std::to_string(options->mode)));
    return 0;
  }
  if (system == nullptr) {
    Record(NotReached(partner));
    return 0;
  }
  HangIfConfigured(*system, kOpRfcOpen);
  TakeConfiguredDelay(*system);
  if (Aborts(*system, mode, kOpRfcOpen, "RfcOpen", kConnectStatus)) return 0;
  // The options record carries no SNC parameters.
  std::string snc = SncRefusal(*system, {});
  if (!snc.empty()) {
    Record(SncFailure(*system, mode, snc));
    return 0;
  }
  if (!LogonAccepted(*system, options->client, options->user, options->password)) {
    Record(LogonFailure(*system, mode));
    return 0;
  }
  return Connect(*system, mode, options->language);
}

RfcHandle OpenWithConnectString(const char* connect) {
  const SimConfig& config = ReadSimConfig();
  std::map<std::string, std::string> pairs = ParseConnectString(connect ? connect : "");
  auto value = [&pairs](const char* key) -> const char* {
    auto it = pairs.find(key);
    return it == pairs.end() ? "" : it->second.c_str();
  };
  std::string destination = value("DEST");
  const SimSystem* system = nullptr;
  OpenMode mode = OpenMode::kDestination;
  if (!destination.empty()) {
    std::string rfcIni;
    std::filesystem::path rfcIniPath = LibraryConfigPath(kRfcIniName);
    if (!ReadWholeFile(rfcIniPath, &rfcIni) || !SapRfcIniHasDestination(rfcIni, destination)) {
      Record(InvalidParameter(kConnectStatus, "destination " + destination + " not found in " +
                                                  rfcIniPath.filename().string()));
      return 0;
    }
    system = config.FindByName(destination);
    if (system == nullptr) {
      Record(NotReached(destination));
      return 0;
    }
  } else if (*value("ASHOST") != '\0') {
    // An application server named in the string itself.
    int sysnr = -1;
    if (!ParseInt(value("SYSNR"), &sysnr)) {
      Record(InvalidParameter(kConnectStatus, "invalid SYSNR in connect string"));
      return 0;
    }
    system = config.FindByHost(value("ASHOST"), sysnr);
    mode = OpenMode::kHost;
    if (system == nullptr) {
      Record(NotReached(std::string(value("ASHOST")) + ":" + GatewayService(sysnr)));
      return 0;
    }
  } else {
    Record(InvalidParameter(kConnectStatus, "no destination in connect string"));
    return 0;
  }
  HangIfConfigured(*system, kOpRfcOpenEx);
  TakeConfiguredDelay(*system);
  if (Aborts(*system, mode, kOpRfcOpenEx, "RfcOpenEx", kConnectStatus)) return 0;
  std::string snc = SncRefusal(*system, {value("SNC_MODE"), value("SNC_PARTNERNAME"),
                                         value("SNC_QOP"), value("SNC_MYNAME"), value("SNC_LIB")});
  if (!snc.empty()) {
    Record(SncFailure(*system, mode, snc));
    return 0;
  }
  if (!LogonAccepted(*system, value("CLIENT"), value("USER"), value("PASSWD"))) {
    Record(LogonFailure(*system, mode));
    return 0;
  }
  return Connect(*system, mode, value("LANG"));
}

}  // namespace

}  // namespace rfcsim

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

RFCSIM_EXPORT RfcHandle RFC_CALL RfcOpen(RfcOpenOptions* options) {
  try {
    return rfcsim::OpenWithOptions(options);
  } catch (...) {
    return 0;
  }
}

RFCSIM_EXPORT RfcHandle RFC_CALL RfcOpenEx(char* connect, RfcErrorRecord* error) {
  try {
    RfcHandle handle = rfcsim::OpenWithConnectString(connect);
    if (handle == 0 && error != nullptr) {
      const rfcsim::Failure& failure = rfcsim::State().lastError;
      error->group = failure.group;
      rfcsim::CopyText(error->key, sizeof error->key, failure.key);
      rfcsim::CopyText(error->message, sizeof error->message, failure.message);
    }
    return handle;
  } catch (...) {
    return 0;
  }
}

RFCSIM_EXPORT void RFC_CALL RfcClose(RfcHandle handle) {
  rfcsim::State().connections.erase(handle);
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr RfcOpenFn kOpen = &RfcOpen;
[[maybe_unused]] constexpr RfcOpenExFn kOpenEx = &RfcOpenEx;
[[maybe_unused]] constexpr RfcCloseFn kClose = &RfcClose;

}  // namespace
