// The simulated NetWeaver library's parts that need no library state: the
// logon parameters, finding the system, the errors of each outcome, and
// writing a field. What each function module has is in the landscape's
// table (sim_functions.h).
#ifndef TOLVARAN_SIM_NWRFC_NWRFC_MODEL_H_
#define TOLVARAN_SIM_NWRFC_NWRFC_MODEL_H_

#include <map>
#include <string>
#include <string_view>

#include "rfc/nwrfc/nwrfc_api.h"
#include "sim_config.h"
#include "sim_functions.h"

namespace rfcsim {
namespace nw {

struct Error {
  RFC_RC code = RFC_OK;
  RFC_ERROR_GROUP group = RFC_ERROR_GROUP::OK;
  std::string key;
  std::string message;
};

// An error of a return code and the group it belongs to; the key is the
// return code's name unless given.
Error MakeError(RFC_RC code, std::string message, std::string key = "");

// Writes the error into `info` (null: nothing): texts as UTF-16, cut to
// their arrays and terminated, the message fields empty.
void FillErrorInfo(const Error& error, RFC_ERROR_INFO* info);

// A NUL-terminated UTF-16 text as what a Latin-1 client sees of it; null is
// empty.
std::string Narrow(const SAP_UC* text);

// The logon parameters by lower-cased name (the library ignores the case of
// names); a name given twice keeps its first value.
std::map<std::string, std::string> ReadParameters(const RFC_CONNECTION_PARAMETER* params,
                                                  unsigned count);

// The system the parameters name, or the error that opening ends with:
// "ashost" with "sysnr" (two digits, as the program sends them) as RfcOpen
// mode 0 finds it; otherwise "mshost" with "sysid"; neither: an invalid
// parameter. The logon is not checked here.
struct Found {
  const SimSystem* system = nullptr;
  Error error;
};
Found FindSystem(const SimConfig& config, const std::map<std::string, std::string>& params);

// The logon failure, or RFC_OK when the system accepts "client", "user",
// "passwd" (and "lang", which any value passes).
Error CheckLogon(const SimSystem& system, const std::map<std::string, std::string>& params);

// What RfcInvoke returns for `outcome` of `function` (RFC_OK for "ok" and
// "other 0").
Error OutcomeError(const Outcome& outcome, std::string_view function);

// A field of a container: a function module's parameter or a field of a
// table's or structure's row type.
struct FieldDef {
  const char* name;
  AbapType type;
  unsigned length;  // characters of a character-like field
  int index;        // in the row type; -1 for a parameter
};

// Writes `value` as a field of `fieldLength` characters: blank-padded or
// cut, not terminated. RFC_BUFFER_TOO_SMALL (nothing written) when the
// buffer is shorter than the field.
Error WriteChars(std::u16string_view value, const FieldDef& field, RFC_CHAR* buffer,
                 unsigned bufferLength);

}  // namespace nw
}  // namespace rfcsim

#endif  // TOLVARAN_SIM_NWRFC_NWRFC_MODEL_H_
