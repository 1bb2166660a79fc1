// The usage counter over arbitrary user-list rows.
//
// Input: one byte whose value modulo 4 is the length of the client filter,
// the filter's characters, then rows of 92 bytes in the UINFO layout (a
// shorter last piece is no row). The counts must agree with the rows: a
// session per row of the client, distinct names counted once as long as
// the name lists have room; then the counts are written in every mode.
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "fuzz_checks.h"
#include "memory_host.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"

namespace tolvaran_fuzz {
namespace {

// A character field as the evaluation reads it: up to its length or a NUL.
std::string Field(const unsigned char* row, std::size_t offset, std::size_t length) {
  const char* text = reinterpret_cast<const char*>(row + offset);
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
  const std::uint8_t* rows = data + 1 + client_length;
  std::size_t row_count = (size - 1 - client_length) / tolvaran::kUinfoRowLength;

  tolvaran::UsageCounter counter(client);
  std::uint32_t sessions = 0;
  std::uint32_t tran_codes = 0;
  std::set<std::string> users;
  std::set<std::string> terminals;
  for (std::size_t i = 0; i < row_count; ++i) {
    // Each row its own allocation of exactly the row length.
    auto row = std::make_unique<unsigned char[]>(tolvaran::kUinfoRowLength);
    std::memcpy(row.get(), rows + i * tolvaran::kUinfoRowLength, tolvaran::kUinfoRowLength);
    counter.AddRow(row.get());
    if (!client.empty() && Field(row.get(), 4, 3) != client) continue;
    ++sessions;
    users.insert(Trimmed(Field(row.get(), 7, 12)));
    terminals.insert(Trimmed(Field(row.get(), 39, 20)));
    std::string tcode = Field(row.get(), 19, 20);
    if (!tcode.empty() && tcode[0] != ' ') ++tran_codes;
  }

  tolvaran::UsageCounts counts = counter.Counts();
  FUZZ_CHECK(counts.sessions == sessions);
  FUZZ_CHECK(counts.tranCodes == tran_codes);
  FUZZ_CHECK(counts.activeUsers <= users.size());
  FUZZ_CHECK(counts.terminals <= terminals.size());
  FUZZ_CHECK(counts.usersAtLeast || counts.activeUsers == users.size());
  FUZZ_CHECK(counts.terminalsAtLeast || counts.terminals == terminals.size());

  // Written as a document, an item channel and the check listing.
  for (const char* params : {"", "ITEM=Session(s)", "/CHECK"}) {
    MemoryHost host;
    auto rs = std::make_unique<tolvaran::RunState>();
    rs->host = &host;
    rs->paramText.Set(params);
    rs->paramRaw.Set(params);
    rs->itemMode = params[0] == 'I';
    rs->itemName.Set("Session(s)");
    rs->client.Set(client);
    rs->profile.destination.Set("PRD");
    rs->systemLabel.Set("PRD.P00");
    tolvaran::WriteUsage(*rs, counts);
    CheckRunState(*rs);
    if (rs->itemMode) {
      CheckXmlTags(host.out, false);
      FUZZ_CHECK(host.out.find("<Value>" + std::to_string(sessions) + "</Value>") !=
                 std::string::npos);
    } else if (params[0] == '\0') {
      CheckXmlTags(rs->resultBuffer.view(), false);
    }
  }
  return 0;
}
