// The command line: a whole run from arbitrary arguments.
//
// Input: the arguments, argument 0 (the program's name, which chooses the
// dialect) first, separated by NUL bytes as the operating system hands
// them over. The run goes through start-up and the item/client rules,
// profile location, the listing files and the single run or the listing,
// against an in-memory file system in which a file exists or not by a hash
// of its path, and against the fake RFC library.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/global_allocation.h"
#include "driver/listing.h"
#include "driver/profile_location.h"
#include "driver/single_run.h"
#include "fuzz_checks.h"
#include "platform/worker_scheduler.h"
#include "samples.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Which files exist: a stable choice per path and input, with contents
// that fit the name.
bool MadeUp(std::uint32_t salt, const std::string& path, std::string* bytes) {
  std::string key = tolvaran::FakeHost::Key(path);
  std::uint32_t h = Hash(key, salt);
  if (h % 3 == 0 || key.empty() || key.back() == '/') return false;
  if (EndsWith(key, "dalvenor.prf")) {
    *bytes = kSampleIndex;
  } else if (EndsWith(key, "dalvenor.gbl")) {
    *bytes = kSampleGlobal;
  } else if (key == "/prtg_path.txt") {
    *bytes = "D:\\Monitor\n";
  } else if (key.rfind("saprfc.", 0) == 0) {
    *bytes = "DEST=PRD\nTYPE=A\nASHOST=prdhost\nSYSNR=00\n";
  } else if (key == "dev_rfc.trc") {
    *bytes = kSampleTrace;
  } else {
    *bytes = SampleProfile(h % 5 == 0 ? "QAS" : "PRD");
  }
  return true;
}

// Runs the program on `args` against a system whose two queries end with
// the outcomes given.
void Run(const std::vector<std::string>& args, std::uint32_t salt, int user_list_outcome,
         int cpu_outcome, bool may_show_password) {
  tolvaran::FakeHost host;
  host.made_up = [salt](const std::string& path, std::string* bytes) {
    return MadeUp(salt, path, bytes);
  };
  std::unique_ptr<tolvaran::RfcBackend> backend = FakeClassicBackend(host);
  tolvaran::FakeClassic().userRows = tolvaran::SampleUserRows();
  tolvaran::FakeClassic().userListOutcome = user_list_outcome;
  tolvaran::FakeClassic().cpuOutcome = cpu_outcome;

  int status = -1;
  try {
    const tolvaran::Invocation inv = tolvaran::StartUp(host, args, 0);
    CheckInvocation(inv);
    tolvaran::ReportSettings report = inv.report;
    tolvaran::CheckParameters(inv.params, &report);
    // Both copies of the parameters are cut alike: positions still match.
    FUZZ_CHECK(inv.params.upper.size() == inv.params.raw.size());
    FUZZ_CHECK(inv.itemName.size() <= 90);
    FUZZ_CHECK(inv.params.client.size() <= 3);
    FUZZ_CHECK(inv.itemMode == (inv.params.upper.view().find("ITEM=") != std::string_view::npos));

    const tolvaran::ProfileSource source = tolvaran::LocateProfile(host, inv);
    CheckSource(source);
    FUZZ_CHECK(source.dir.empty() || source.dir.view().back() == '\\');

    if (inv.itemMode || source.globalSensor) {
      const tolvaran::ListingPlan plan = tolvaran::AllocateGlobalSensor(host, inv, source);
      CheckPlan(plan);
      tolvaran::PoolRunner workers;
      status = tolvaran::RunListing(host, inv, source, plan, workers);
    } else {
      tolvaran::SystemProfile profile =
          tolvaran::ReadProfile(inv.keyTable, source.name.view(), source.bytes);
      CheckProfile(profile);
      status = tolvaran::RunSingleSystem(host, inv, report, source.name.view(), profile, *backend);
      CheckProfile(profile);
    }
  } catch (const tolvaran::RunEnd& end) {
    status = end.status;
    if (end.status == 2) CheckErrorDocument(end.output);
  }
  FUZZ_CHECK(status == 0 || status == 1 || status == 2);
  FUZZ_CHECK(tolvaran::FakeTablesAlive() == 0);
  if (!may_show_password) FUZZ_CHECK(host.out.find(kSamplePassword) == std::string::npos);
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  // Argument 0 and five more: from the fourth on they change nothing.
  std::vector<std::string> args = Split(input, '\0', 6);
  std::uint32_t salt = Hash(input);
  // Who types the password may see it again in the progress lines.
  bool may_show = input.find("Secret") != std::string_view::npos;

  Run(args, salt, 0, 0, may_show);
  // The same run against a system whose queries fail in every way.
  Run(args, salt, static_cast<int>(salt % 5), static_cast<int>((salt >> 3) % 5), may_show);
  return 0;
}
