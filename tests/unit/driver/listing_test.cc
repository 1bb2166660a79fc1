#include "driver/listing.h"

#include <gtest/gtest.h>

#include "driver/command_line.h"
#include "driver/global_allocation.h"
#include "driver/system_check.h"
#include "measure/registry.h"
#include "measure/user_list.h"
#include "support/fake_worker_runner.h"
#include "support/sample_profile.h"
#include "support/scratch_host.h"

namespace tolvaran {
namespace {

// The listing's decisions from its workers' ends, on a runner that starts
// no process: systems are PRD, QAS and DEV, workers numbered by start.
class ListingTest : public DriverStepsTest {
 protected:
  void SetUp() override {
    DriverStepsTest::SetUp();
    Write("Dalvenor.Prf", "# Gsng: 123456789012PRD.P00#QAS.P00#DEV.P00#\n");
    for (const char* sid : {"PRD", "QAS", "DEV"}) {
      Write(std::string(sid) + ".P00", SampleProfile({sid, "host" + std::string(sid), 0, ""}));
    }
  }

  int List(std::vector<std::string> args, std::int64_t startMs = MonotonicMilliseconds()) {
    int status = -1;
    RunSteps(args, [&](const std::vector<std::string>& a) {
      Invocation inv = StartUp(*host_, a, startMs);
      ProfileSource source = LocateProfile(*host_, inv);
      status = RunListing(*host_, inv, source, AllocateGlobalSensor(*host_, inv, source), runner_);
    });
    return status;
  }

  // A worker's answer: the system counted with `terminals` terminals.
  static std::string Counted(std::int64_t terminals) {
    SystemOutcome outcome;
    outcome.opened = outcome.cpuDone = outcome.usageDone = true;
    outcome.reading.values.assign(UserList().Values().size(), 0);
    outcome.reading.atLeast.assign(outcome.reading.values.size(), false);
    outcome.reading.values[kTerminals] = terminals;
    return EncodeOutcome(outcome, UserList());
  }

  FakeWorkerRunner runner_;
};

// QAS answers first, DEV starts only when a worker is free: the channels
// still come in listing order.
TEST_F(ListingTest, WritesInListingOrderWithAtMostJobsWorkers) {
  runner_.Answer(1, Counted(11));
  runner_.Answer(2, Counted(22));
  runner_.Answer(3, Counted(33));
  runner_.finishOrder = {2, 1, 3};
  EXPECT_EQ(0, List({"X", "ITEM=Act:Terminals JOBS=2"}));
  EXPECT_EQ(2u, runner_.mostRunning);
  const std::string& out = host_->out;
  const std::size_t prd = out.find("<Channel>PRD.P00</Channel>\n<Value>11</Value>");
  const std::size_t qas = out.find("<Channel>QAS.P00</Channel>\n<Value>22</Value>");
  const std::size_t dev = out.find("<Channel>DEV.P00</Channel>\n<Value>33</Value>");
  ASSERT_NE(std::string::npos, dev) << out;
  EXPECT_LT(prd, qas);
  EXPECT_LT(qas, dev);
}

// A worker not started and one that crashed are failures (1015), never
// timeouts; the others are counted.
TEST_F(ListingTest, WorkerNotStartedOrEndedAbnormallyFailsItsSystem) {
  runner_.refused = {1};
  runner_.End(2, WorkerEnd::kAbnormal, 11);
  runner_.Answer(3, Counted(33));
  runner_.finishOrder = {2, 3};
  EXPECT_EQ(0, List({"X", "ITEM=Act:Terminals FORMAT=OPENMETRICS"}));
  const std::string& out = host_->out;
  EXPECT_NE(std::string::npos, out.find("error_info{system=\"PRD.P00\",code=\"1015\"} 1")) << out;
  EXPECT_NE(std::string::npos, out.find("error_info{system=\"QAS.P00\",code=\"1015\"} 1"));
  EXPECT_NE(std::string::npos, out.find("terminals{system=\"DEV.P00\"} 33"));
}

// A worker that ends by itself with status 3 has timed out; one still
// running when the deadline passes is killed and has timed out too (1016).
TEST_F(ListingTest, WorkersStillRunningAtTheDeadlineAreKilled) {
  runner_.Answer(1, Counted(11));
  runner_.End(2, WorkerEnd::kExited, 3);
  runner_.finishOrder = {1, 2};
  EXPECT_EQ(0, List({"X", "ITEM=Act:Terminals TIMEOUT=1 FORMAT=OPENMETRICS"}));
  EXPECT_EQ((std::vector<WorkerId>{3}), runner_.killed);
  const std::string& out = host_->out;
  EXPECT_NE(std::string::npos, out.find("terminals{system=\"PRD.P00\"} 11")) << out;
  EXPECT_NE(std::string::npos, out.find("error_info{system=\"QAS.P00\",code=\"1016\"} 1"));
  EXPECT_NE(std::string::npos, out.find("error_info{system=\"DEV.P00\",code=\"1016\"} 1"));
}

}  // namespace
}  // namespace tolvaran
