// SapSim.ini: its systems and their instances (application servers), the
// outcomes and operations its keys name, and finding a system.
#include "sim_config.h"

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

namespace {

std::string HostKey(std::string_view host, int sysnr) {
  std::string key = ToUpper(host);
  key += '\0';
  key += std::to_string(sysnr);
  return key;
}

std::string ServerKey(std::string_view system, std::string_view instance) {
  std::string key = ToUpper(system);
  key += '\0';
  key += ToUpper(instance);
  return key;
}

}  // namespace

const SimSystem* SimConfig::At(std::size_t index) const {
  return index < systems.size() ? &systems[index] : &instances[index - systems.size()];
}

const SimSystem* SimConfig::FindByHost(const char* host, int sysnr) const {
  if (host == nullptr || *host == '\0') return nullptr;
  auto it = byHost.find(HostKey(host, sysnr));
  return it == byHost.end() ? nullptr : At(it->second);
}

const SimSystem* SimConfig::FindByGateway(const char* gwhost, const char* gwservice) const {
  if (gwhost == nullptr || *gwhost == '\0' || gwservice == nullptr || *gwservice == '\0') {
    return nullptr;
  }
  // Rare (R/2 gateways), so not indexed.
  for (const SimSystem& system : systems) {
    if (!system.gwhost.empty() && EqualsIgnoringCase(system.gwhost, gwhost) &&
        EqualsIgnoringCase(system.gwservice, gwservice)) {
      return &system;
    }
  }
  return nullptr;
}

const SimSystem* SimConfig::FindByName(std::string_view destination) const {
  if (destination.empty()) return nullptr;
  auto it = byName.find(ToUpper(destination));
  return it == byName.end() ? nullptr : &systems[it->second];
}

const SimSystem* SimConfig::FindByMessageServer(std::string_view mshost,
                                                std::string_view sysid) const {
  if (mshost.empty()) return nullptr;
  const SimSystem* system = FindByName(sysid);
  if (system == nullptr || system->mshost.empty()) return nullptr;
  return EqualsIgnoringCase(system->mshost, mshost) ? system : nullptr;
}

const SimSystem* SimConfig::FindServer(const SimSystem& system, std::string_view instance) const {
  auto it = byServer.find(ServerKey(system.name, Trim(instance)));
  return it == byServer.end() ? nullptr : At(it->second);
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

// An instance section's keys, kept until its system's section is complete.
struct InstanceSection {
  std::string system;
  std::string name;
  std::vector<std::pair<std::string, std::string>> keys;
};

}  // namespace

SimConfig ParseSimConfig(std::string_view text) {
  SimConfig config;
  // An index, not a pointer: adding a system moves the others.
  std::size_t current = 0;
  enum { kGlobal, kSystem, kInstance } in = kGlobal;
  std::vector<SectionState> sections;  // per system
  std::vector<InstanceSection> instanceSections;
  std::unordered_map<std::string, std::size_t> sectionIndex;
  for (std::string_view raw : Lines(WithoutByteOrderMark(text))) {
    std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      std::size_t close = line.find(']');
      if (close == std::string::npos) continue;
      std::string name = Trim(std::string_view(line).substr(1, close - 1));
      if (name.empty()) continue;
      // A section repeated later goes on describing the same system or
      // instance.
      std::size_t slash = name.find('/');
      if (slash != std::string::npos) {
        std::string system = Trim(std::string_view(name).substr(0, slash));
        std::string instance = Trim(std::string_view(name).substr(slash + 1));
        in = kInstance;
        auto found = sectionIndex.emplace(ServerKey(system, instance), instanceSections.size());
        current = found.first->second;
        if (found.second) instanceSections.push_back(InstanceSection{system, instance, {}});
        continue;
      }
      in = kSystem;
      auto found = config.byName.emplace(ToUpper(name), config.systems.size());
      current = found.first->second;
      if (found.second) {
        config.systems.emplace_back();
        config.systems.back().name = name;
        sections.emplace_back();
      }
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = ToLower(Trim(std::string_view(line).substr(0, eq)));
    std::string value = Trim(std::string_view(line).substr(eq + 1));
    if (in == kGlobal) {
      if (key == "abort") config.globalAbort |= ParseOperations(value);
      if (key == "fail") config.globalFail |= ParseOperations(value);
      if (key == "hang") config.globalHang |= ParseOperations(value);
      if (key == "delay") ParseDelay(value, &config.globalDelayMs);
    } else if (in == kInstance) {
      instanceSections[current].keys.emplace_back(key, value);
    } else {
      ApplyKey(config.systems[current], key, value, &sections[current]);
    }
  }
  for (std::size_t i = 0; i < config.systems.size(); ++i) {
    SimSystem& system = config.systems[i];
    system.abort |= config.globalAbort;
    system.fail |= config.globalFail;
    system.hang |= config.globalHang;
    if (!sections[i].delaySet) system.delayMs = config.globalDelayMs;
  }
  // An instance starts as a copy of its system, without the ways to reach
  // the system and without its name and service.
  for (const InstanceSection& section : instanceSections) {
    const SimSystem* parent = config.FindByName(section.system);
    if (parent == nullptr) continue;
    SimSystem instance = *parent;
    instance.host.clear();
    instance.sysnr = 0;
    instance.gwhost.clear();
    instance.gwservice.clear();
    instance.mshost.clear();
    instance.instance = section.name;
    instance.serv.clear();
    instance.servSet = false;
    SectionState state;
    for (const auto& key : section.keys) ApplyKey(instance, key.first, key.second, &state);
    instance.instance = section.name;
    config.instances.push_back(std::move(instance));
  }
  auto complete = [](SimSystem& system) {
    if (system.instance.empty()) {
      system.instance = system.host + "_" + system.name + "_" + TwoDigitNumber(system.sysnr);
    }
    if (!system.servSet) system.serv = "sapdp" + TwoDigitNumber(system.sysnr);
  };
  for (SimSystem& system : config.systems) complete(system);
  for (SimSystem& instance : config.instances) complete(instance);
  // Each system's list once, built in one pass over the instances, which
  // keep the order their sections first appear in.
  std::vector<std::vector<SimServer>> lists(config.systems.size());
  for (std::size_t i = 0; i < config.systems.size(); ++i) {
    const SimSystem& system = config.systems[i];
    lists[i].push_back(SimServer{system.instance, system.host, system.serv});
  }
  std::vector<std::size_t> systemOf(config.instances.size());
  for (std::size_t i = 0; i < config.instances.size(); ++i) {
    const SimSystem& instance = config.instances[i];
    systemOf[i] = config.byName.at(ToUpper(instance.name));
    lists[systemOf[i]].push_back(SimServer{instance.instance, instance.host, instance.serv});
  }
  for (std::size_t i = 0; i < config.systems.size(); ++i) {
    config.systems[i].servers =
        ServerList(std::make_shared<const std::vector<SimServer>>(std::move(lists[i])));
  }
  for (std::size_t i = 0; i < config.instances.size(); ++i) {
    config.instances[i].servers = config.systems[systemOf[i]].servers;
  }
  // The first system or instance with a host and number is the one found,
  // systems before instances, as a search in file order would find it.
  const std::size_t count = config.systems.size() + config.instances.size();
  for (std::size_t i = 0; i < count; ++i) {
    const SimSystem& system = *config.At(i);
    if (!system.host.empty()) config.byHost.emplace(HostKey(system.host, system.sysnr), i);
    config.byServer.emplace(ServerKey(system.name, system.instance), i);
  }
  return config;
}

}  // namespace rfcsim
