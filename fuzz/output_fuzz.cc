// The channel and document writers, with arbitrary names, values and
// dialects.
//
// Input: lines. The first line's first character chooses the dialect (its
// code modulo 5) and, by its higher bits, the "now >=" forms; the rest of
// that line is the parameter text ("CH=", "ITEM=", "CLIENT=", "/CHECK").
// The second line is the system label, the third the destination, the
// fourth the summary text; every further four lines are one channel: name,
// display name, value and unit. The last 24 bytes of the input are the six
// counters for WriteUsage.
//
// Whatever goes in, the result buffer keeps its capacity, the XML dialects
// keep every text between tags from opening a tag, and the error document
// keeps its form.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "fuzz_checks.h"
#include "output/channel.h"
#include "output/result_document.h"
#include "output/usage_evaluation.h"
#include "support/fake_host.h"

namespace tolvaran_fuzz {
namespace {

using tolvaran::OutputFlavour;

constexpr OutputFlavour kFlavours[5] = {OutputFlavour::kExeXml, OutputFlavour::kMirvane,
                                        OutputFlavour::kQuillrax, OutputFlavour::kTembrel,
                                        OutputFlavour::kFandrok};

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string Line(const std::vector<std::string>& lines, std::size_t i) {
  return i < lines.size() ? lines[i] : std::string();
}

bool IsFull(const tolvaran::RunState& rs) {
  return rs.resultBuffer.size() == decltype(rs.resultBuffer)::kCapacity;
}

// Separators go in at thousands and millions, nowhere else, and nothing of
// the text is lost.
void CheckGrouping(std::string_view digits) {
  std::string grouped = tolvaran::GroupThousands(digits);
  const std::size_t n = digits.size();
  const std::size_t inserted = n <= 3 ? 0 : n <= 6 ? 1 : 2;
  FUZZ_CHECK(grouped.size() == n + inserted);
  std::string back = grouped;
  if (inserted == 2) {
    FUZZ_CHECK(back[n - 6] == '.');
    back.erase(n - 6, 1);
  }
  if (inserted >= 1) {
    FUZZ_CHECK(back[back.size() - 4] == '.');
    back.erase(back.size() - 4, 1);
  }
  FUZZ_CHECK(back == digits);
}

}  // namespace
}  // namespace tolvaran_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvaran_fuzz;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines = Split(input, '\n', 64);
  std::string first = Line(lines, 0);
  unsigned char choice = first.empty() ? 0 : static_cast<unsigned char>(first[0]);
  const OutputFlavour flavour = kFlavours[choice % 5];
  const bool xml = tolvaran::IsXmlFlavour(flavour);

  tolvaran::FakeHost host;
  auto rs = std::make_unique<tolvaran::RunState>();
  rs->host = &host;
  rs->outputFlavour = flavour;
  tolvaran::SetParameters(*rs,
                          first.empty() ? std::string_view() : std::string_view(first).substr(1));
  // Typed and upper-cased copies stay aligned character for character.
  FUZZ_CHECK(rs->params.upper.view() == Upper(rs->params.raw.view()));
  rs->itemMode = rs->params.hasItem;
  rs->itemName.Set(rs->params.item);
  rs->systemLabel.Set(Line(lines, 1));
  rs->profile.destination.Set(Line(lines, 2));

  // A document with the summary text and the channels of the input.
  tolvaran::OpenDocument(*rs);
  tolvaran::OpenText(*rs);
  tolvaran::AppendDocumentText(*rs, Line(lines, 3));
  tolvaran::CloseText(*rs);
  std::int32_t channels = 0;
  for (std::size_t i = 4; i < lines.size(); i += 4) {
    tolvaran::WriteChannel(*rs, Line(lines, i), Line(lines, i + 1), Line(lines, i + 2),
                           Line(lines, i + 3));
    ++channels;
    CheckRunState(*rs);
  }
  tolvaran::CloseDocument(*rs);
  CheckRunState(*rs);
  FUZZ_CHECK(rs->channelCounter == channels);
  if (xml) CheckXmlTags(rs->resultBuffer.view(), IsFull(*rs));

  for (const std::string& line : lines) CheckGrouping(line.substr(0, 11));

  // The usage in the mode the parameters choose, with arbitrary counts.
  tolvaran::UsageCounts counts;
  if (size >= 24) {
    std::uint32_t values[6];
    std::memcpy(values, data + size - 24, sizeof values);
    counts.activeUsers = values[0];
    counts.tranCodes = values[1];
    counts.terminals = values[2];
    counts.sessions = values[3];
    counts.externalModes = values[4];
    counts.internalModes = values[5];
  }
  counts.usersAtLeast = (choice & 0x40) != 0;
  counts.terminalsAtLeast = (choice & 0x80) != 0;
  rs->channelCounter = 0;
  tolvaran::WriteUsage(*rs, counts);
  CheckRunState(*rs);
  FUZZ_CHECK(host.out.empty());
  if (rs->params.check) {
    FUZZ_CHECK(rs->resultBuffer.view().substr(0, 15) == " * Active Users");
  } else if (rs->itemMode) {
    // The item's channel, or nothing for an unknown item.
    if (xml) CheckXmlTags(rs->resultBuffer.view(), false);
  } else if (xml) {
    CheckXmlTags(rs->resultBuffer.view(), IsFull(*rs));
  }

  tolvaran::BuildErrorDocument(*rs, input);
  CheckRunState(*rs);
  CheckErrorDocument(rs->resultBuffer.view());

  std::size_t before = host.out.size();
  tolvaran::WriteLabelledLine(host, Line(lines, 1), choice % 8, 15, Line(lines, 2));
  FUZZ_CHECK(host.out.size() > before && host.out.back() == '\n');
  return 0;
}
