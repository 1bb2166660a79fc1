#include "rfc/connection.h"

#include <cstdlib>
#include <memory>
#include <string>

#include "driver/ascii_text.h"
#include "rfc/connect_string.h"
#include "rfc/rfc_failure.h"

namespace tolvaran {

namespace {

// The library's own configuration file, and the lock that serialises the
// checks the monitor runs at once in the same directory: from writing it to
// the opening that reads it, no other check may change it.
const char kLibraryConfig[] = "SapRfc.ini";
const char kLibraryConfigLock[] = "SapRfc.ini.lock";
const int kLockTimeoutSeconds = 30;

template <std::size_t N>
void PadTo(FixedText<N>* text, std::size_t width) {
  while (text->size() < width && text->size() < FixedText<N>::kCapacity) text->Append(" ");
}

template <std::size_t N>
char* TextOrNone(FixedText<N>& text) {
  return text.empty() ? nullptr : text.data();
}

void FillTexts(RunState& rs) {
  const SystemProfile& p = rs.profile;
  ConnectionTexts& t = rs.rfc.texts;
  t.destination.Set(p.destination.view());
  t.client.Set(p.logonClient.view());
  t.user.Set(p.user.view());
  t.password.Set(p.password.view());
  t.language.Set(p.language.view());
  t.mode.Set(p.mode.view());
  t.hostname.Set(p.hostname.view());
  t.systemNumber.Set(p.systemNumber.view());
  t.gatewayHost.Set(p.gatewayHost.view());
  t.gatewayService.Set(p.gatewayService.view());
  std::string_view params = rs.paramText.view();
  if (params.find(",HOST=") != std::string_view::npos) t.hostname.Set(rs.hostOverride.view());
  if (params.find(",NO=") != std::string_view::npos) {
    t.systemNumber.Set(rs.systemNumberOverride.view());
  }
}

}  // namespace

RfcHandle OpenConnection(RunState& rs) {
  RfcState& rfc = rs.rfc;
  ConnectionTexts& t = rfc.texts;
  FillTexts(rs);
  PadTo(&t.user, 12);
  PadTo(&t.password, 10);

  RfcOpenOptions& options = rfc.openOptions;
  options.destination = t.destination.data();
  options.client = t.client.data();
  options.user = t.user.data();
  options.password = t.password.data();
  options.language = t.language.data();
  options.trace = 0;

  if (!t.systemNumber.empty()) rs.lastSystemNumber = LeadingNumber(t.systemNumber.view());
  if (t.mode == "R/2") {
    options.mode = 1;
    rfc.gatewayOptions.gateway_host = TextOrNone(t.gatewayHost);
    rfc.gatewayOptions.gateway_service = TextOrNone(t.gatewayService);
    options.connopt = &rfc.gatewayOptions;
  } else {
    options.mode = 0;
    rfc.hostOptions.hostname = TextOrNone(t.hostname);
    rfc.hostOptions.sysnr = rs.lastSystemNumber;
    rfc.hostOptions.gateway_host = TextOrNone(t.gatewayHost);
    rfc.hostOptions.gateway_service = TextOrNone(t.gatewayService);
    options.connopt = &rfc.hostOptions;
  }

  const std::string destination_config = "SapRfc." + t.destination.str();
  if (!rs.host->IsRegularFile(destination_config)) {
    RfcHandle handle = rfc.lib.RfcOpen(&options);
    rfc.lastHandle = handle;
    TraceLine(rs, handle, "RfcOpen called", "");
    return handle;
  }

  std::string connect;
  if (!BuildConnectString({{"CLIENT", rs.profile.logonClient.view()},
                           {"USER", rs.profile.user.view()},
                           {"PASSWD", rs.profile.password.view()},
                           {"LANG", "D"},
                           {"DEST", t.destination.view()}},
                          &connect)) {
    return 0;
  }

  // Standard output is the monitor's document: the note only goes to a
  // person watching the progress lines.
  if (rs.verbose) rs.host->WriteOut("* SapRfc.Ini.......: " + t.destination.str() + "<\n");

  rs.heldLock = rs.host->Lock(kLibraryConfigLock, kLockTimeoutSeconds);
  if (!rs.heldLock) return 0;
  rs.host->RemoveStaleTemporaries(kLibraryConfig);
  if (!rs.host->CopyFile(destination_config, kLibraryConfig)) {
    rs.heldLock.reset();
    return 0;
  }
  rfc.connectString.Set(connect);
  RfcHandle handle = rfc.lib.RfcOpenEx(rfc.connectString.data(), &rfc.openExError);
  rs.heldLock.reset();
  rfc.lastHandle = handle;
  TraceLine(rs, handle, "RfcOpenEx called", "");
  return handle;
}

}  // namespace tolvaran
