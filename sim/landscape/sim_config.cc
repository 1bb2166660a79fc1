// SapSim.ini: its systems and their instances (application servers), the
// outcomes and operations its keys name, and finding a system.
#include "sim_config.h"

#include <algorithm>
#include <set>

#include "sim_functions.h"
#include "sim_text.h"

namespace rfcsim {

Outcome ParseOutcome(std::string_view value) {
  Outcome outcome;
  std::string word;
  std::string rest;
  SplitFirstWord(value, &word, &rest);
  word = ToLower(word);
  if (word == "ok" && rest.empty()) return outcome;
  if (word == "failure" && rest.empty()) {
    outcome.kind = OutcomeKind::kFailure;
    return outcome;
  }
  if (word == "callfail" && rest.empty()) {
    outcome.kind = OutcomeKind::kCallFail;
    return outcome;
  }
  if ((word == "exception" || word == "sysexception") && !rest.empty()) {
    outcome.kind = word == "exception" ? OutcomeKind::kException : OutcomeKind::kSysException;
    outcome.name = rest;
    return outcome;
  }
  if (word == "other" && ParseInt(rest, &outcome.code)) {
    outcome.kind = OutcomeKind::kOther;
    return outcome;
  }
  // A slip in the file should show, not quietly pass as success.
  outcome.kind = OutcomeKind::kFailure;
  outcome.note = "unknown outcome '" + Trim(value) + "' taken as failure";
  return outcome;
}

OperationSet ParseOperations(std::string_view value) {
  static const struct {
    const char* name;
    Operation op;
  } kNames[] = {
      {"RfcOpen", kOpRfcOpen},
      {"RfcOpenEx", kOpRfcOpenEx},
      {"RfcCall", kOpRfcCall},
      {"RfcReceive", kOpRfcReceive},
      {"RfcInstallStructure", kOpRfcInstallStructure},
      {"ItCreate", kOpItCreate},
      {"ItGetLine", kOpItGetLine},
      {"ItDelete", kOpItDelete},
      {"RfcOpenConnection", kOpRfcOpenConnection},
      {"RfcCloseConnection", kOpRfcCloseConnection},
      {"RfcGetFunctionDesc", kOpRfcGetFunctionDesc},
      {"RfcCreateFunction", kOpRfcCreateFunction},
      {"RfcDestroyFunction", kOpRfcDestroyFunction},
      {"RfcSetChars", kOpRfcSetChars},
      {"RfcInvoke", kOpRfcInvoke},
      {"RfcGetTable", kOpRfcGetTable},
      {"RfcGetRowCount", kOpRfcGetRowCount},
      {"RfcMoveTo", kOpRfcMoveTo},
      {"RfcGetChars", kOpRfcGetChars},
      {"RfcGetInt", kOpRfcGetInt},
      {"RfcSetInt", kOpRfcSetInt},
      {"RfcGetStructure", kOpRfcGetStructure},
  };
  OperationSet set = 0;
  std::size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && (IsBlank(value[i]) || value[i] == ',')) ++i;
    std::size_t start = i;
    while (i < value.size() && !IsBlank(value[i]) && value[i] != ',') ++i;
    std::string_view name = value.substr(start, i - start);
    for (const auto& known : kNames) {
      if (!name.empty() && EqualsIgnoringCase(name, known.name)) set |= known.op;
    }
  }
  return set;
}

const Outcome& SimSystem::OutcomeOf(std::string_view function) const {
  static const Outcome* ok = new Outcome();
  auto it = outcomes.find(std::string(function));
  return it == outcomes.end() ? *ok : it->second;
}

bool ParseDelay(std::string_view value, int* ms) {
  int parsed = 0;
  if (!ParseInt(value, &parsed) || parsed < 0 || parsed > 3600 * 1000) return false;
  *ms = parsed;
  return true;
}

namespace {

// "clock = YYYYMMDD HHMMSS" (or without the blank); false otherwise.
bool ParseClock(std::string_view value, std::string* date, std::string* time) {
  std::string digits;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (!IsBlank(c)) {
      return false;
    }
  }
  if (digits.size() != 14) return false;
  *date = digits.substr(0, 8);
  *time = digits.substr(8);
  return true;
}

// What one section has said so far, for the keys whose lines add up.
struct SectionState {
  bool delaySet = false;
  // Row keys already given in this section: the first line of a key
  // replaces what an instance took over from its system.
  std::set<std::string> rowKeys;
};

// A key of a system's or an instance's section; unknown keys are passed
// over.
void ApplyKey(SimSystem& system, const std::string& key, const std::string& value,
              SectionState* section) {
  if (IsRowsKey(key)) {
    auto& rows = system.rows[key];
    if (section->rowKeys.insert(key).second) rows.clear();
    rows.push_back(ParseConnectString(value));
  } else if (IsOutcomeKey(key)) {
    system.outcomes[ToUpper(key)] = ParseOutcome(value);
  } else if (key == "clock") {
    if (!ParseClock(value, &system.clockDate, &system.clockTime)) {
      system.clockDate.clear();
      system.clockTime.clear();
    }
  } else if (key == "no_authority") {
    system.noAuthority.clear();
    std::string name;
    for (char c : value + ",") {
      if (c == ',' || IsBlank(c)) {
        if (!name.empty()) system.noAuthority.push_back(ToUpper(name));
        name.clear();
      } else {
        name += c;
      }
    }
  } else if (key == "rfc_read_table_order") {
    system.readTableOrder = ToLower(value);
  } else if (key == "host") {
    system.host = value;
  } else if (key == "sysnr") {
    if (!ParseInt(value, &system.sysnr)) system.sysnr = -1;
  } else if (key == "gwhost") {
    system.gwhost = value;
  } else if (key == "gwservice") {
    system.gwservice = value;
  } else if (key == "client") {
    system.client = value;
  } else if (key == "user") {
    system.user = value;
  } else if (key == "password") {
    system.password = value;
  } else if (key == "users") {
    system.users = value;
  } else if (key == "abort") {
    system.abort |= ParseOperations(value);
  } else if (key == "fail") {
    system.fail |= ParseOperations(value);
  } else if (key == "hang") {
    system.hang |= ParseOperations(value);
  } else if (key == "delay") {
    // A section's own "delay = 0" overrides a global delay.
    if (!ParseDelay(value, &system.delayMs)) system.delayMs = 0;
    section->delaySet = true;
  } else if (key == "mshost") {
    system.mshost = value;
  } else if (key == "snc") {
    system.sncRequired = EqualsIgnoringCase(value, "required");
  } else if (key == "snc_partner") {
    system.sncPartner = value;
  } else if (key == "users_encoding") {
    system.usersUtf8 = EqualsIgnoringCase(value, "utf-8") || EqualsIgnoringCase(value, "utf8");
  } else if (key == "instance") {
    system.instance = value;
  } else if (key == "serv") {
    system.serv = value;
    system.servSet = true;
  }
}

std::string TwoDigitNumber(int number) {
  return (number >= 0 && number < 10 ? "0" : "") + std::to_string(number);
}

// A "key = value" line's key (lower case) and value, blanks dropped.
void SplitLine(std::string_view line, std::string* key, std::string* value) {
  std::size_t eq = line.find('=');
  *key = ToLower(Trim(line.substr(0, eq)));
  *value = Trim(line.substr(eq + 1));
}

// Whether the line's key is `key` (lower case), without copying it.
bool HasKey(std::string_view line, std::string_view key, std::string_view* value) {
  std::size_t eq = line.find('=');
  std::string_view name = line.substr(0, eq);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  if (!EqualsIgnoringCase(name, key)) return false;
  *value = line.substr(eq + 1);
  return true;
}

void Complete(SimSystem& system) {
  if (system.instance.empty()) {
    system.instance = system.host + "_" + system.name + "_" + TwoDigitNumber(system.sysnr);
  }
  if (!system.servSet) system.serv = "sapdp" + TwoDigitNumber(system.sysnr);
}

// A system section's keys applied, then the global ones.
SimSystem ReadSystem(const SimConfig& config, const SimSection& section) {
  SimSystem system;
  system.name = section.system;
  SectionState state;
  std::string key;
  std::string value;
  for (std::string_view line : section.lines) {
    SplitLine(line, &key, &value);
    ApplyKey(system, key, value, &state);
  }
  system.abort |= config.globalAbort;
  system.fail |= config.globalFail;
  system.hang |= config.globalHang;
  if (!state.delaySet) system.delayMs = config.globalDelayMs;
  return system;
}

// An instance starts as a copy of its system, without the ways to reach
// the system and without its name and service.
SimSystem ReadInstance(const SimSystem& parent, const SimSection& section) {
  SimSystem instance = parent;
  instance.host.clear();
  instance.sysnr = 0;
  instance.gwhost.clear();
  instance.gwservice.clear();
  instance.mshost.clear();
  instance.serv.clear();
  instance.servSet = false;
  SectionState state;
  std::string key;
  std::string value;
  for (std::string_view line : section.lines) {
    SplitLine(line, &key, &value);
    ApplyKey(instance, key, value, &state);
  }
  instance.instance = section.instance;
  Complete(instance);
  return instance;
}

std::string ServerKey(std::string_view system, std::string_view instance) {
  std::string key = ToUpper(system);
  key += '\0';
  key += ToUpper(instance);
  return key;
}

}  // namespace

const SimSystem* SimConfig::At(std::size_t index) const {
  if (index < whole_.size()) return whole_[index];
  auto found = made_.find(index);
  if (found != made_.end()) return &found->second;
  std::size_t system = index;
  if (index >= systemSections.size()) {
    auto parent = byName.find(ToUpper(instanceSections[index - systemSections.size()].system));
    if (parent == byName.end()) return nullptr;
    system = parent->second;
  }
  // The system, its instances, and the one server list they share.
  SimSystem base = ReadSystem(*this, systemSections[system]);
  Complete(base);
  std::vector<SimServer> list{SimServer{base.instance, base.host, base.serv}};
  std::vector<SimSystem> instances;
  for (std::size_t i : instancesOf[system]) {
    instances.push_back(ReadInstance(base, instanceSections[i]));
    const SimSystem& made = instances.back();
    list.push_back(SimServer{made.instance, made.host, made.serv});
  }
  ServerList servers(std::make_shared<const std::vector<SimServer>>(std::move(list)));
  base.servers = servers;
  made_.emplace(system, std::move(base));
  for (std::size_t k = 0; k < instances.size(); ++k) {
    instances[k].servers = servers;
    made_.emplace(systemSections.size() + instancesOf[system][k], std::move(instances[k]));
  }
  return &made_.find(index)->second;
}

const SimSystem* SimConfig::FindByHost(const char* host, int sysnr) const {
  if (host == nullptr || *host == '\0') return nullptr;
  // The first with that host and number, systems before instances, as a
  // search in file order would find it.
  for (std::size_t i = 0; i < systemSections.size(); ++i) {
    const SimSection& section = systemSections[i];
    if (section.sysnr == sysnr && EqualsIgnoringCase(section.host, host)) return At(i);
  }
  for (std::size_t i = 0; i < systemSections.size(); ++i) {
    for (std::size_t j : instancesOf[i]) {
      const SimSection& section = instanceSections[j];
      if (section.sysnr == sysnr && EqualsIgnoringCase(section.host, host)) {
        return At(systemSections.size() + j);
      }
    }
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByGateway(const char* gwhost, const char* gwservice) const {
  if (gwhost == nullptr || *gwhost == '\0' || gwservice == nullptr || *gwservice == '\0') {
    return nullptr;
  }
  // Rare (R/2 gateways), so not indexed.
  for (std::size_t i = 0; i < systemSections.size(); ++i) {
    const SimSection& section = systemSections[i];
    if (!section.gwhost.empty() && EqualsIgnoringCase(section.gwhost, gwhost) &&
        EqualsIgnoringCase(section.gwservice, gwservice)) {
      return At(i);
    }
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByName(std::string_view destination) const {
  if (destination.empty()) return nullptr;
  auto it = byName.find(ToUpper(destination));
  return it == byName.end() ? nullptr : At(it->second);
}

const SimSystem* SimConfig::FindByMessageServer(std::string_view mshost,
                                                std::string_view sysid) const {
  if (mshost.empty()) return nullptr;
  const SimSystem* system = FindByName(sysid);
  if (system == nullptr || system->mshost.empty()) return nullptr;
  return EqualsIgnoringCase(system->mshost, mshost) ? system : nullptr;
}

const SimSystem* SimConfig::FindServer(const SimSystem& system, std::string_view instance) const {
  auto it = byName.find(ToUpper(system.name));
  if (it == byName.end()) return nullptr;
  std::string wanted = Trim(instance);
  const SimSystem* own = At(it->second);
  if (own != nullptr && EqualsIgnoringCase(own->instance, wanted)) return own;
  for (std::size_t j : instancesOf[it->second]) {
    if (EqualsIgnoringCase(instanceSections[j].instance, wanted)) {
      return At(systemSections.size() + j);
    }
  }
  return nullptr;
}

SimConfig IndexSimConfig(std::string_view source) {
  SimConfig config;
  config.text = std::make_shared<const std::string>(WithoutByteOrderMark(source));
  const std::size_t sections =
      static_cast<std::size_t>(std::count(config.text->begin(), config.text->end(), '['));
  config.byName.reserve(sections);
  config.systemSections.reserve(sections);
  std::unordered_map<std::string, std::size_t> instanceIndex;
  SimSection* current = nullptr;
  // Line by line without a list of them: the text may be megabytes.
  const std::string_view all = *config.text;
  for (std::size_t at = 0; at < all.size();) {
    std::size_t end = all.find('\n', at);
    if (end == std::string_view::npos) end = all.size();
    std::string_view raw = all.substr(at, end - at);
    at = end + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::size_t first = 0;
    while (first < raw.size() && IsBlank(raw[first])) ++first;
    std::string_view line = raw.substr(first);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      std::string name = Trim(line.substr(1, close - 1));
      if (name.empty()) continue;
      // A section repeated later goes on describing the same system or
      // instance.
      std::size_t slash = name.find('/');
      if (slash != std::string::npos) {
        std::string system = Trim(std::string_view(name).substr(0, slash));
        std::string instance = Trim(std::string_view(name).substr(slash + 1));
        auto found =
            instanceIndex.emplace(ServerKey(system, instance), config.instanceSections.size());
        if (found.second) {
          config.instanceSections.emplace_back();
          config.instanceSections.back().system = system;
          config.instanceSections.back().instance = instance;
        }
        current = &config.instanceSections[found.first->second];
        continue;
      }
      auto found = config.byName.emplace(ToUpper(name), config.systemSections.size());
      if (found.second) {
        config.systemSections.emplace_back();
        config.systemSections.back().system = name;
        config.systemSections.back().lines.reserve(8);
      }
      current = &config.systemSections[found.first->second];
      continue;
    }
    if (line.find('=') == std::string_view::npos) continue;
    std::string_view value;
    if (current == nullptr) {
      std::string key;
      std::string text;
      SplitLine(line, &key, &text);
      if (key == "abort") config.globalAbort |= ParseOperations(text);
      if (key == "fail") config.globalFail |= ParseOperations(text);
      if (key == "hang") config.globalHang |= ParseOperations(text);
      if (key == "delay") ParseDelay(text, &config.globalDelayMs);
      continue;
    }
    current->lines.push_back(line);
    // Only the keys that find a system are read here.
    char letter = static_cast<char>(line[0] | 0x20);
    if (letter != 'h' && letter != 's' && letter != 'g' && letter != 'i') continue;
    if (HasKey(line, "host", &value)) {
      current->host = Trim(value);
    } else if (HasKey(line, "sysnr", &value)) {
      if (!ParseInt(value, &current->sysnr)) current->sysnr = -1;
    } else if (HasKey(line, "gwhost", &value)) {
      current->gwhost = Trim(value);
    } else if (HasKey(line, "gwservice", &value)) {
      current->gwservice = Trim(value);
    } else if (HasKey(line, "instance", &value)) {
      current->instanceKey = Trim(value);
    }
  }
  config.instancesOf.resize(config.systemSections.size());
  for (std::size_t j = 0; j < config.instanceSections.size(); ++j) {
    auto parent = config.byName.find(ToUpper(config.instanceSections[j].system));
    // An instance of no system is passed over.
    if (parent != config.byName.end()) config.instancesOf[parent->second].push_back(j);
  }
  return config;
}

void SimConfig::ReadAll() {
  const std::size_t count = systemSections.size() + instanceSections.size();
  std::vector<std::size_t> place(count, count);
  for (std::size_t i = 0; i < count; ++i) {
    const SimSystem* made = At(i);
    if (made == nullptr) continue;  // an instance of no system
    std::vector<SimSystem>& list = i < systemSections.size() ? systems : instances;
    place[i] = list.size();
    list.push_back(*made);
  }
  made_.clear();
  whole_.assign(count, nullptr);
  for (std::size_t i = 0; i < count; ++i) {
    if (place[i] == count) continue;
    whole_[i] = i < systemSections.size() ? &systems[place[i]] : &instances[place[i]];
  }
}

SimConfig ParseSimConfig(std::string_view text) {
  SimConfig config = IndexSimConfig(text);
  config.ReadAll();
  return config;
}

}  // namespace rfcsim
