// Realistic files for the fuzz targets that need files besides their input.
#ifndef TOLVARAN_FUZZ_SAMPLES_H_
#define TOLVARAN_FUZZ_SAMPLES_H_

#include <string>

#include "support/sample_profile.h"

namespace tolvaran_fuzz {

using tolvaran::kSamplePassword;

// A complete, valid profile for `destination`.
inline std::string SampleProfile(const std::string& destination) {
  return tolvaran::SampleProfile({destination, destination + "host", 0, "gwhost"});
}

constexpr const char kSampleIndex[] =
    "* Tolvaran profile index\n"
    "# Gsng: Production..PRD.P00#PR2.P00#\n"
    "# Gsng: Quality.....QAS.P00#\n";

constexpr const char kSampleGlobal[] =
    "* Global sensors\n"
    "# GSNG: PRODUCTION  PRD.P00#PR2.P00#\n"
    "# GSNX: PRODUCTION  Item=Active:User(s) CLIENT=100,Sensor=\"SAP Tolvaran\",Alias\n"
    "# gsng: quality     QAS.P00#\n"
    "# GSNX: QUALITY     Item=Act:Terminals,Sensor=\"SAP Tolvaran\",Host\n";

constexpr const char kSampleTrace[] =
    "**** Trace file opened at 20261208 140359 UTC, SAP-REL 640,0,7 RFC-VER 3 SIM\n"
    "**** ERROR file opened at 20261208 140359 UTC\n"
    "LOCATION    SAP-Gateway on host prdhost / sapgw00\n"
    "ERROR       Name or password is incorrect (repeat logon)\n"
    "TIME        Tue Dec 08 14:03:59 2026\n";

// FNV-1a: a stable hash for choosing what exists in a made-up file system.
inline std::uint32_t Hash(std::string_view text, std::uint32_t seed = 2166136261u) {
  std::uint32_t h = seed;
  for (char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

}  // namespace tolvaran_fuzz

#endif  // TOLVARAN_FUZZ_SAMPLES_H_
