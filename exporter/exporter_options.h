// tolvaran-exporter's command line: its flags, their defaults and --help.
#ifndef TOLVARAN_EXPORTER_EXPORTER_OPTIONS_H_
#define TOLVARAN_EXPORTER_EXPORTER_OPTIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "exporter/probe_service.h"

namespace tolvaran {

// The port the exporter listens on by default. Prometheus' list of default
// port allocations (its wiki's "Default port allocations") gave out every
// port from 9100 to 9999 by mid-2023, so no number there is free of
// another exporter; 10036 is the first after the range that is neither in
// that list nor in Debian's /etc/services nor near the monitoring ports
// there (Zabbix' 10050 and 10051).
constexpr int kDefaultPort = 10036;

struct ExporterOptions {
  std::string host = "127.0.0.1";  // loopback unless told otherwise
  int port = kDefaultPort;
  std::string profileDir = ".";
  std::string program;        // empty: `tolvaran` beside the exporter
  std::string logFile;        // empty: standard error
  std::string webConfigFile;  // TLS and basic authentication; empty: neither
  ServiceSettings service;
  std::int64_t timeoutMs = 30000;  // the probe's deadline without a scrape timeout
  std::int64_t marginMs = 500;     // taken off the scrape's timeout
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  bool ok = false;
  std::string error;
  ExporterOptions options;
};

ParsedOptions ParseExporterOptions(const std::vector<std::string>& args);

std::string ExporterHelp();

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_EXPORTER_OPTIONS_H_
