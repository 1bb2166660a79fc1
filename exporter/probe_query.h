// What a scrape of /probe asks for, read from its query string and headers
// before anything is started: the target (a bare profile name of the
// exporter's profile directory), the check's parameters, the exposition
// format the scraper accepts and the probe's deadline. Pure functions: the
// HTTP layer hands the values in, a refusal comes back as the reason for
// a 400 answer.
#ifndef TOLVARAN_EXPORTER_PROBE_QUERY_H_
#define TOLVARAN_EXPORTER_PROBE_QUERY_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvaran {

struct ProbeQuery {
  std::string target;  // the profile name, as the scraper wrote it
  std::string client;  // CLIENT= (digits), empty: every client
  bool allServers = false;
  std::string measure;  // MEASURE=, passed through; empty: the program's default
};

struct ParsedQuery {
  bool ok = false;
  std::string reason;  // why not, for the 400 answer
  ProbeQuery query;
};

// The query's keys are target (required), client, servers (all or one)
// and measure, each at most once. A target is a bare profile name: a
// letter or digit first, then letters, digits, '.', '_' and '-', no "..",
// at most 59 characters (".P00" is added to a name without extension),
// and not "global", which would run the global sensor file's listing.
// Values never carry a blank, '=' or a marker, so that none can add a
// parameter of its own to the check's parameter text.
ParsedQuery ParseProbeQuery(const std::vector<std::pair<std::string, std::string>>& params);

// The key under which probes of one profile are kept apart and a refused
// logon is remembered: the target in capitals, since on Windows "prd" and
// "PRD" are the same file and the same monitoring user.
std::string TargetKey(std::string_view target);

// The arguments of the check's worker after the program's name: the
// target, then the parameters, the deadline's TIMEOUT= among them. "@"
// opens the profile under the name as typed in the worker's directory
// (the exporter's profile directory) and searches nowhere else.
std::vector<std::string> CheckArguments(const ProbeQuery& query, int timeoutSeconds);

// The check's parameter text is cut at 119 characters; a query whose
// parameters would not fit is refused rather than cut.
constexpr std::size_t kParameterTextLimit = 119;

enum class ExpositionFormat { kOpenMetrics, kPrometheusText };

// The format an Accept header asks for: OpenMetrics when its media type
// (application/openmetrics-text) has a higher quality than the Prometheus
// text format's (text/plain) and than */*; the text format otherwise,
// and for an empty or unreadable header, as every Prometheus reads it.
ExpositionFormat NegotiateFormat(std::string_view accept);

// The Content-Type of an answer in `format`.
const char* ContentType(ExpositionFormat format);

// The probe's deadline in milliseconds: `configuredMs`, or less when the
// scraper's X-Prometheus-Scrape-Timeout-Seconds (`header`, empty when not
// sent) less `marginMs` comes sooner, so that the scraper gets an answer
// before it gives up. False with `reason` for a header that is not a
// positive number of seconds, or one that leaves no time after the margin.
bool ProbeDeadlineMs(std::string_view header, std::int64_t configuredMs, std::int64_t marginMs,
                     std::int64_t* deadlineMs, std::string* reason);

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_PROBE_QUERY_H_
