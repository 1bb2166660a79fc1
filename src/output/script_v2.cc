#include "output/script_v2.h"

#include <algorithm>
#include <numeric>
#include <set>

#include "output/xml_text.h"
#include "text/ascii_text.h"

namespace tolvaran {

namespace {

std::int32_t HashedId(std::string_view profile) {
  std::uint32_t hash = 2166136261u;
  for (char c : AsciiUpper(profile)) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  constexpr std::uint32_t kRange = kScriptV2LastId - kScriptV2FirstListingId + 1;
  return static_cast<std::int32_t>(kScriptV2FirstListingId + hash % kRange);
}

std::int32_t NextId(std::int32_t id) {
  return id == kScriptV2LastId ? kScriptV2FirstListingId : id + 1;
}

// The first `max` characters of valid UTF-8 text.
std::string CutCharacters(std::string text, std::size_t max) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (characters++ == max) {
      text.resize(i);
      break;
    }
  }
  return text;
}

struct Channel {
  std::int32_t id;
  std::string name;
  const ValueDefinition* definition;
  std::int64_t value;
};

std::string Document(std::string_view status, const std::string& message,
                     const std::vector<Channel>& channels) {
  std::string out = "{\"version\":2,\"status\":\"";
  out += status;
  out += "\",\"message\":";
  out += JsonString(CutCharacters(ToUtf8Text(message), kScriptV2MaxMessage));
  if (!channels.empty()) {
    out += ",\"channels\":[";
    for (std::size_t i = 0; i < channels.size(); ++i) {
      if (i) out += ',';
      out += "{\"id\":" + std::to_string(channels[i].id) + ",\"name\":";
      out += JsonString(channels[i].name);
      const ValueDefinition& definition = *channels[i].definition;
      out += definition.decimals > 0 ? ",\"type\":\"float\",\"value\":"
                                     : ",\"type\":\"integer\",\"value\":";
      out += ValueText(definition, channels[i].value) + "}";
    }
    out += ']';
  }
  out += "}\n";
  return out;
}

}  // namespace

std::string ScriptV2Message(std::string_view text) {
  return CutCharacters(ToUtf8Text(text), kScriptV2MaxMessage);
}

namespace {

std::string ListingDocument(const ListingResult& listing) {
  const std::vector<ShownSystem> shown = ShownSystems(listing);
  const std::size_t kept = std::min(shown.size(), kScriptV2MaxChannels);
  std::vector<std::string> profiles;
  for (std::size_t i = 0; i < kept; ++i) profiles.push_back(shown[i].system->profile);
  const std::vector<std::int32_t> ids = ListingChannelIds(profiles);

  std::vector<Channel> channels;
  std::vector<std::string> failed;
  std::vector<std::string> notFound;
  std::vector<std::string> partial;
  for (std::size_t i = 0; i < kept; ++i) {
    const ListedSystem& system = *shown[i].system;
    if (HasItemValue(listing, system)) {
      channels.push_back({ids[i], shown[i].name, &listing.item.definition(),
                          system.reading.values[listing.item.index]});
      if (system.servers.partial()) partial.push_back(shown[i].name);
    } else {
      (system.state == SystemState::kFailed ? failed : notFound).push_back(shown[i].name);
    }
  }
  std::string message = listing.summary;
  AppendNames("failed:", failed, &message);
  AppendNames("no such item:", notFound, &message);
  const bool shortfalls = AppendShortfalls(listing, partial, &message);
  const std::size_t leftOut = shown.size() - kept;
  if (leftOut > 0) {
    message += "; " + std::to_string(leftOut) + " more systems left out (at most " +
               std::to_string(kScriptV2MaxChannels) + " channels)";
  }
  const bool warning = !failed.empty() || !notFound.empty() || shortfalls || leftOut > 0;
  return Document(warning ? "warning" : "ok", message, channels);
}

}  // namespace

std::vector<std::int32_t> ListingChannelIds(const std::vector<std::string>& profiles) {
  const std::size_t n = profiles.size();
  std::vector<std::int32_t> hashed(n);
  std::vector<std::string> folded(n);
  for (std::size_t i = 0; i < n; ++i) {
    hashed[i] = HashedId(profiles[i]);
    folded[i] = AsciiUpper(profiles[i]);
  }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&folded](std::size_t a, std::size_t b) { return folded[a] < folded[b]; });

  const std::set<std::int32_t> hashes(hashed.begin(), hashed.end());
  std::set<std::int32_t> taken;
  std::vector<std::int32_t> ids(n);
  std::vector<std::size_t> displaced;
  for (std::size_t i : order) {
    if (taken.insert(hashed[i]).second) {
      ids[i] = hashed[i];
    } else {
      displaced.push_back(i);
    }
  }
  for (std::size_t i : displaced) {
    std::int32_t id = NextId(hashed[i]);
    while (hashes.count(id) != 0 || taken.count(id) != 0) id = NextId(id);
    taken.insert(id);
    ids[i] = id;
  }
  return ids;
}

std::string JsonString(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  const std::string utf8 = ToUtf8Text(text);
  std::string out = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      out += "\\u00";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

RenderedOutput RenderScriptV2(const CheckReport& report) {
  RenderedOutput rendered;
  switch (report.kind) {
    case CheckReport::Kind::kSingle: {
      std::vector<Channel> channels;
      const std::vector<ValueDefinition>& values = report.measurement->Values();
      for (std::size_t i = 0; i < values.size() && i < report.reading.values.size(); ++i) {
        channels.push_back(
            {values[i].scriptV2Id, values[i].displayName, &values[i], report.reading.values[i]});
      }
      // Servers left out: the values are too low, and the monitor says so.
      rendered.bytes = Document(report.servers.partial() ? "warning" : "ok", report.text, channels);
      break;
    }
    case CheckReport::Kind::kListing:
      rendered.bytes = ListingDocument(report.listing);
      break;
    case CheckReport::Kind::kError:
      rendered.bytes = Document("error", report.error.text, {});
      break;
  }
  return rendered;
}

}  // namespace tolvaran
