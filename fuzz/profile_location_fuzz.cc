// The monitor-directory hint file and the profile location: the input is
// the hint file "C:\PRTG_Path.Txt".
//
// Each input is tried for a few profile names, with the profile present in
// the monitor's sensor directories, present only in the hinted directory,
// or nowhere, in an in-memory file system. The location must end with the
// profile open under profileDir + profileName, profileDir empty or ending
// in "\", or with error 1002.
#include <cstdint>
#include <memory>
#include <string>

#include "driver/command_line.h"
#include "driver/profile_location.h"
#include "fuzz_checks.h"
#include "samples.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

enum class Where { kSensorDirectories, kHintedDirectoryOnly, kNowhere };

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void Locate(std::string_view hint, const std::string& name, Where where) {
  tolvaran::FakeHost host;
  host.Put("C:\\PRTG_Path.Txt", std::string(hint));
  host.made_up = [where](const std::string& path, std::string* bytes) {
    std::string key = tolvaran::FakeHost::Key(path);
    if (!EndsWith(key, "/prd.p00") && !EndsWith(key, "/dalvenor.gbl")) return false;
    const bool in_sensors = key.find("/custom sensors/exexml/") != std::string::npos;
    if (where == Where::kNowhere) return false;
    if (where == Where::kSensorDirectories && !in_sensors) return false;
    if (where == Where::kHintedDirectoryOnly && in_sensors) return false;
    *bytes = SampleProfile("PRD");
    return true;
  };

  bool located = false;
  tolvaran::ProfileSource source;
  try {
    const tolvaran::Invocation inv = tolvaran::StartUp(host, {"tolvaran", name}, 0);
    source = tolvaran::LocateProfile(host, inv);
    located = true;
  } catch (const tolvaran::RunEnd& end) {
    FUZZ_CHECK(end.status == 2);
    CheckErrorDocument(end.output);
    FUZZ_CHECK(end.output.find("<Text>Error 1002: Profile ") != std::string::npos);
  }
  CheckSource(source);
  FUZZ_CHECK(source.dir.empty() || source.dir.view().back() == '\\');
  if (located) {
    FUZZ_CHECK(where != Where::kNowhere);
    FUZZ_CHECK(!source.bytes.empty());
    FUZZ_CHECK(source.path.str() == source.dir.str() + source.name.str());
    std::string bytes;
    FUZZ_CHECK(host.ReadFile(source.path.str(), &bytes));
  }
  FUZZ_CHECK(host.out.empty());
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view hint(reinterpret_cast<const char*>(data), size);
  for (const char* name : {"PRD", "global", "C:\\SAP\\PRD"}) {
    for (Where where : {Where::kSensorDirectories, Where::kHintedDirectoryOnly, Where::kNowhere}) {
      Locate(hint, name, where);
    }
  }
  return 0;
}
