#include "driver/global_allocation.h"

#include <string>

#include "driver/command_line.h"
#include "driver/error_exit.h"
#include "platform/text_reader.h"
#include "text/ascii_text.h"

namespace tolvaran {

std::size_t CountListedSystems(std::string_view listing) {
  std::size_t count = 0;
  std::size_t at = 0;
  while (at < listing.size()) {
    std::size_t hash = listing.find('#', at);
    ++count;
    if (hash == std::string_view::npos) break;
    at = hash + 1;
  }
  return count;
}

namespace {

// Listing lines carry their text from position 21 on.
void AppendListingText(RunState& rs, const std::string& line) {
  if (line.size() <= 20) return;
  // Stop collecting once the listing is beyond what is checked: the error
  // for it follows, and a huge file does not grow the text without bound.
  if (rs.listingNames > kMaxListedSystems) return;
  for (std::size_t i = 20; i < line.size(); ++i) rs.listingNames += line[i] == '#';
  rs.serverListing.append(line, 20, std::string::npos);
}

void ReadProfileIndex(RunState& rs) {
  std::string bytes;
  if (!rs.host->ReadFile(rs.profilePath.str(), &bytes)) {
    FatalError(rs, "Error 1024: ProFile " + rs.profileName.str() + " is missing...");
  }
  TextReader reader(std::move(bytes));
  std::string line;
  while (reader.ReadPiece(199, &line)) {
    StripLineEnd(&line);
    if (line.compare(0, 8, "# Gsng: ") == 0) AppendListingText(rs, line);
  }
}

// Returns the sensor line's parameters as typed, ":" not yet blanks.
std::string ReadGlobalSensorFile(RunState& rs) {
  std::string sensor = rs.params.firstWord;
  sensor.resize(10, ' ');
  const std::string listing_prefix = "# GSNG: " + sensor;
  const std::string sensor_prefix = "# GSNX: " + sensor;

  std::string bytes;
  if (!rs.host->ReadFile(rs.profilePath.str(), &bytes)) {
    FatalError(rs, "Error 10x1: ProFile " + rs.profileName.str() + " is missing...");
  }
  rs.foundFlag = false;

  std::string sensor_text;
  std::string sensor_typed;
  TextReader reader(std::move(bytes));
  std::string line;
  while (reader.ReadPiece(199, &line)) {
    StripLineEnd(&line);
    std::string head = AsciiUpper(std::string_view(line).substr(0, 18));
    if (head == listing_prefix) {
      AppendListingText(rs, line);
    } else if (head == sensor_prefix) {
      sensor_text = line.size() > 19 ? line.substr(19) : "";
      FixedText<120> typed;
      typed.Set(sensor_text);
      std::string raw = typed.str();
      if (!Contains(raw, "Sensor=\"SAP Tolvaran\"")) {
        FatalError(rs, "Error 1029: Invalid Sensor-Allocation...");
      }
      std::size_t tags = raw.find(",Sensor=");
      if (tags != std::string::npos) raw.resize(tags);
      sensor_typed = raw;
      // The sensor line's parameters replace the command line's; keys are
      // looked up in the command line's until the allocation is done.
      rs.params = ParseParameters(rs.params.upper.view(), ColonsAsBlanks(raw));
      if (Contains(line, ",Profile")) rs.labelKind.Set("1");
      rs.foundFlag = true;
      if (Contains(line, ",Alias")) rs.labelKind.Set("2");
      if (Contains(line, ",Host")) rs.labelKind.Set("3");
      if (Contains(line, ",Sid")) rs.labelKind.Set("4");
    }
  }

  rs.itemName.Clear();
  std::string item;
  if (TakeKeyValue(sensor_text, sensor_text, "Item=", 90, &item)) rs.itemName.Set(item);
  if (!rs.foundFlag) {
    std::string argument = rs.args.size() > 2 ? rs.args[2] : "";
    FatalError(rs, "Error 1030: Global Sensor " + argument + " not found...");
  }
  return sensor_typed;
}

}  // namespace

void AllocateGlobalSensor(RunState& rs) {
  rs.profileOpen = false;
  rs.profileBytes.clear();
  rs.labelKind.Set("1");
  rs.serverListing.clear();
  rs.listingOffset = 0;
  rs.listingNames = 0;
  rs.systemCount = 0;
  rs.processedCount = 0;
  rs.failedCount = 0;
  const Parameters commandLine = rs.params;

  std::string sensorTyped;
  if (rs.profileName == "Dalvenor.Gbl") {
    sensorTyped = ReadGlobalSensorFile(rs);
  } else {
    ReadProfileIndex(rs);
  }

  if (rs.serverListing.empty()) FatalError(rs, "Error 1025: Global Server Listing missing...");
  if (CountListedSystems(rs.serverListing) > kMaxListedSystems) {
    FatalError(rs, "Error 1027: Global Server Listing too long...");
  }
  if (rs.itemName.empty()) FatalError(rs, "Error 1026: Global Item Idenification missing...");

  SetParameters(rs, rs.params.raw.view());
  CopyWordKeys(ParseParameters(sensorTyped), &rs.params);
  KeepRunLimits(commandLine, &rs.params);
  CheckRunLimits(rs);
}

}  // namespace tolvaran
