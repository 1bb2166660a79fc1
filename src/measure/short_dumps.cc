#include "measure/short_dumps.h"

#include "measure/read_table.h"
#include "measure/windowed_measurement.h"

namespace tolvaran {

std::string RuntimeErrorName(std::string_view flist) {
  if (flist.size() < 5 || flist.substr(0, 2) != "FC") return {};
  std::size_t length = 0;
  bool digits = true;
  for (char c : flist.substr(2, 3)) {
    if (c < '0' || c > '9') digits = false;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  std::string_view name = flist.substr(5);
  if (digits) {
    name = name.substr(0, length);
  } else {
    name = name.substr(0, name.find("AP0"));
  }
  return std::string(TrimRight(name));
}

void ShortDumpSummary::Add(std::string_view flist) {
  ++dumps;
  ++byError[RuntimeErrorName(flist)];
}

std::string ShortDumpSummary::TopError() const {
  std::string top;
  std::uint32_t count = 0;
  for (const auto& [name, n] : byError) {
    if (n > count) {
      top = name;
      count = n;
    }
  }
  return top;
}

std::uint32_t ShortDumpSummary::TopCount() const {
  std::uint32_t count = 0;
  for (const auto& entry : byError) {
    if (entry.second > count) count = entry.second;
  }
  return count;
}

}  // namespace tolvaran

namespace tolvaran {

namespace {

class ShortDumpsReduction final : public ClockedReduction {
 public:
  explicit ShortDumpsReduction(int window) : window_(window) {}
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {summary_.dumps, summary_.TopCount()};
    r.atLeast = {false, false};
    r.notes = {summary_.TopError(), std::to_string(window_)};
    return r;
  }

 protected:
  void Row(const FieldLayout& layout, std::string_view data) override {
    summary_.Add(layout.Take(data, "FLIST"));
  }

 private:
  int window_;
  ShortDumpSummary summary_;
};

class ShortDumps final : public WindowedMeasurement {
 public:
  std::string_view Key() const override { return "DUMPS"; }
  const std::vector<ValueDefinition>& Values() const override {
    // SNAP is the system's, not a server's: with SERVERS=ALL every server
    // sees the same rows, so the values combine as their maximum.
    static const std::vector<ValueDefinition> values = {
        {"Short_Dumps", "Short Dumps", "tolvaran_short_dumps",
         "ABAP short dumps in the window (ST22).", Unit::kCount, 0, true, Combine::kMaximum, 40, "",
         nullptr, 10, 50},
        {"Top_Dump_Count", "Top Dump Count", "tolvaran_short_dumps_most_frequent",
         "Short dumps of the most frequent runtime error in the window.", Unit::kCount, 0, true,
         Combine::kMaximum, 41},
    };
    return values;
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext& context) const override {
    return std::make_unique<ShortDumpsReduction>(context.windowMinutes);
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    std::string text = "(" + std::string(label) + ") Short Dumps=" + std::to_string(r.values[0]) +
                       " in " + r.notes[1] + " min";
    if (r.values[0] > 0) text += ", most " + r.notes[0] + "=" + std::to_string(r.values[1]);
    return text;
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * Short Dumps.......:  " + std::to_string(r.values[0]) + " in " + r.notes[1] +
           " min\n * Most frequent.....:  " + (r.notes[0].empty() ? "-" : r.notes[0]) + " " +
           std::to_string(r.values[1]) + "\n * System-Check..:  Successfully \n";
  }
  std::string FailureText(const QueryResult& result) const override {
    return ReadTableFailure(result, "SNAP");
  }

 protected:
  TableCall Query(SapInstant now, const MeasureContext& context) const override {
    // The dumps' first rows (SEQNO '000') of the window; only the runtime
    // error's name is read, 200 of a DATA row's 512 bytes.
    const SapWindow window = SapWindow::Last(now, context.windowMinutes);
    WhereClause where;
    where.Compare("SEQNO", "=", "000").And();
    where.Within("DATUM", "UZEIT", window.from.Date(), window.from.Time(), window.to.Date(),
                 window.to.Time());
    return ReadTableCall("SNAP", where, {"FLIST"});
  }
};

}  // namespace

const Measurement& ShortDumpsMeasurement() {
  static const ShortDumps measurement;
  return measurement;
}

}  // namespace tolvaran
