// A complete, valid system profile, written with the program's own password
// routine: the one sample that the fuzz targets and the benchmarks read.
#ifndef TOLVARAN_TESTS_SUPPORT_SAMPLE_PROFILE_H_
#define TOLVARAN_TESTS_SUPPORT_SAMPLE_PROFILE_H_

#include <cstdio>
#include <string>

#include "profile/password.h"

namespace tolvaran {

// The password of every sample profile; a run must never show it.
constexpr const char kSamplePassword[] = "Secret99";

struct SampleSystem {
  std::string destination;
  std::string host;  // also the gateway host when `gatewayHost` is empty
  int systemNumber = 0;
  std::string gatewayHost;
};

inline std::string SampleProfile(const SampleSystem& system) {
  std::string stored;
  ScramblePassword(BuildKeyTable(), kSamplePassword, 3, "abcdefghijklmnopqrst", &stored);
  char number[8];
  std::snprintf(number, sizeof number, "%02d", system.systemNumber % 100);
  const std::string& gateway = system.gatewayHost.empty() ? system.host : system.gatewayHost;
  return "* Tolvaran system profile\n"
         "Extcompany.: Example Corp\n"
         "Destination: " +
         system.destination +
         "\n"
         "Client.....: 100\n"
         "User.......: sapmon\n"
         "Password...: " +
         stored +
         "\n"
         "Language...: E\n"
         "Mode.......: R/3\n"
         "Hostname...: " +
         system.host + "\nSysnr......: " + number + "\nGwhost.....: " + gateway +
         "\nGwservice..: sapgw00\n";
}

}  // namespace tolvaran

#endif  // TOLVARAN_TESTS_SUPPORT_SAMPLE_PROFILE_H_
