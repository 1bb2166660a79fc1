// The usage count over arbitrary user-list rows, as the classic library
// hands them over.
//
// Input: one byte whose value modulo 4 is the length of the client filter,
// the filter's characters, then rows of 92 bytes in the UINFO layout (a
// shorter last piece is no row). The fake library of tests/support serves
// the rows, each its own allocation of exactly the row length; the classic
// backend reads them into sessions and the counter counts them. The counts
// must agree with the rows: a session per row of the client, distinct names
// counted once as long as the name lists have room; then the counts are
// written in every mode.
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "driver/system_check.h"
#include "fuzz_checks.h"
#include "output/measurement_document.h"
#include "output/result_document.h"
#include "rfc/classic/classic_layout.h"
#include "support/fake_host.h"
#include "support/user_list_rows.h"

namespace tolvaran_fuzz {
namespace {

// A character field as the evaluation reads it: up to its length or a NUL.
std::string Field(const std::string& row, const char* name, std::size_t length) {
  const char* text = row.data() + tolvaran::UinfoOffset(name);
  return std::string(text, strnlen(text, length));
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  if (size == 0) return 0;
  std::size_t client_length = std::min<std::size_t>(data[0] % 4, size - 1);
  std::string client(reinterpret_cast<const char*>(data + 1), client_length);
  // The client comes from the command line, which can carry no NUL.
  client = client.substr(0, client.find('\0'));
  const char* rows = reinterpret_cast<const char*>(data + 1 + client_length);
  const std::size_t row_length = tolvaran::kUinfoRowLength;
  std::size_t row_count = (size - 1 - client_length) / row_length;

  tolvaran::FakeHost host;
  std::unique_ptr<tolvaran::RfcBackend> backend = FakeClassicBackend(host);
  std::uint32_t sessions = 0;
  std::uint32_t tran_codes = 0;
  std::set<std::string> users;
  std::set<std::string> terminals;
  for (std::size_t i = 0; i < row_count; ++i) {
    std::string row(rows + i * row_length, row_length);
    tolvaran::FakeClassic().userRows.push_back(row);
    if (!client.empty() && Field(row, "MANDT", 3) != client) continue;
    ++sessions;
    users.insert(Trimmed(Field(row, "BNAME", 12)));
    terminals.insert(Trimmed(Field(row, "TERM", 20)));
    std::string tcode = Field(row, "TCODE", 20);
    if (!tcode.empty() && tcode[0] != ' ') ++tran_codes;
  }

  tolvaran::UserCounts counts;
  tolvaran::QueryResult result = tolvaran::CountSessions(*backend, 1, client, &counts);
  FUZZ_CHECK(result.outcome == tolvaran::kOutcomeOk && !result.aborted);
  FUZZ_CHECK(tolvaran::FakeTablesAlive() == 0);
  FUZZ_CHECK(counts.sessions == sessions);
  FUZZ_CHECK(counts.tranCodes == tran_codes);
  FUZZ_CHECK(counts.activeUsers <= users.size());
  FUZZ_CHECK(counts.terminals <= terminals.size());
  FUZZ_CHECK(counts.usersAtLeast || counts.activeUsers == users.size());
  FUZZ_CHECK(counts.terminalsAtLeast || counts.terminals == terminals.size());

  // Made into a document, an item channel and the check listing.
  CheckXmlTags(tolvaran::MeasurementDocument(tolvaran::UserList(), counts.AsReading(), "PRD",
                                             client, tolvaran::OutputFlavour::kExeXml, {})
                   .Render(),
               false);
  tolvaran::Channel channel;
  FUZZ_CHECK(tolvaran::ItemChannel(tolvaran::FindValue(tolvaran::Measurements(), "Session(s)"),
                                   counts.AsReading(), "PRD.P00", &channel));
  FUZZ_CHECK(channel.value == std::to_string(sessions));
  FUZZ_CHECK(tolvaran::UserList().CheckListing(counts.AsReading()).substr(0, 15) ==
             " * Active Users");
  FUZZ_CHECK(host.out.empty());
  return 0;
}
