// The profile index "Dalvenor.Prf" and the global sensor file
// "Dalvenor.Gbl": the input is the file.
//
// It is read as the index of an ITEM= run and as the global sensor file of
// runs for a few sensor names; whenever the allocation succeeds the
// listing then walks the systems it names, against an in-memory file
// system (a listed profile exists, is unusable or is missing, by a hash of
// its name) and the fake RFC library.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/global_allocation.h"
#include "driver/listing.h"
#include "driver/profile_location.h"
#include "fuzz_checks.h"
#include "platform/worker_scheduler.h"
#include "samples.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

// The document alone: progress lines ("* ...") are for a person at a
// console and may show a "<" of their own.
std::string WithoutProgressLines(const std::string& out) {
  std::string doc;
  for (const std::string& line : Split(out, '\n', out.size() + 1)) {
    if (line.compare(0, 2, "* ") != 0) doc += line + "\n";
  }
  return doc;
}

// The listing's workers are never started (the fake host's executable is
// not there): every connected system fails, and the listing's decisions
// for the profiles and the document are what is fuzzed.
void Run(const std::string& file_name, std::string_view file,
         const std::vector<std::string>& args) {
  tolvaran::FakeHost host;
  host.Put(file_name, std::string(file));
  host.made_up = [](const std::string& path, std::string* bytes) {
    std::string key = tolvaran::FakeHost::Key(path);
    if (key.empty() || key.back() == '/') return false;
    // The hint file and the listing files are the input's or none.
    if (key == "/prtg_path.txt" || key.find("dalvenor.") != std::string::npos) return false;
    switch (Hash(key) % 4) {
      case 0:
        return false;
      case 1:
        *bytes = SampleProfile("QAS");
        return true;
      case 2:
        *bytes = "User.......: SAPMON\nPassword...: not a stored password\n";
        return true;
      default:
        *bytes = SampleProfile("PRD");
        return true;
    }
  };

  int status = -1;
  try {
    const tolvaran::Invocation inv = tolvaran::StartUp(host, args, 0);
    const tolvaran::ProfileSource source = tolvaran::LocateProfile(host, inv);
    FUZZ_CHECK(inv.itemMode || source.globalSensor);
    const tolvaran::ListingPlan plan = tolvaran::AllocateGlobalSensor(host, inv, source);
    CheckPlan(plan);
    FUZZ_CHECK(!plan.listing.empty() && !plan.itemName.empty());
    FUZZ_CHECK(plan.itemName.size() <= 90);
    tolvaran::PoolRunner workers;
    status = tolvaran::RunListing(host, inv, source, plan, workers);
  } catch (const tolvaran::RunEnd& end) {
    status = end.status;
    FUZZ_CHECK(end.status == 2);
    CheckErrorDocument(end.output);
  }
  FUZZ_CHECK(status == 0 || status == 2);
  if (status == 0) {
    FUZZ_CHECK(host.out.find("NoSystems=") != std::string::npos);
    if (host.out.size() == host.out_size) CheckXmlTags(WithoutProgressLines(host.out), false);
  }
  // The listed profiles' password shows nowhere, unless the input itself
  // names it (as a profile, say).
  if (file.find(kSamplePassword) == std::string_view::npos) {
    FUZZ_CHECK(host.out.find(kSamplePassword) == std::string::npos);
  }
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view file(reinterpret_cast<const char*>(data), size);
  Run("Dalvenor.Prf", file, {"tolvaran", "PRD", "ITEM=Active:User(s)", "#"});
  Run("Dalvenor.Gbl", file, {"tolvaran", "global", "PRODUCTION"});
  Run("Dalvenor.Gbl", file, {"tolvaran", "GLOBAL.P00", "quality", "%"});
  Run("Dalvenor.Gbl", file, {"tolvaran", "global"});
  return 0;
}
