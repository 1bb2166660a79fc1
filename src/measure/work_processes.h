// The work processes of an application server, from TH_WPINFO (SM50; SM66
// over all servers), counted by type and state.
//
// TH_WPINFO (function group THFB): import SRVNAME, the server to ask (empty:
// the one the connection is on; a name from TH_SERVER_LIST another one,
// answered over the same connection); table WPLIST of WPINFO rows. The
// fields read here, as the DDIC describes WPINFO (published field list up to
// WP_IACTION: WP_NO C2, WP_ITYPE INT1, WP_TYP C3, WP_PID C8, WP_ISTATUS INT1,
// WP_STATUS C7, ...):
//   WP_TYP      the type's key: DIA, UPD, UP2, ENQ, SPO, and BGD for
//               background (BTC in a system whose logon language is
//               German: check_sap_health had to learn both, ChangeLog
//               and ProcessSubsystem.pm, and so do we);
//   WP_ITYPE    the type's number: 1 is dialog (public ABAP programs count
//               free dialog work processes as WP_ITYPE = 1 AND
//               WP_ISTATUS = 2); the other numbers are not confirmed from
//               a public source and are not used;
//   WP_ISTATUS  the state's number: 2 is waiting, i.e. free (the same
//               public programs; `wp_istatus = 2 "Waiting`); 4 is running
//               (one public ABAP program's comment); 8 on hold and 16 or
//               32 ended or shut down are this program's reading of the
//               domain WPISTATUS, whose fixed values SAP does not publish:
//               NOT CONFIRMED.
// WP_STATUS, the state as a text ("Waiting", "Running", German "läuft",
// "hält"), follows the logon language and is never read.
//
// Counting is conservative where a code is unconfirmed: a work process is
// free only when it is waiting (2); every other state, an unknown one
// included, is busy, since it is not there to take a request. "On hold"
// counts state 8 alone; "stopped" every state that is neither waiting,
// running (4) nor on hold (8), so that a state this program does not know
// shows up as one to look at rather than as a busy one that looks normal.
#ifndef TOLVARAN_MEASURE_WORK_PROCESSES_H_
#define TOLVARAN_MEASURE_WORK_PROCESSES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolvaran {

enum class WorkProcessType : std::size_t {
  kDialog,
  kBackground,
  kUpdate,
  kUpdate2,
  kSpool,
  kEnqueue,
};
constexpr std::size_t kWorkProcessTypeCount = 6;

// The type of one WPLIST row; false for a type this program does not count
// (a row without a known key is counted by its state only).
bool ClassifyWorkProcess(std::string_view wpTyp, int wpItype, WorkProcessType* type);

constexpr int kWpWaiting = 2;  // confirmed
constexpr int kWpRunning = 4;  // one public source
constexpr int kWpOnHold = 8;   // not confirmed

struct WorkProcessCounts {
  std::array<std::uint32_t, kWorkProcessTypeCount> total{};
  std::array<std::uint32_t, kWorkProcessTypeCount> busy{};
  std::uint32_t onHold = 0;
  std::uint32_t stopped = 0;

  // One WPLIST row: its WP_TYP (without trailing blanks), WP_ITYPE and
  // WP_ISTATUS.
  void Add(std::string_view wpTyp, int wpItype, int wpIstatus);
  // Another server's counts (SERVERS=ALL): every count is a sum, and the
  // percentage is taken from the sums.
  void Add(const WorkProcessCounts& other);

  std::uint32_t Total(WorkProcessType t) const { return total[static_cast<std::size_t>(t)]; }
  std::uint32_t Busy(WorkProcessType t) const { return busy[static_cast<std::size_t>(t)]; }
  std::uint32_t DialogFree() const {
    return Total(WorkProcessType::kDialog) - Busy(WorkProcessType::kDialog);
  }
  // Busy dialog work processes in whole percent, rounded half up; 0 for a
  // server without dialog work processes.
  std::uint32_t DialogBusyPercent() const;
};

class Measurement;
// MEASURE=WP.
const Measurement& WorkProcessesMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_WORK_PROCESSES_H_
