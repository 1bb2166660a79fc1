#include "output/check_report.h"

#include <map>
#include <set>
#include <utility>

#include "text/ascii_text.h"

namespace tolvaran {

CheckReport CheckReport::Single(std::string system, std::string client,
                                const Measurement& measurement, MeasuredValues reading,
                                std::string text) {
  CheckReport report;
  report.kind = Kind::kSingle;
  report.system = std::move(system);
  report.client = std::move(client);
  report.measurement = &measurement;
  report.reading = std::move(reading);
  report.text = std::move(text);
  return report;
}

CheckReport CheckReport::Listing(std::string client, ListingResult listing) {
  CheckReport report;
  report.kind = Kind::kListing;
  report.client = std::move(client);
  report.listing = std::move(listing);
  return report;
}

CheckReport CheckReport::Failure(std::string system, RunError error) {
  CheckReport report;
  report.kind = Kind::kError;
  report.system = std::move(system);
  report.error = std::move(error);
  return report;
}

std::vector<ShownSystem> ShownSystems(const ListingResult& listing) {
  std::vector<const ListedSystem*> distinct;
  std::set<std::string> profiles;
  std::map<std::string, int> labelUses;
  for (const ListedSystem& system : listing.systems) {
    if (!profiles.insert(AsciiUpper(system.profile)).second) continue;
    distinct.push_back(&system);
    ++labelUses[system.label];
  }
  std::vector<ShownSystem> shown;
  std::set<std::string> taken;
  for (const ListedSystem* system : distinct) {
    std::string name = system->label;
    if (labelUses[name] > 1) name += " [" + system->profile + "]";
    std::string unique = name;
    for (int n = 2; !taken.insert(unique).second; ++n) unique = name + "~" + std::to_string(n);
    shown.push_back({system, unique});
  }
  return shown;
}

void AppendNames(std::string_view title, const std::vector<std::string>& names, std::string* text) {
  if (names.empty()) return;
  *text += "; ";
  *text += title;
  for (std::size_t i = 0; i < names.size(); ++i) {
    *text += i ? ", " : " ";
    *text += names[i];
  }
}

bool AppendShortfalls(const ListingResult& listing, const std::vector<std::string>& partial,
                      std::string* text) {
  AppendNames("servers missing:", partial, text);
  AppendNames("profiles missing:", listing.missing, text);
  return !partial.empty() || !listing.missing.empty();
}

bool HasItemValue(const ListingResult& listing, const ListedSystem& system) {
  return system.state == SystemState::kOk && listing.item.found() &&
         listing.item.index < system.reading.values.size();
}

}  // namespace tolvaran
