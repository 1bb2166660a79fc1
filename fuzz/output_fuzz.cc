// The channel and document writers, with arbitrary names, values and
// dialects.
//
// Input: lines. The first line's first character chooses the dialect (its
// code modulo 5) and, by its higher bits, the "now >=" forms; the rest of
// that line is the parameter text ("CH=", "ITEM=", "CLIENT=", "/CHECK").
// The second line is the system label, the third the destination, the
// fourth the summary text; every further four lines are one channel: name,
// display name, value and unit. The last 24 bytes of the input are the six
// counters of the usage document.
//
// Whatever goes in, the XML dialects keep every text between tags from
// opening a tag, the Tembrel selector leaves one value at most, and the
// error document keeps its form.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "fuzz_checks.h"
#include "output/channel.h"
#include "output/measurement_document.h"
#include "output/result_document.h"
#include "support/user_list_rows.h"
#include "text/thousands.h"

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

  const tolvaran::Parameters params = tolvaran::ParseParameters(
      first.empty() ? std::string_view() : std::string_view(first).substr(1));
  // Typed and upper-cased copies stay aligned character for character.
  FUZZ_CHECK(params.upper.view() == Upper(params.raw.view()));
  const tolvaran::ChannelSelector selector{params.hasChannel, params.channel};

  // A document with the summary text and the channels of the input.
  tolvaran::ResultDocument document(flavour, selector);
  document.SetText(Line(lines, 3));
  std::size_t channels = 0;
  for (std::size_t i = 4; i < lines.size(); i += 4) {
    document.AddChannel(tolvaran::Channel{Line(lines, i), Line(lines, i + 1), Line(lines, i + 2),
                                          Line(lines, i + 3)});
    ++channels;
  }
  FUZZ_CHECK(document.channels().size() == channels);
  const std::string rendered = document.Render();
  if (xml) CheckXmlTags(rendered, false);

  // The same channels streamed as a listing's document come to the same.
  tolvaran::ResultDocument listing(flavour, selector, tolvaran::ResultDocument::Layout::kListing);
  std::string streamed = listing.Opening();
  for (const tolvaran::Channel& channel : document.channels())
    streamed += listing.AddChannel(channel);
  listing.SetLeadingText(Line(lines, 1));
  listing.SetText(Line(lines, 3));
  streamed += listing.Closing();
  FUZZ_CHECK(streamed == listing.Render());
  if (xml) CheckXmlTags(streamed, false);

  for (const std::string& line : lines) CheckGrouping(line.substr(0, 11));

  // The usage with arbitrary counts.
  tolvaran::UserCounts counts;
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
  const std::string usage =
      tolvaran::MeasurementDocument(tolvaran::UserList(), counts.AsReading(), Line(lines, 2),
                                    params.client, flavour, selector)
          .Render();
  if (xml) CheckXmlTags(usage, false);
  FUZZ_CHECK(tolvaran::UserList().CheckListing(counts.AsReading()).substr(0, 15) ==
             " * Active Users");
  tolvaran::Channel item;
  if (tolvaran::ItemChannel(tolvaran::FindValue(tolvaran::Measurements(), params.item),
                            counts.AsReading(), Line(lines, 1), &item)) {
    FUZZ_CHECK(item.displayName == Line(lines, 1));
  }

  CheckErrorDocument(tolvaran::ErrorDocumentText(input));
  return 0;
}
