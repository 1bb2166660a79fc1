#include "nwrfc_model.h"

#include <cstring>

#include "sim_landscape.h"
#include "sim_unicode.h"

namespace rfcsim {
namespace nw {

namespace {

// The library's own names for its return codes, as its interface header
// gives them.
std::string RcName(RFC_RC code) {
  const char* name = NwRfcRcName(code);
  return name ? name : "RFC_RC " + std::to_string(static_cast<int>(code));
}

RFC_ERROR_GROUP GroupOf(RFC_RC code) {
  switch (code) {
    case RFC_OK:
      return RFC_ERROR_GROUP::OK;
    case RFC_COMMUNICATION_FAILURE:
    case RFC_CLOSED:
    case RFC_TIMEOUT:
      return RFC_ERROR_GROUP::COMMUNICATION_FAILURE;
    case RFC_LOGON_FAILURE:
      return RFC_ERROR_GROUP::LOGON_FAILURE;
    case RFC_ABAP_EXCEPTION:
      return RFC_ERROR_GROUP::ABAP_APPLICATION_FAILURE;
    case RFC_ABAP_RUNTIME_FAILURE:
    case RFC_ABAP_MESSAGE:
      return RFC_ERROR_GROUP::ABAP_RUNTIME_FAILURE;
    default:
      return RFC_ERROR_GROUP::EXTERNAL_RUNTIME_FAILURE;
  }
}

template <std::size_t N>
void CopyWide(SAP_UC (&dest)[N], const std::string& text) {
  std::u16string wide = Latin1ToUtf16(text);
  std::size_t n = wide.size() < N ? wide.size() : N - 1;
  for (std::size_t i = 0; i < N; ++i) dest[i] = i < n ? wide[i] : 0;
}

std::string GatewayService(int sysnr) {
  return std::string("sapgw") + (sysnr >= 0 && sysnr < 10 ? "0" : "") + std::to_string(sysnr);
}

const std::string& Value(const std::map<std::string, std::string>& params, const char* name) {
  static const std::string* empty = new std::string();
  auto it = params.find(name);
  return it == params.end() ? *empty : it->second;
}

}  // namespace

Error MakeError(RFC_RC code, std::string message, std::string key) {
  Error error;
  error.code = code;
  error.group = GroupOf(code);
  error.key = key.empty() ? RcName(code) : std::move(key);
  error.message = std::move(message);
  return error;
}

void FillErrorInfo(const Error& error, RFC_ERROR_INFO* info) {
  if (info == nullptr) return;
  std::memset(static_cast<void*>(info), 0, sizeof *info);
  info->code = error.code;
  info->group = error.group;
  CopyWide(info->key, error.key);
  CopyWide(info->message, error.message);
}

std::string Narrow(const SAP_UC* text) {
  if (text == nullptr) return "";
  std::size_t n = 0;
  while (text[n] != 0) ++n;
  return Utf16ToLatin1(std::u16string_view(text, n));
}

std::map<std::string, std::string> ReadParameters(const RFC_CONNECTION_PARAMETER* params,
                                                  unsigned count) {
  std::map<std::string, std::string> values;
  for (unsigned i = 0; params != nullptr && i < count; ++i) {
    std::string name = Narrow(params[i].name);
    for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    values.emplace(name, Narrow(params[i].value));
  }
  return values;
}

Found FindSystem(const SimConfig& config, const std::map<std::string, std::string>& params) {
  Found found;
  const std::string& ashost = Value(params, "ashost");
  const std::string& mshost = Value(params, "mshost");
  if (!ashost.empty()) {
    int sysnr = -1;
    const std::string& text = Value(params, "sysnr");
    bool twoDigits =
        text.size() == 2 && text[0] >= '0' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9';
    if (!twoDigits) {
      found.error = MakeError(RFC_INVALID_PARAMETER,
                              "Parameter SYSNR '" + text + "' is not a two-digit system number");
      return found;
    }
    sysnr = (text[0] - '0') * 10 + (text[1] - '0');
    found.system = config.FindByHost(ashost.c_str(), sysnr);
    if (found.system == nullptr) {
      found.error = MakeError(RFC_COMMUNICATION_FAILURE,
                              "partner '" + ashost + ":" + GatewayService(sysnr) + "' not reached");
    }
    return found;
  }
  if (!mshost.empty()) {
    const std::string& sysid = Value(params, "sysid");
    found.system = config.FindByMessageServer(mshost, sysid);
    if (found.system == nullptr) {
      found.error =
          MakeError(RFC_COMMUNICATION_FAILURE,
                    "message server of system '" + sysid + "' on host " + mshost + " not reached");
    }
    return found;
  }
  found.error = MakeError(RFC_INVALID_PARAMETER, "Parameter ASHOST, GWHOST or MSHOST is missing");
  return found;
}

Error CheckLogon(const SimSystem& system, const std::map<std::string, std::string>& params) {
  std::string snc = SncRefusal(
      system, {Value(params, "snc_mode"), Value(params, "snc_partnername"),
               Value(params, "snc_qop"), Value(params, "snc_myname"), Value(params, "snc_lib")});
  if (!snc.empty()) return MakeError(RFC_LOGON_FAILURE, snc);
  if (LogonAccepted(system, Value(params, "client").c_str(), Value(params, "user").c_str(),
                    Value(params, "passwd").c_str())) {
    return Error();
  }
  return MakeError(RFC_LOGON_FAILURE, "Name or password is incorrect (repeat logon)");
}

Error OutcomeError(const Outcome& outcome, std::string_view function) {
  std::string name(function);
  std::string note = outcome.note.empty() ? "" : " (" + outcome.note + ")";
  switch (outcome.kind) {
    case OutcomeKind::kOk:
      return Error();
    case OutcomeKind::kException:
      return MakeError(RFC_ABAP_EXCEPTION, name + " raised exception " + outcome.name,
                       outcome.name);
    case OutcomeKind::kSysException:
      return MakeError(RFC_ABAP_RUNTIME_FAILURE, name + " raised system exception " + outcome.name,
                       outcome.name);
    case OutcomeKind::kOther:
      if (outcome.code == 0) return Error();
      return MakeError(RFC_UNKNOWN_ERROR,
                       name + " ended with return code " + std::to_string(outcome.code));
    case OutcomeKind::kCallFail:
      return MakeError(RFC_COMMUNICATION_FAILURE,
                       "connection to partner broken while sending " + name);
    case OutcomeKind::kFailure:
      break;
  }
  return MakeError(RFC_COMMUNICATION_FAILURE,
                   "connection to partner broken while receiving " + name + note);
}

Error WriteChars(std::u16string_view value, const FieldDef& field, RFC_CHAR* buffer,
                 unsigned bufferLength) {
  if (!IsCharLike(field.type)) {
    return MakeError(RFC_CONVERSION_FAILURE,
                     std::string("field ") + field.name + " is not a character field");
  }
  if (buffer == nullptr || bufferLength < field.length) {
    return MakeError(RFC_BUFFER_TOO_SMALL,
                     std::string("field ") + field.name + " has " + std::to_string(field.length) +
                         " characters, the buffer " + std::to_string(bufferLength));
  }
  for (unsigned i = 0; i < field.length; ++i) buffer[i] = i < value.size() ? value[i] : u' ';
  return Error();
}

}  // namespace nw
}  // namespace rfcsim
