#include "driver/global_allocation.h"

#include <cstddef>
#include <limits>
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

// Lines of the listing files are read whole: a line of many systems cut at
// a buffer's width would check some of them and drop the rest without a
// word.
constexpr std::size_t kWholeLine = std::numeric_limits<std::size_t>::max();

class Allocation {
 public:
  Allocation(Host& host, const Invocation& inv, const ProfileSource& source)
      : host_(host), inv_(inv), source_(source) {}

  ListingPlan Allocate();

 private:
  void AppendListingText(const std::string& line);
  void ReadProfileIndex();
  void ReadGlobalSensorFile();

  Host& host_;
  const Invocation& inv_;
  const ProfileSource& source_;
  ListingPlan plan_;
  // The global sensor line's parameters as typed, ":" not yet blanks.
  std::string sensorTyped_;
  std::size_t listingNames_ = 0;  // the "#"s collected so far
};

// Listing lines carry their text from position 21 on.
void Allocation::AppendListingText(const std::string& line) {
  if (line.size() <= 20) return;
  // Stop collecting once the listing is beyond what is checked: the error
  // for it follows, and a huge file does not grow the text without bound.
  if (listingNames_ > kMaxListedSystems) return;
  for (std::size_t i = 20; i < line.size(); ++i) listingNames_ += line[i] == '#';
  plan_.listing.append(line, 20, std::string::npos);
}

void Allocation::ReadProfileIndex() {
  std::string bytes;
  if (!host_.ReadFile(source_.path.str(), &bytes)) {
    FatalError("Error 1024: ProFile " + source_.name.str() + " is missing...");
  }
  TextReader reader(std::move(bytes));
  std::string line;
  while (reader.ReadPiece(kWholeLine, &line)) {
    StripLineEnd(&line);
    if (line.compare(0, 8, "# Gsng: ") == 0) AppendListingText(line);
  }
}

void Allocation::ReadGlobalSensorFile() {
  std::string sensor = inv_.params.firstWord;
  sensor.resize(10, ' ');
  const std::string listing_prefix = "# GSNG: " + sensor;
  const std::string sensor_prefix = "# GSNX: " + sensor;

  std::string bytes;
  if (!host_.ReadFile(source_.path.str(), &bytes)) {
    FatalError("Error 10x1: ProFile " + source_.name.str() + " is missing...");
  }
  bool found = false;

  std::string sensor_text;
  TextReader reader(std::move(bytes));
  std::string line;
  while (reader.ReadPiece(kWholeLine, &line)) {
    StripLineEnd(&line);
    std::string head = AsciiUpper(std::string_view(line).substr(0, 18));
    if (head == listing_prefix) {
      AppendListingText(line);
    } else if (head == sensor_prefix) {
      sensor_text = line.size() > 19 ? line.substr(19) : "";
      FixedText<120> typed;
      typed.Set(sensor_text);
      std::string raw = typed.str();
      if (!Contains(raw, "Sensor=\"SAP Tolvaran\"")) {
        FatalError("Error 1029: Invalid Sensor-Allocation...");
      }
      std::size_t tags = raw.find(",Sensor=");
      if (tags != std::string::npos) raw.resize(tags);
      // The sensor line's parameters replace the command line's once the
      // file is read: the last line of the sensor counts.
      sensorTyped_ = raw;
      if (Contains(line, ",Profile")) plan_.labelKind = LabelKind::kProfile;
      found = true;
      if (Contains(line, ",Alias")) plan_.labelKind = LabelKind::kAlias;
      if (Contains(line, ",Host")) plan_.labelKind = LabelKind::kHost;
      if (Contains(line, ",Sid")) plan_.labelKind = LabelKind::kDestination;
    }
  }

  plan_.itemName.Clear();
  std::string item;
  if (TakeKeyValue(sensor_text, sensor_text, "Item=", 90, &item)) plan_.itemName.Set(item);
  if (!found) {
    std::string argument = inv_.args.size() > 2 ? inv_.args[2] : "";
    FatalError("Error 1030: Global Sensor " + argument + " not found...");
  }
}

ListingPlan Allocation::Allocate() {
  plan_.params = inv_.params;
  plan_.itemName.Set(inv_.itemName.view());

  if (source_.name == "Dalvenor.Gbl") {
    ReadGlobalSensorFile();
    plan_.params = ParseSensorParameters(sensorTyped_);
    KeepRunLimits(inv_.params, &plan_.params);
  } else {
    ReadProfileIndex();
  }

  if (plan_.listing.empty()) FatalError("Error 1025: Global Server Listing missing...");
  if (CountListedSystems(plan_.listing) > kMaxListedSystems) {
    FatalError("Error 1027: Global Server Listing too long...");
  }
  if (plan_.itemName.empty()) FatalError("Error 1026: Global Item Idenification missing...");

  plan_.report = inv_.report;
  CheckParameters(plan_.params, &plan_.report);
  return std::move(plan_);
}

}  // namespace

ListingPlan AllocateGlobalSensor(Host& host, const Invocation& inv, const ProfileSource& source) {
  return Allocation(host, inv, source).Allocate();
}

}  // namespace tolvaran
