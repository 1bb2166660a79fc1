#include "measure/user_list.h"

#include <cstring>
#include <string>

#include "measure/name_list.h"
#include "text/thousands.h"

namespace tolvaran {

namespace {

// Beyond this many characters of recorded names (one separator each) a
// list stops growing and its count becomes a lower bound.
constexpr std::size_t kNameListLimit = 8000;

// The widths of UINFO's fields (see rfc/classic/classic_layout.h for where
// they come from).
constexpr unsigned kClientWidth = 3;
constexpr unsigned kUserWidth = 12;
constexpr unsigned kTransactionWidth = 20;
constexpr unsigned kTerminalWidth = 20;

// A character field as a text: blank-padded and unterminated, but a NUL
// inside it ends the text.
std::string_view FieldText(std::string_view field) {
  const void* nul = std::memchr(field.data(), '\0', field.size());
  return nul ? field.substr(0, static_cast<const char*>(nul) - field.data()) : field;
}

// The backend hands a character field over at the width asked for.
template <std::size_t N>
const char (&AsField(std::string_view bytes))[N] {
  return *reinterpret_cast<const char(*)[N]>(bytes.data());
}

std::string Grouped(std::int64_t value) { return GroupThousands(std::to_string(value)); }

// Counts the sessions of a user list. Distinct names are kept as sets with
// a running length: a name counts once, and names stop being recorded once
// the recorded names with one separator each exceed 8000 characters. The
// mode counts are summed as the 32-bit values they are; they wrap.
class UserListReduction final : public Reduction {
 public:
  explicit UserListReduction(std::string_view client)
      : client_(client), users_(kNameListLimit), terminals_(kNameListLimit) {}

  void Text(std::size_t field, std::string_view bytes) override {
    switch (field) {
      case kFieldClient:
        if (bytes.size() == kClientWidth)
          client_ok_ = client_.empty() || FieldText(bytes) == client_;
        break;
      case kFieldUser:
        if (bytes.size() == kUserWidth) user_ = bytes;
        break;
      case kFieldTransaction:
        // A session without a transaction has a blank code. A code whose
        // first byte is NUL is an empty text: it has no first character
        // that is not a blank, so it does not count either.
        transaction_ = !bytes.empty() && bytes[0] != '\0' && bytes[0] != ' ';
        break;
      case kFieldTerminal:
        if (bytes.size() == kTerminalWidth) terminal_ = bytes;
        break;
      default:
        break;
    }
  }
  void Integer(std::size_t field, std::int64_t value) override {
    if (field == kFieldExternalModes) externalModes_ = static_cast<std::uint32_t>(value);
    if (field == kFieldInternalModes) internalModes_ = static_cast<std::uint32_t>(value);
  }
  void EndRow() override {
    if (client_ok_) {
      if (user_.size() == kUserWidth && users_.Add(AsField<kUserWidth>(user_))) ++activeUsers_;
      if (terminal_.size() == kTerminalWidth &&
          terminals_.Add(AsField<kTerminalWidth>(terminal_))) {
        ++terminals_count_;
      }
      external_ += externalModes_;
      internal_ += internalModes_;
      if (transaction_) ++tranCodes_;
      ++sessions_;
    }
    client_ok_ = true;
    transaction_ = false;
    user_ = {};
    terminal_ = {};
    externalModes_ = internalModes_ = 0;
  }

  MeasuredValues Result() const override {
    MeasuredValues reading;
    reading.values = {activeUsers_, tranCodes_, terminals_count_, sessions_, external_, internal_};
    reading.atLeast = {users_.Full(), false, terminals_.Full(), false, false, false};
    return reading;
  }

 private:
  std::string client_;
  NameList<kUserWidth> users_;
  NameList<kTerminalWidth> terminals_;
  // The row being read; its texts point into the backend's buffer, which
  // holds until the row ends.
  bool client_ok_ = true;
  bool transaction_ = false;
  std::string_view user_;
  std::string_view terminal_;
  std::uint32_t externalModes_ = 0;
  std::uint32_t internalModes_ = 0;
  // The counts so far.
  std::uint32_t activeUsers_ = 0;
  std::uint32_t tranCodes_ = 0;
  std::uint32_t terminals_count_ = 0;
  std::uint32_t sessions_ = 0;
  std::uint32_t external_ = 0;
  std::uint32_t internal_ = 0;
};

class UserList final : public Measurement {
 public:
  std::string_view Key() const override { return "USERS"; }

  const std::vector<ValueDefinition>& Values() const override {
    // Users and terminals are distinct names over every server; the mode
    // counts are summed as 32-bit values that wrap, as on one server, so
    // they too are worked out again from the rows.
    static const std::vector<ValueDefinition> values = {
        {"Active_Users", "Active User(s)", "tolvaran_active_users", "Distinct users logged on.",
         Unit::kCount, 0, true, Combine::kDistinct, 10, "active_users", "users_at_least"},
        {"Act_Tran_Codes", "Act Tran-Codes", "tolvaran_transaction_codes",
         "Sessions running a transaction.", Unit::kCount, 0, true, Combine::kSum, 11, "tran_codes"},
        {"Act_Terminals", "Act Terminals", "tolvaran_terminals", "Distinct terminals logged on.",
         Unit::kCount, 0, true, Combine::kDistinct, 12, "terminals", "terminals_at_least"},
        {"No_of_Sessions", "Session(s)", "tolvaran_sessions", "User sessions.", Unit::kCount, 0,
         true, Combine::kSum, 13, "sessions"},
        {"External_Modi", "External Modi", "tolvaran_external_modes",
         "External modes of all sessions.", Unit::kCount, 0, true, Combine::kReplay, 14,
         "external_modes"},
        {"Internal_Modi", "Internal Modi", "tolvaran_internal_modes",
         "Internal modes of all sessions.", Unit::kCount, 0, true, Combine::kReplay, 15,
         "internal_modes"},
    };
    return values;
  }

  std::vector<TableCall> Calls(const MeasureContext&) const override {
    // THUSRINFO has no imports; its table USR_TABL has rows of structure
    // UINFO (see rfc/classic/classic_layout.h).
    using K = FieldRequest::Kind;
    return {TableCall{"THUSRINFO",
                      {},
                      "USR_TABL",
                      "UINFO",
                      {{"MANDT", K::kText, kClientWidth},
                       {"BNAME", K::kText, kUserWidth},
                       {"TCODE", K::kText, kTransactionWidth},
                       {"TERM", K::kText, kTerminalWidth},
                       {"EXTMODI", K::kInteger, 4},
                       {"INTMODI", K::kInteger, 4}}}};
  }

  std::unique_ptr<Reduction> Reduce(const MeasureContext& context) const override {
    return std::make_unique<UserListReduction>(context.client);
  }

  std::string Summary(const MeasuredValues& r, std::string_view label,
                      std::string_view client) const override {
    std::string summary = "(";
    summary += label;
    if (client.empty()) {
      summary += ") System-Usage: ";
    } else {
      summary += ") Sys-Usage Client[";
      summary += client;
      summary += "]: ";
    }
    summary += AtLeast(r, kActiveUsers) ? "Active Users now >= " : "Active Users=";
    summary += Grouped(r.values[kActiveUsers]);
    summary += ", Act Tran-Codes=";
    summary += Grouped(r.values[kTranCodes]);
    summary += AtLeast(r, kTerminals) ? ", Terminals now >= " : ", Terminals=";
    summary += Grouped(r.values[kTerminals]);
    summary += ", Sessions=";
    summary += Grouped(r.values[kSessions]);
    return summary;
  }

  std::string ServerLine(std::string_view server, const MeasuredValues& r) const override {
    return " * Server.........: " + std::string(server) +
           " Sessions=" + std::to_string(r.values[kSessions]) + "\n";
  }

  std::string CheckListing(const MeasuredValues& r) const override {
    std::string text;
    text += AtLeast(r, kActiveUsers) ? " * Active Users now.:  >= " : " * Active Users.....:  ";
    text += Grouped(r.values[kActiveUsers]);
    text += "\n * Act TranCodes.:  ";
    text += Grouped(r.values[kTranCodes]);
    text += AtLeast(r, kTerminals) ? "\n * Terminals now....:  >= " : "\n * Terminals..........:  ";
    text += Grouped(r.values[kTerminals]);
    text += "\n * Session(s).........:  ";
    text += Grouped(r.values[kSessions]);
    text += "\n * External Modi...:  ";
    text += Grouped(r.values[kExternalModes]);
    text += "\n * Internal Modi....:  ";
    text += Grouped(r.values[kInternalModes]);
    // The last line is a line like the others: a shell prompt or a log
    // that collects the output starts on a line of its own after it.
    text += "\n * System-Check..:  Successfully \n";
    return text;
  }

 private:
  static bool AtLeast(const MeasuredValues& r, std::size_t i) {
    return i < r.atLeast.size() && r.atLeast[i];
  }
};

}  // namespace

const Measurement& UserListMeasurement() {
  static const UserList measurement;
  return measurement;
}

}  // namespace tolvaran
