#include "sim_rows.h"

#include <string>

namespace rfcsim {

namespace {

std::string TwoDigits(unsigned long value) {
  return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
         static_cast<char>('0' + value % 10);
}

}  // namespace

UinfoField UinfoFieldOf(std::string_view name) {
  static const struct {
    const char* name;
    UinfoField field;
  } kFields[] = {
      {"MANDT", UinfoField::kMandt},     {"BNAME", UinfoField::kBname},
      {"TCODE", UinfoField::kTcode},     {"TERM", UinfoField::kTerm},
      {"EXTMODI", UinfoField::kExtmodi}, {"INTMODI", UinfoField::kIntmodi},
      {"TID", UinfoField::kTid},         {"ZEIT", UinfoField::kZeit},
      {"MASTER", UinfoField::kMaster},   {"HOSTADR", UinfoField::kHostadr},
      {"TRACE", UinfoField::kTrace},
  };
  for (const auto& known : kFields) {
    if (EqualsIgnoringCase(name, known.name)) return known.field;
  }
  return UinfoField::kNone;
}

std::optional<FieldValue> UinfoValue(UinfoField field, const Session& session,
                                     unsigned long index) {
  switch (field) {
    case UinfoField::kMandt:
      return FieldValue::View(session.mandt);
    case UinfoField::kBname:
      return FieldValue::View(session.bname);
    case UinfoField::kTcode:
      return FieldValue::View(session.tcode);
    case UinfoField::kTerm:
      return FieldValue::View(session.term);
    case UinfoField::kExtmodi:
      return FieldValue::Number(session.extmodi);
    case UinfoField::kIntmodi:
      return FieldValue::Number(session.intmodi);
    case UinfoField::kTid:
      return FieldValue::Number(static_cast<long long>(index) + 1);
    case UinfoField::kZeit: {
      unsigned long seconds = (8ul * 3600 + (index % 86400) * 7) % 86400;
      return FieldValue::Text(TwoDigits(seconds / 3600) + TwoDigits(seconds / 60 % 60) +
                              TwoDigits(seconds % 60));
    }
    case UinfoField::kMaster:
      return FieldValue::Text(index % 2 == 0 ? "X" : " ");
    case UinfoField::kHostadr:
      return FieldValue::Number(0x0A000000ll | static_cast<long long>(index & 0xFFFFFFul));
    case UinfoField::kTrace:
      return FieldValue::Number(0);
    case UinfoField::kNone:
      break;
  }
  return std::nullopt;
}

std::optional<FieldValue> CpuValue(std::string_view name) {
  static const struct {
    const char* name;
    long long value;
  } kValues[] = {
      {"ALIVE", 1},          {"NBR_CPU", 4},         {"USR_TOTAL", 12},      {"SYS_TOTAL", 5},
      {"IDLE_TOTAL", 83},    {"AVAIL_CPU", 100},     {"LOAD1_AVG", 35},      {"LOAD5_AVG", 30},
      {"LOAD15_AVG", 28},    {"PAGE_IN", 12},        {"PAGE_OUT", 3},        {"FREE_MEM", 2097152},
      {"PHYS_MEM", 8388608}, {"SWAP_SIZE", 4194304}, {"SWAP_FREE", 4000000}, {"CPU_MHZ", 2400},
  };
  for (const auto& known : kValues) {
    if (EqualsIgnoringCase(name, known.name)) return FieldValue::Number(known.value);
  }
  return std::nullopt;
}

std::optional<FieldValue> ServerValue(std::string_view field, const SimServer& server,
                                      unsigned long index) {
  if (EqualsIgnoringCase(field, "NAME")) return FieldValue::View(server.name);
  if (EqualsIgnoringCase(field, "HOST")) return FieldValue::View(server.host);
  if (EqualsIgnoringCase(field, "SERV")) return FieldValue::View(server.serv);
  if (EqualsIgnoringCase(field, "MSGTYPES")) return FieldValue::Number(0xFF);
  if (EqualsIgnoringCase(field, "HOSTADR")) {
    return FieldValue::Number(0x0A010000ll | static_cast<long long>((index + 1) & 0xFFFF));
  }
  if (EqualsIgnoringCase(field, "SERVNO")) {
    return FieldValue::Number(3200 + static_cast<long long>(index));
  }
  if (EqualsIgnoringCase(field, "STATE")) return FieldValue::Number(1);
  return std::nullopt;
}

std::optional<FieldValue> SystemInfoValue(std::string_view field, const SimSystem& system) {
  const struct {
    const char* name;
    std::string value;
  } values[] = {
      {"RFCPROTO", "011"},
      {"RFCCHARTYP", "4103"},
      {"RFCINTTYP", "LIT"},
      {"RFCFLOTYP", "IE3"},
      {"RFCDEST", system.instance},
      {"RFCHOST", system.host.substr(0, 8)},
      {"RFCSYSID", system.name},
      {"RFCDATABS", system.name},
      {"RFCDBHOST", system.host},
      {"RFCDBSYS", "HDB"},
      {"RFCSAPRL", "754"},
      {"RFCMACH", "  390"},
      {"RFCOPSYS", "Linux"},
      {"RFCTZONE", "  3600"},
      {"RFCDAYST", ""},
      {"RFCIPADDR", "10.1.0.1"},
      {"RFCKERNRL", "753"},
      {"RFCHOST2", system.host},
      {"RFCSI_RESV", ""},
      {"RFCIPV6ADDR", "10.1.0.1"},
  };
  for (const auto& known : values) {
    if (EqualsIgnoringCase(field, known.name)) return FieldValue::Text(known.value);
  }
  return std::nullopt;
}

}  // namespace rfcsim
