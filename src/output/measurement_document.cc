#include "output/measurement_document.h"

#include <string>

#include "output/channel.h"

namespace tolvaran {

ResultDocument MeasurementDocument(const Measurement& measurement, const MeasuredValues& reading,
                                   std::string_view label, std::string_view client,
                                   OutputFlavour dialect, ChannelSelector selector, bool warning) {
  ResultDocument document(dialect, selector);
  document.SetText(measurement.Summary(reading, label, client));
  const std::vector<ValueDefinition>& values = measurement.Values();
  for (std::size_t i = 0; i < values.size() && i < reading.values.size(); ++i) {
    document.AddChannel(Channel{values[i].channelName, values[i].displayName,
                                ValueText(values[i], reading.values[i]), "", warning});
  }
  return document;
}

bool ItemChannel(const ValueRef& item, const MeasuredValues& reading, std::string_view label,
                 Channel* channel) {
  if (!item.found() || item.index >= reading.values.size()) return false;
  const ValueDefinition& definition = item.definition();
  *channel = Channel{"", std::string(label), ValueText(definition, reading.values[item.index]),
                     KeyedUnit(definition.unit)};
  channel->definition = &definition;
  return true;
}

}  // namespace tolvaran
