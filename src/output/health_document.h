// A check of several measurements (MEASURE=) as one document, in every
// dialect: each value rendered from its definition (name, unit, decimals,
// default limits, Script v2 id, OpenMetrics family and label).
//
// A measurement that failed while others succeeded is named in the text
// and puts the document into the monitor's warning state, as servers left
// out of SERVERS=ALL do; the run ends with the error of the first failure
// only when every measurement failed (the driver's decision).
#ifndef TOLVARAN_OUTPUT_HEALTH_DOCUMENT_H_
#define TOLVARAN_OUTPUT_HEALTH_DOCUMENT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "output/check_report.h"
#include "output/plugin_output.h"
#include "output/result_document.h"

namespace tolvaran {

struct MeasuredPart {
  const Measurement* measurement = nullptr;
  MeasuredValues reading;  // when it succeeded
  std::string failure;     // its error text when it failed; empty when it succeeded
};

struct HealthReport {
  std::string system;  // the destination, as the text and the labels name it
  std::string client;  // CLIENT= (empty: every client)
  std::vector<MeasuredPart> parts;

  bool Partial() const;
  // The measurements' summaries, joined: "(PRD) Dialog WPs busy ...; Short
  // Dumps=...", and what failed: "; DUMPS failed: Error 1033: ...".
  std::string Text() const;
};

// PRTG's EXE/XML sensor keeps at most 50 channels; the values past them
// are left out and the text says how many.
constexpr std::size_t kMaxDocumentChannels = 50;

// The document in one of the five dialects of the result document.
std::string HealthDocument(OutputFlavour dialect, ChannelSelector selector,
                           const HealthReport& report);

// The same in the other monitors' dialects.
RenderedOutput HealthScriptV2(const HealthReport& report);
RenderedOutput HealthPlugin(const HealthReport& report, const PluginThresholds& thresholds);
RenderedOutput HealthOpenMetrics(const HealthReport& report);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_HEALTH_DOCUMENT_H_
