// A measurement's reading made into a document or one listing channel,
// from the measurement's value definitions.
#ifndef TOLVARAN_OUTPUT_MEASUREMENT_DOCUMENT_H_
#define TOLVARAN_OUTPUT_MEASUREMENT_DOCUMENT_H_

#include <string_view>

#include "measure/measurement.h"
#include "measure/registry.h"
#include "output/result_document.h"

namespace tolvaran {

// The document of one system: the measurement's summary for `label` (the
// destination, or with SERVERS=ALL the destination and its servers; with
// the counted `client`, when one is), then a channel per value, each
// marked as a warning when `warning` is set.
ResultDocument MeasurementDocument(const Measurement& measurement, const MeasuredValues& reading,
                                   std::string_view label, std::string_view client,
                                   OutputFlavour dialect, ChannelSelector selector,
                                   bool warning = false);

// The listing's channel for one system: `item`'s value, shown as `label`,
// with the value's unit (and in the XML dialects its <Float> and default
// limits; a plain count is written as the user list's values always were).
// False, with `channel` untouched, when `item` names no value.
bool ItemChannel(const ValueRef& item, const MeasuredValues& reading, std::string_view label,
                 Channel* channel);

}  // namespace tolvaran

#endif  // TOLVARAN_OUTPUT_MEASUREMENT_DOCUMENT_H_
