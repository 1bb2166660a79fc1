#include "measure/work_processes.h"

#include <memory>
#include <string>
#include <vector>

#include "measure/measurement.h"
#include "measure/read_table.h"

namespace tolvaran {

bool ClassifyWorkProcess(std::string_view wpTyp, int wpItype, WorkProcessType* type) {
  if (wpItype == 1 || wpTyp == "DIA") {
    *type = WorkProcessType::kDialog;
  } else if (wpTyp == "BGD" || wpTyp == "BTC") {
    *type = WorkProcessType::kBackground;
  } else if (wpTyp == "UPD") {
    *type = WorkProcessType::kUpdate;
  } else if (wpTyp == "UP2") {
    *type = WorkProcessType::kUpdate2;
  } else if (wpTyp == "SPO") {
    *type = WorkProcessType::kSpool;
  } else if (wpTyp == "ENQ") {
    *type = WorkProcessType::kEnqueue;
  } else {
    return false;
  }
  return true;
}

void WorkProcessCounts::Add(std::string_view wpTyp, int wpItype, int wpIstatus) {
  WorkProcessType type;
  if (ClassifyWorkProcess(wpTyp, wpItype, &type)) {
    const auto i = static_cast<std::size_t>(type);
    ++total[i];
    if (wpIstatus != kWpWaiting) ++busy[i];
  }
  if (wpIstatus == kWpOnHold) {
    ++onHold;
  } else if (wpIstatus != kWpWaiting && wpIstatus != kWpRunning) {
    ++stopped;
  }
}

void WorkProcessCounts::Add(const WorkProcessCounts& other) {
  for (std::size_t i = 0; i < kWorkProcessTypeCount; ++i) {
    total[i] += other.total[i];
    busy[i] += other.busy[i];
  }
  onHold += other.onHold;
  stopped += other.stopped;
}

std::uint32_t WorkProcessCounts::DialogBusyPercent() const {
  const std::uint64_t all = Total(WorkProcessType::kDialog);
  if (all == 0) return 0;
  return static_cast<std::uint32_t>((Busy(WorkProcessType::kDialog) * 200ull + all) / (2 * all));
}

}  // namespace tolvaran

namespace tolvaran {

namespace {

using K = FieldRequest::Kind;

// The fields of each WPLIST row asked for, in this order.
enum WpField : std::size_t { kWpTyp, kWpItype, kWpIstatus };

// The values' indexes.
enum WpValue : std::size_t {
  kDialog,
  kDialogBusy,
  kDialogBusyPercent,
  kDialogFree,
  kBackground,
  kBackgroundBusy,
  kUpdate,
  kUpdateBusy,
  kUpdate2,
  kUpdate2Busy,
  kSpool,
  kSpoolBusy,
  kEnqueue,
  kEnqueueBusy,
  kOnHold,
  kStopped,
};

class WorkProcessReduction final : public Reduction {
 public:
  void Text(std::size_t field, std::string_view bytes) override {
    if (field == kWpTyp) typ_ = std::string(TrimRight(bytes));
  }
  void Integer(std::size_t field, std::int64_t value) override {
    if (field == kWpItype) itype_ = static_cast<int>(value);
    if (field == kWpIstatus) istatus_ = static_cast<int>(value);
  }
  void EndRow() override {
    counts_.Add(typ_, itype_, istatus_);
    typ_.clear();
    itype_ = istatus_ = -1;
  }
  MeasuredValues Result() const override {
    using T = WorkProcessType;
    const WorkProcessCounts& c = counts_;
    MeasuredValues r;
    r.values = {c.Total(T::kDialog),
                c.Busy(T::kDialog),
                c.DialogBusyPercent(),
                c.DialogFree(),
                c.Total(T::kBackground),
                c.Busy(T::kBackground),
                c.Total(T::kUpdate),
                c.Busy(T::kUpdate),
                c.Total(T::kUpdate2),
                c.Busy(T::kUpdate2),
                c.Total(T::kSpool),
                c.Busy(T::kSpool),
                c.Total(T::kEnqueue),
                c.Busy(T::kEnqueue),
                c.onHold,
                c.stopped};
    r.atLeast.assign(r.values.size(), false);
    r.notes = {servers_};
    r.partial = !servers_.empty();
    return r;
  }
  // The servers that were left out, for the text.
  std::string servers_;

 private:
  WorkProcessCounts counts_;
  std::string typ_;
  int itype_ = -1;
  int istatus_ = -1;
};

ValueDefinition Wp(const char* channel, const char* display, const char* metric, const char* help,
                   const char* label, std::int32_t id, Unit unit = Unit::kCount) {
  ValueDefinition v{channel, display, metric, help, unit, 0, true, Combine::kReplay, id};
  v.metricLabel = label;
  return v;
}

class WorkProcesses final : public Measurement {
 public:
  std::string_view Key() const override { return "WP"; }
  const std::vector<ValueDefinition>& Values() const override {
    // Every value is worked out again from the rows of all servers, so
    // that the percentage is the sums' (SERVERS=ALL).
    static const char* const kAll = "tolvaran_work_processes";
    static const char* const kBusy = "tolvaran_work_processes_busy";
    static const std::vector<ValueDefinition> values = [] {
      std::vector<ValueDefinition> v = {
          Wp("WP_Dialog", "Dialog WPs", kAll, "Work processes by type (SM50).", "type=\"dialog\"",
             20),
          Wp("WP_Dialog_Busy", "Dialog WPs Busy", kBusy,
             "Work processes by type that are not waiting.", "type=\"dialog\"", 21),
          Wp("WP_Dialog_Busy_Pct", "Dialog Busy Percent",
             "tolvaran_dialog_work_processes_busy_ratio",
             "Dialog work processes that are not waiting, of all.", nullptr, 22, Unit::kPercent),
          Wp("WP_Dialog_Free", "Dialog WPs Free", "tolvaran_dialog_work_processes_free",
             "Dialog work processes waiting for a request.", nullptr, 23),
          Wp("WP_Background", "Background WPs", kAll, "", "type=\"background\"", 24),
          Wp("WP_Background_Busy", "Background WPs Busy", kBusy, "", "type=\"background\"", 25),
          Wp("WP_Update", "Update WPs", kAll, "", "type=\"update\"", 26),
          Wp("WP_Update_Busy", "Update WPs Busy", kBusy, "", "type=\"update\"", 27),
          Wp("WP_Update2", "Update2 WPs", kAll, "", "type=\"update2\"", 28),
          Wp("WP_Update2_Busy", "Update2 WPs Busy", kBusy, "", "type=\"update2\"", 29),
          Wp("WP_Spool", "Spool WPs", kAll, "", "type=\"spool\"", 30),
          Wp("WP_Spool_Busy", "Spool WPs Busy", kBusy, "", "type=\"spool\"", 31),
          Wp("WP_Enqueue", "Enqueue WPs", kAll, "", "type=\"enqueue\"", 32),
          Wp("WP_Enqueue_Busy", "Enqueue WPs Busy", kBusy, "", "type=\"enqueue\"", 33),
          Wp("WP_On_Hold", "WPs On Hold", "tolvaran_work_processes_on_hold",
             "Work processes on hold (state 8, not confirmed).", nullptr, 34),
          Wp("WP_Stopped", "WPs Stopped", "tolvaran_work_processes_stopped",
             "Work processes neither waiting, running nor on hold.", nullptr, 35),
      };
      v[kDialogBusyPercent].limitMaxWarning = 80;
      v[kDialogBusyPercent].limitMaxError = 95;
      v[kStopped].limitMaxWarning = 0;
      return v;
    }();
    return values;
  }

  std::vector<TableCall> Calls(const MeasureContext& context) const override {
    // TH_WPINFO's SRVNAME names the server (MSXXLIST-NAME, C40); without
    // servers, the one the connection is on.
    std::vector<TableCall> calls;
    if (context.servers && !context.servers->empty()) {
      for (const ServerEntry& server : *context.servers) calls.push_back(Call(server.name));
    } else {
      calls.push_back(Call(""));
    }
    return calls;
  }

  QueryResult Measure(TableCaller& caller, const MeasureContext& context, Reduction& reduction,
                      std::vector<KeptRow>* kept) const override {
    // Every server over the one connection; one that fails is left out and
    // named, as the system-wide user counts leave out a server. Only when
    // none answers is the measurement's result the first failure.
    const std::vector<TableCall> calls = Calls(context);
    QueryResult first;
    bool any = false, failed = false;
    std::string leftOut;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      reduction.StartCall(0);  // the rows of every server are alike
      KeepingSink sink(reduction, kept, 0);
      QueryResult result = caller.Call(calls[i], sink);
      if (result.aborted) return result;
      if (result.outcome == kOutcomeOk) {
        any = true;
        continue;
      }
      if (!failed) first = result;
      failed = true;
      leftOut += (leftOut.empty() ? "" : ", ") + (*context.servers)[i].name;
    }
    static_cast<WorkProcessReduction&>(reduction).servers_ = leftOut;
    return any ? QueryResult{} : first;
  }

  std::unique_ptr<Reduction> Reduce(const MeasureContext&) const override {
    return std::make_unique<WorkProcessReduction>();
  }

  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    std::string text =
        "(" + std::string(label) + ") Dialog WPs busy " + std::to_string(r.values[kDialogBusy]) +
        " of " + std::to_string(r.values[kDialog]) + " (" +
        std::to_string(r.values[kDialogBusyPercent]) + "%), free " +
        std::to_string(r.values[kDialogFree]) + ", on hold " + std::to_string(r.values[kOnHold]) +
        ", stopped " + std::to_string(r.values[kStopped]);
    if (!r.notes.empty() && !r.notes[0].empty()) text += "; servers left out: " + r.notes[0];
    return text;
  }

  std::string CheckListing(const MeasuredValues& r) const override {
    auto line = [&](const char* label, std::size_t all, std::size_t busy) {
      return std::string(label) + std::to_string(r.values[all]) + ", busy " +
             std::to_string(r.values[busy]) + "\n";
    };
    return line(" * Dialog WPs........:  ", kDialog, kDialogBusy) +
           line(" * Background WPs....:  ", kBackground, kBackgroundBusy) +
           line(" * Update WPs........:  ", kUpdate, kUpdateBusy) +
           line(" * Update2 WPs.......:  ", kUpdate2, kUpdate2Busy) +
           line(" * Spool WPs.........:  ", kSpool, kSpoolBusy) +
           line(" * Enqueue WPs.......:  ", kEnqueue, kEnqueueBusy) +
           " * On Hold / Stopped.:  " + std::to_string(r.values[kOnHold]) + " / " +
           std::to_string(r.values[kStopped]) + "\n * System-Check..:  Successfully \n";
  }

 private:
  static TableCall Call(const std::string& server) {
    TableCall call{
        "TH_WPINFO",
        {},
        "WPLIST",
        "WPINFO",
        {{"WP_TYP", K::kText, 3}, {"WP_ITYPE", K::kInteger, 1}, {"WP_ISTATUS", K::kInteger, 1}}};
    if (!server.empty()) call.arguments = {CallArgument::Text("SRVNAME", server, 40)};
    return call;
  }
};

}  // namespace

const Measurement& WorkProcessesMeasurement() {
  static const WorkProcesses measurement;
  return measurement;
}

}  // namespace tolvaran
