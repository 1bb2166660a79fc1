// The fixed values the simulated systems answer with: the user-list
// (UINFO), CPU (CPU_ALL) and server-list (MSXXLIST) rows and
// RFC_SYSTEM_INFO's structure (RFCSI), by field name.
#ifndef TOLVARAN_SIM_SIM_ROWS_H_
#define TOLVARAN_SIM_SIM_ROWS_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "sim_config.h"

namespace rfcsim {

// A value for one field, written according to the field's type.
struct FieldValue {
  bool isText = false;
  std::string text;
  // A text the value refers to instead of holding it (a session's field,
  // which outlives the row being written): rows are written by the
  // thousand, and a copy of each text would be most of their cost.
  std::string_view textView;
  bool isView = false;
  long long number = 0;

  std::string_view Text() const { return isView ? textView : std::string_view(text); }

  static FieldValue Text(std::string s) {
    FieldValue v;
    v.isText = true;
    v.text = std::move(s);
    return v;
  }
  static FieldValue View(std::string_view s) {
    FieldValue v;
    v.isText = true;
    v.isView = true;
    v.textView = s;
    return v;
  }
  static FieldValue Number(long long n) {
    FieldValue v;
    v.number = n;
    return v;
  }
};

enum class UinfoField {
  kNone,
  kMandt,
  kBname,
  kTcode,
  kTerm,
  kExtmodi,
  kIntmodi,
  kTid,
  kZeit,
  kMaster,
  kHostadr,
  kTrace
};

// Looked up once per field, not once per row: user lists can be long.
UinfoField UinfoFieldOf(std::string_view name);

// The value of a field of session `index` (from 0). Besides the session's
// own fields: TID index+1; ZEIT the time 08:00:00 plus 7 seconds per index
// as "HHMMSS"; MASTER "X" on even indexes, blank on odd; HOSTADR
// 10.x.y.z with x.y.z the index's low 24 bits; TRACE 0.
std::optional<FieldValue> UinfoValue(UinfoField field, const Session& session, unsigned long index);

// The one CPU_ALL row: a four-processor machine, lightly loaded. Fields not
// known here stay blank or zero.
std::optional<FieldValue> CpuValue(std::string_view name);

// A field of server-list row `index` (from 0): NAME, HOST and SERV as the
// landscape gives them, MSGTYPES 0xFF (every service), HOSTADR
// 10.1.0.index+1, SERVNO 3200 + index, STATE 1 (active).
std::optional<FieldValue> ServerValue(std::string_view field, const SimServer& server,
                                      unsigned long index);

// A field of RFC_SYSTEM_INFO's RFCSI_EXPORT on the application server
// `system`: RFCDEST its instance name, RFCSYSID and RFCDATABS the system's
// name, RFCHOST (cut to 8), RFCHOST2 and RFCDBHOST its host, and fixed
// values for a Linux system on HANA in the others. Null for a field RFCSI
// does not have.
std::optional<FieldValue> SystemInfoValue(std::string_view field, const SimSystem& system);

}  // namespace rfcsim

#endif  // TOLVARAN_SIM_SIM_ROWS_H_
