#include "exporter/exporter_options.h"

#include <cstdlib>

namespace tolvaran {

namespace {

bool Number(const std::string& text, double low, double high, double* value) {
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && *value >= low && *value <= high;
}

// "host:port", "[v6]:port" or ":port" (every address).
bool ListenAddress(const std::string& text, std::string* host, int* port) {
  std::size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  std::string name = text.substr(0, colon);
  if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
    name = name.substr(1, name.size() - 2);
  }
  double number;
  if (!Number(text.substr(colon + 1), 1, 65535, &number) || number != static_cast<int>(number)) {
    return false;
  }
  *host = name.empty() ? "0.0.0.0" : name;
  *port = static_cast<int>(number);
  return true;
}

}  // namespace

ParsedOptions ParseExporterOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  ExporterOptions& o = parsed.options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      continue;
    }
    if (arg == "--version") {
      o.version = true;
      continue;
    }
    std::size_t eq = arg.find('=');
    std::string name = arg.substr(0, eq);
    std::string value;
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      parsed.error = name + " needs a value";
      return parsed;
    }
    double number = 0;
    auto whole = [&](double low, double high) {
      return Number(value, low, high, &number) && number == static_cast<std::int64_t>(number);
    };
    if (name == "--web.listen-address") {
      if (!ListenAddress(value, &o.host, &o.port)) {
        parsed.error = "--web.listen-address is host:port, e.g. 127.0.0.1:10036";
        return parsed;
      }
    } else if (name == "--profile-dir") {
      if (value.empty()) {
        parsed.error = "--profile-dir is empty";
        return parsed;
      }
      o.profileDir = value;
    } else if (name == "--program") {
      o.program = value;
    } else if (name == "--web.config.file") {
      o.webConfigFile = value;
    } else if (name == "--log-file") {
      o.logFile = value;
    } else if (name == "--max-probes") {
      if (!whole(1, 256)) {
        parsed.error = "--max-probes is a whole number from 1 to 256";
        return parsed;
      }
      o.service.maxProbes = static_cast<int>(number);
    } else if (name == "--max-queued") {
      if (!whole(0, 4096)) {
        parsed.error = "--max-queued is a whole number from 0 to 4096";
        return parsed;
      }
      o.service.maxQueued = static_cast<int>(number);
    } else if (name == "--timeout") {
      if (!Number(value, 1, 900, &number)) {
        parsed.error = "--timeout is a number of seconds from 1 to 900";
        return parsed;
      }
      o.timeoutMs = static_cast<std::int64_t>(number * 1000);
    } else if (name == "--timeout-offset") {
      if (!Number(value, 0, 60, &number)) {
        parsed.error = "--timeout-offset is a number of seconds from 0 to 60";
        return parsed;
      }
      o.marginMs = static_cast<std::int64_t>(number * 1000);
    } else if (name == "--backoff") {
      if (!Number(value, 0, 86400, &number)) {
        parsed.error = "--backoff is a number of seconds from 0 to 86400";
        return parsed;
      }
      o.service.backoffMs = static_cast<std::int64_t>(number * 1000);
    } else {
      parsed.error = "unknown flag " + name + " (see --help)";
      return parsed;
    }
  }
  parsed.ok = true;
  return parsed;
}

std::string ExporterHelp() {
  return "Usage: tolvaran-exporter [FLAG...]\n"
         "\n"
         "A Prometheus exporter for many SAP systems: each scrape of\n"
         "/probe?target=PRD runs the check of profile PRD (PRD.P00 in the profile\n"
         "directory) in a tolvaran process and answers its exposition.\n"
         "\n"
         "  --web.listen-address=HOST:PORT  where to listen (default 127.0.0.1:10036;\n"
         "                         \":PORT\" listens on every address)\n"
         "  --web.config.file=PATH  TLS and basic authentication, in the exporter\n"
         "                         toolkit's format (tls_server_config: cert_file,\n"
         "                         key_file; basic_auth_users: name: bcrypt hash);\n"
         "                         Linux only\n"
         "  --profile-dir=DIR      the profiles, Dalvenor files and SapRfc.* files; the\n"
         "                         checks run in it (default: the current directory)\n"
         "  --program=PATH         the tolvaran program (default: beside the exporter)\n"
         "  --log-file=PATH        append the log to this file instead of standard error\n"
         "  --max-probes=N         checks run at once, 1 to 256 (default 8)\n"
         "  --max-queued=N         probes that wait for a free worker, 0 to 4096\n"
         "                         (default 32); more are answered 503\n"
         "  --timeout=SECONDS      a probe's deadline (default 30); a scrape's\n"
         "                         X-Prometheus-Scrape-Timeout-Seconds less the offset\n"
         "                         shortens it\n"
         "  --timeout-offset=SECONDS  taken off the scrape's timeout (default 0.5)\n"
         "  --backoff=SECONDS      after error 1011 (logon refused, or no connection)\n"
         "                         the target is not checked again for this long\n"
         "                         (default 300; 0: never wait)\n"
         "  --version              the version, then end\n"
         "  --help                 this text, then end\n"
         "\n"
         "Endpoints: /probe?target=NAME[&client=100][&servers=all][&measure=LIST],\n"
         "/metrics (the exporter's own), / (version and links). Logs go to standard\n"
         "error, one line per probe that did not succeed.\n"
         "\n"
         "Windows: tolvaran-exporter service install [FLAG...] registers it as the\n"
         "service tolvaran-exporter (with --profile-dir and --log-file beside the\n"
         "program unless given); tolvaran-exporter service uninstall removes it.\n";
}

}  // namespace tolvaran
