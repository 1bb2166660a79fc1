#include "driver/connection_request.h"

#include <string>

#include "text/ascii_text.h"

namespace tolvaran {

ConnectionRequest ConnectionRequestFor(SystemProfile& p, const Parameters& params) {
  ConnectionRequest request;
  request.destination = p.destination.str();
  request.client = p.logonClient.str();
  request.user = p.user.str();
  request.password = p.password.str();
  request.language = p.language.str();
  request.mode = p.mode.str();
  request.hostname = params.hostOverride ? "" : p.hostname.str();
  request.gatewayHost = p.gatewayHost.str();
  request.gatewayService = p.gatewayService.str();
  request.snc = {p.sncMode.str(), p.sncPartner.str(), p.sncQop.str(), p.sncMyname.str(),
                 p.sncLibrary.str()};
  std::string systemNumber = params.numberOverride ? "" : p.systemNumber.str();
  if (!systemNumber.empty()) p.carriedSystemNumber = LeadingNumber(systemNumber);
  request.systemNumber = p.carriedSystemNumber;
  return request;
}

}  // namespace tolvaran
