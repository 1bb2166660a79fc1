// The Prometheus text format 0.0.4, which the node exporter's textfile
// collector reads and older scrapers ask for: the OpenMetrics exposition
// converted, so that both are made by the one renderer.
#ifndef TOLVARAN_OUTPUT_PROMETHEUS_TEXT_H_
#define TOLVARAN_OUTPUT_PROMETHEUS_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

// An OpenMetrics exposition as the Prometheus text format 0.0.4: no
// "# EOF", an info family's TYPE named with its "_info" sample and given
// as a gauge, a counter's family named with its "_total" sample, no
// "_created" samples, HELP text unescaped of '\"'. Expositions of other
// forms (histograms, timestamps, exemplars) are not made by the program.
std::string ToPrometheusText(std::string_view openMetrics);

// An exposition's lines, without their line feeds: the conversion above and
// the exporter's reading of a check's answer split text the same way.
std::vector<std::string_view> Lines(std::string_view text);
bool StartsWith(std::string_view text, std::string_view head);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_PROMETHEUS_TEXT_H_
