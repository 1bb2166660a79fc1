#include "measure/update_errors.h"

#include <memory>
#include <string>
#include <vector>

#include "measure/health_calls.h"

namespace tolvaran {

namespace {

class UpdateErrorsReduction final : public ReadTableReduction {
 public:
  MeasuredValues Result() const override {
    MeasuredValues r;
    r.values = {requests_};
    r.atLeast = {false};
    return r;
  }

 protected:
  void Row(const FieldLayout&, std::string_view) override { ++requests_; }

 private:
  std::int64_t requests_ = 0;
};

class UpdateErrors final : public Measurement {
 public:
  std::string_view Key() const override { return "UPDATES"; }
  const std::vector<ValueDefinition>& Values() const override {
    static const std::vector<ValueDefinition> values = {
        {"Update_Errors", "Update Errors", "tolvaran_update_errors",
         "Update requests in error (SM13).", Unit::kCount, 0, true, Combine::kMaximum, 50, "",
         nullptr, 0, 10},
    };
    return values;
  }
  std::vector<TableCall> Calls(const MeasureContext&) const override {
    // Only the key is read: 32 of a DATA row's 512 bytes.
    WhereClause where;
    where.Compare("VBRC", "<>", "0");
    return {ReadTableCall("VBHDR", where, {"VBKEY"})};
  }
  std::unique_ptr<Reduction> Reduce(const MeasureContext&) const override {
    return std::make_unique<UpdateErrorsReduction>();
  }
  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view) const override {
    return "(" + std::string(label) + ") Update Errors=" + std::to_string(r.values[0]);
  }
  std::string CheckListing(const MeasuredValues& r) const override {
    return " * Update Errors.....:  " + std::to_string(r.values[0]) +
           "\n * System-Check..:  Successfully \n";
  }
  std::string FailureText(const QueryResult& result) const override {
    return ReadTableFailure(result, "VBHDR");
  }
};

}  // namespace

const Measurement& UpdateErrorsMeasurement() {
  static const UpdateErrors measurement;
  return measurement;
}

}  // namespace tolvaran
