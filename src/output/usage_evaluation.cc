#include "output/usage_evaluation.h"

#include <cstring>
#include <string>

#include "output/channel.h"
#include "text/thousands.h"

namespace tolvaran {

namespace {

// Beyond this many characters of recorded names (one separator each) a
// list stops growing and its count becomes a lower bound.
constexpr std::size_t kNameListLimit = 8000;

// A character field of a session as a text: blank-padded and
// unterminated, but a NUL inside it ends the text.
template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* nul = std::memchr(field, '\0', N);
  return std::string_view(field, nul ? static_cast<const char*>(nul) - field : N);
}

std::string Grouped(std::uint32_t value) { return GroupThousands(std::to_string(value)); }

}  // namespace

MeasureValues ValuesInOrder(const UsageCounts& counts) {
  return {counts.activeUsers, counts.tranCodes,     counts.terminals,
          counts.sessions,    counts.externalModes, counts.internalModes};
}

UsageCounter::UsageCounter(std::string_view client)
    : client_(client), users_(kNameListLimit), terminals_(kNameListLimit) {}

void UsageCounter::Add(const Session& session) {
  if (!client_.empty() && FieldText(session.mandt) != client_) return;

  if (users_.Add(session.bname)) ++counts_.activeUsers;
  if (terminals_.Add(session.term)) ++counts_.terminals;
  // Mode counts are summed as the 32-bit values they are; they wrap.
  counts_.externalModes += session.externalModes;
  counts_.internalModes += session.internalModes;

  // A session without a transaction has a blank code. A code whose first
  // byte is NUL is an empty text: it has no first character that is not a
  // blank, so it does not count either.
  if (session.tcode[0] != '\0' && session.tcode[0] != ' ') ++counts_.tranCodes;

  ++counts_.sessions;
}

UsageCounts UsageCounter::Counts() const {
  UsageCounts counts = counts_;
  counts.usersAtLeast = users_.Full();
  counts.terminalsAtLeast = terminals_.Full();
  return counts;
}

std::string CheckListingText(const UsageCounts& counts) {
  std::string text;
  text += counts.usersAtLeast ? " * Active Users now.:  >= " : " * Active Users.....:  ";
  text += Grouped(counts.activeUsers);
  text += "\n * Act TranCodes.:  ";
  text += Grouped(counts.tranCodes);
  text += counts.terminalsAtLeast ? "\n * Terminals now....:  >= " : "\n * Terminals..........:  ";
  text += Grouped(counts.terminals);
  text += "\n * Session(s).........:  ";
  text += Grouped(counts.sessions);
  text += "\n * External Modi...:  ";
  text += Grouped(counts.externalModes);
  text += "\n * Internal Modi....:  ";
  text += Grouped(counts.internalModes);
  // The last line is a line like the others: a shell prompt or a log
  // that collects the output starts on a line of its own after it.
  text += "\n * System-Check..:  Successfully \n";
  return text;
}

bool ItemChannel(const UsageCounts& counts, std::string_view item, std::string_view label,
                 Channel* channel) {
  const int index = MeasureIndex(item);
  if (index < 0) return false;
  *channel = Channel{"", std::string(label), std::to_string(ValuesInOrder(counts)[index]), ""};
  return true;
}

std::string UsageSummary(const UsageCounts& counts, std::string_view label,
                         std::string_view client) {
  std::string summary = "(";
  summary += label;
  if (client.empty()) {
    summary += ") System-Usage: ";
  } else {
    summary += ") Sys-Usage Client[";
    summary += client;
    summary += "]: ";
  }
  summary += counts.usersAtLeast ? "Active Users now >= " : "Active Users=";
  summary += Grouped(counts.activeUsers);
  summary += ", Act Tran-Codes=";
  summary += Grouped(counts.tranCodes);
  summary += counts.terminalsAtLeast ? ", Terminals now >= " : ", Terminals=";
  summary += Grouped(counts.terminals);
  summary += ", Sessions=";
  summary += Grouped(counts.sessions);
  return summary;
}

ResultDocument UsageDocument(const UsageCounts& counts, std::string_view label,
                             std::string_view client, OutputFlavour dialect,
                             ChannelSelector selector, bool warning) {
  ResultDocument document(dialect, selector);
  document.SetText(UsageSummary(counts, label, client));
  const MeasureValues values = ValuesInOrder(counts);
  for (std::size_t i = 0; i < kMeasureCount; ++i) {
    document.AddChannel(Channel{kMeasures[i].channelName, kMeasures[i].displayName,
                                std::to_string(values[i]), "", warning});
  }
  return document;
}

}  // namespace tolvaran
