// The answers of the function modules of the table, by their source; see
// sim/FUNCTIONS.md for what each returns.
#include "sim_answers.h"

#include <algorithm>
#include <ctime>

#include "sim_files.h"
#include "sim_landscape.h"
#include "sim_text.h"
#include "sim_unicode.h"

namespace rfcsim {

std::u16string RowSet::Wide(unsigned long row, std::size_t field) {
  std::optional<FieldValue> value = Value(row, field);
  if (!value) return std::u16string();
  if (!value->isText) return Latin1ToUtf16(std::to_string(value->number));
  return Latin1ToUtf16(value->Text());
}

std::optional<FieldValue> CellRows::Value(unsigned long row, std::size_t field) {
  if (row >= cells_.size() || field >= type()->count) return std::nullopt;
  const std::u16string& cell = cells_[row][field];
  const FieldSpec& spec = type()->fields[field];
  if (IsInteger(spec.type) || spec.type == AbapType::kRaw) {
    int number = 0;
    ParseInt(Utf16ToLatin1(cell), &number);
    return FieldValue::Number(number);
  }
  return FieldValue::Text(Utf16ToLatin1(cell));
}

std::u16string CellRows::Wide(unsigned long row, std::size_t field) {
  if (row >= cells_.size() || field >= type()->count) return std::u16string();
  return cells_[row][field];
}

unsigned long CellRows::Append() {
  cells_.emplace_back(type()->count);
  return static_cast<unsigned long>(cells_.size() - 1);
}

void CellRows::Set(unsigned long row, std::size_t field, std::u16string value) {
  if (row < cells_.size() && field < type()->count) cells_[row][field] = std::move(value);
}

std::string CellRows::Text(unsigned long row, const char* field) const {
  int index = type()->FieldIndex(field);
  if (index < 0 || row >= cells_.size()) return "";
  return TrimTrailingBlanks(Utf16ToUtf8(cells_[row][static_cast<std::size_t>(index)]));
}

std::string CallInput::Param(const char* name, const char* absent) const {
  auto it = params.find(name);
  return it == params.end() ? absent : TrimTrailingBlanks(it->second);
}

namespace {

// The user list, made row by row as it is read: a generated list of a
// million sessions is never held.
class SessionRows : public RowSet {
 public:
  SessionRows(const RowType* type, std::vector<Session> sessions)
      : RowSet(type), sessions_(std::move(sessions)), count_(sessions_.size()) {
    MapFields();
  }
  SessionRows(const RowType* type, unsigned long generated, std::string client)
      : RowSet(type), generated_(true), count_(generated), client_(std::move(client)) {
    MapFields();
  }
  unsigned long Count() const override { return count_; }
  std::optional<FieldValue> Value(unsigned long row, std::size_t field) override {
    if (row >= count_ || field >= fields_.size()) return std::nullopt;
    return UinfoValue(fields_[field], At(row), row);
  }
  std::u16string Wide(unsigned long row, std::size_t field) override {
    if (row < count_ && field < fields_.size()) {
      const Session& session = At(row);
      static const UinfoField kWide[4] = {UinfoField::kMandt, UinfoField::kBname,
                                          UinfoField::kTcode, UinfoField::kTerm};
      for (int k = 0; session.hasWide && k < 4; ++k) {
        if (fields_[field] == kWide[k]) return session.wide[k];
      }
    }
    return RowSet::Wide(row, field);
  }

 private:
  void MapFields() {
    for (std::size_t i = 0; i < type()->count; ++i) {
      fields_.push_back(UinfoFieldOf(type()->fields[i].name));
    }
  }
  const Session& At(unsigned long row) {
    if (!generated_) return sessions_[row];
    if (scratchIndex_ != row) {
      FillGeneratedSession(row, client_, &scratch_);
      scratchIndex_ = row;
    }
    return scratch_;
  }

  std::vector<Session> sessions_;
  bool generated_ = false;
  unsigned long count_ = 0;
  std::string client_;
  std::vector<UinfoField> fields_;
  Session scratch_;
  unsigned long scratchIndex_ = ~0ul;
};

std::u16string Digits(long long n) { return Latin1ToUtf16(std::to_string(n)); }

// "000123": `n` in `width` digits.
std::u16string ZeroPadded(unsigned long n, std::size_t width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return Latin1ToUtf16(digits);
}

// A table of one row from `value` of each field name.
template <typename ValueOf>
std::shared_ptr<CellRows> OneRow(const char* typeName, ValueOf value) {
  auto rows = std::make_shared<CellRows>(FindRowType(typeName));
  rows->Append();
  for (std::size_t i = 0; i < rows->type()->count; ++i) {
    if (std::optional<FieldValue> v = value(rows->type()->fields[i].name)) {
      rows->Set(0, i, v->isText ? Latin1ToUtf16(v->Text()) : Digits(v->number));
    }
  }
  return rows;
}

void Fail(Answer* answer, const char* exception) {
  answer->outcome.kind = OutcomeKind::kException;
  answer->outcome.name = exception;
}

void Users(const SimSystem& system, Answer* answer) {
  const RowType* type = FindRowType("UINFO");
  UsersSource source = ParseUsersValue(system.users);
  std::shared_ptr<RowSet> rows;
  if (source.kind == UsersSource::kGenerate) {
    rows = std::make_shared<SessionRows>(type, source.count, system.client);
  } else if (source.kind == UsersSource::kFile) {
    std::string text;
    if (!ReadWholeFile(FindIgnoringCase(source.file), &text)) {
      answer->setupError =
          "user list " + source.file + " of " + system.name + " cannot be read (simulation setup)";
      return;
    }
    rows = std::make_shared<SessionRows>(type, ParseUsersFile(text, system.usersUtf8));
  } else {
    rows = std::make_shared<SessionRows>(type, std::vector<Session>());
  }
  answer->tables["USR_TABL"] = rows;
}

void Cpu(const SimSystem& system, const CallInput& input, Answer* answer) {
  auto rows = OneRow("CPU_ALL", [](const char* name) { return CpuValue(name); });
  // "cpu = FIELD=value ...": the first such line replaces values.
  auto configured = ConfiguredRows(system, "cpu", rows->type(), input.language);
  for (std::size_t i = 0; configured->Count() > 0 && i < rows->type()->count; ++i) {
    if (!configured->Wide(0, i).empty()) rows->Set(0, i, configured->Wide(0, i));
  }
  answer->tables["TF_CPU_ALL"] = rows;
  answer->values["OP_SYSTEM"] = FieldValue::Text("Linux");
}

void Servers(const SimSystem& system, Answer* answer) {
  auto rows = std::make_shared<CellRows>(FindRowType("MSXXLIST"));
  for (std::size_t r = 0; r < system.servers.size(); ++r) {
    rows->Append();
    for (std::size_t i = 0; i < rows->type()->count; ++i) {
      if (auto v = ServerValue(rows->type()->fields[i].name, system.servers[r], r)) {
        rows->Set(r, i, v->isText ? Latin1ToUtf16(v->Text()) : Digits(v->number));
      }
    }
  }
  answer->tables["LIST"] = rows;
}

void WorkProcesses(const SimSystem& system, const CallInput& input, const SimConfig* landscape,
                   Answer* answer) {
  std::string name = input.Param("SRVNAME");
  const SimSystem* server = &system;
  if (!name.empty()) server = (landscape ? *landscape : ReadLandscape()).FindServer(system, name);
  // What a server name of no server answers is unconfirmed.
  if (server == nullptr) return Fail(answer, "SEND_ERROR");
  answer->outcome = server->OutcomeOf("TH_WPINFO");
  answer->tables["WPLIST"] = ConfiguredRows(*server, "wp", FindRowType("WPINFO"), input.language);
}

// A selection value of ENQUEUE_READ: blank or "*" all, "<prefix>*" a prefix.
bool Selects(const std::string& wanted, const std::string& value) {
  if (wanted.empty() || wanted == "*") return true;
  if (wanted.back() == '*')
    return value.compare(0, wanted.size() - 1, wanted, 0, wanted.size() - 1) == 0;
  return value == wanted;
}

void Locks(const SimSystem& system, const CallInput& input, Answer* answer) {
  auto all = ConfiguredRows(system, "enq", FindRowType("SEQG3"), input.language);
  auto rows = std::make_shared<CellRows>(all->type());
  // Not sent: the logon's own client and user (unconfirmed defaults).
  const std::string client = input.Param("GCLIENT", system.client.c_str());
  const std::string user = input.Param("GUNAME", TrimTrailingBlanks(system.user).c_str());
  const std::string name = input.Param("GNAME");
  const std::string argument = input.Param("GARG");
  for (unsigned long r = 0; r < all->Count(); ++r) {
    if (!Selects(client, all->Text(r, "GCLIENT")) || !Selects(user, all->Text(r, "GUNAME")) ||
        !Selects(name, all->Text(r, "GNAME")) || !Selects(argument, all->Text(r, "GARG"))) {
      continue;
    }
    unsigned long row = rows->Append();
    for (std::size_t i = 0; i < rows->type()->count; ++i) rows->Set(row, i, all->Wide(r, i));
  }
  answer->values["NUMBER"] = FieldValue::Number(static_cast<long long>(rows->Count()));
  answer->values["SUBRC"] = FieldValue::Number(0);
  answer->tables["ENQ"] = rows;
}

void Clock(const SimSystem& system, Answer* answer) {
  std::string date = system.clockDate;
  std::string time = system.clockTime;
  if (date.empty()) {
    std::time_t now = std::time(nullptr);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", std::localtime(&now));
    date.assign(text, 8);
    time.assign(text + 8, 6);
  }
  answer->values["TAG"] = FieldValue::Text(date);
  answer->values["UHRZEIT"] = FieldValue::Text(time);
}

unsigned Alignment(AbapType type, unsigned length) { return IsInteger(type) ? length : 1; }

// The non-Unicode layout: one byte a character, integers at multiples of
// their size.
void StructureDefinition(const CallInput& input, Answer* answer) {
  std::string name = ToUpper(input.Param("TABNAME"));
  const RowType* type = FindRowType(name);
  // The exception's name is unconfirmed.
  if (type == nullptr) return Fail(answer, "TABLE_NOT_FOUND");
  auto rows = std::make_shared<CellRows>(FindRowType("RFC_FIELDS_P"));
  unsigned offset = 0;
  unsigned largest = 1;
  for (std::size_t i = 0; i < type->count; ++i) {
    const FieldSpec& field = type->fields[i];
    unsigned align = Alignment(field.type, field.length);
    largest = std::max(largest, align);
    offset = (offset + align - 1) / align * align;
    unsigned long row = rows->Append();
    rows->Set(row, 0, Latin1ToUtf16(type->name));
    rows->Set(row, 1, Latin1ToUtf16(field.name));
    rows->Set(row, 2, ZeroPadded(i + 1, 4));
    rows->Set(row, 3, ZeroPadded(offset, 6));
    rows->Set(row, 4, ZeroPadded(field.length, 6));
    rows->Set(row, 5, ZeroPadded(0, 6));
    rows->Set(row, 6, std::u16string(1, static_cast<char16_t>(field.type)));
    offset += field.length;
  }
  unsigned length = (offset + largest - 1) / largest * largest;
  answer->values["TABLENGTH"] = FieldValue::Text(Utf16ToLatin1(ZeroPadded(length, 6)));
  answer->tables["FIELDS"] = rows;
}

}  // namespace

std::shared_ptr<CellRows> ConfiguredRows(const SimSystem& system, const char* key,
                                         const RowType* type, const std::string& language) {
  auto rows = std::make_shared<CellRows>(type);
  auto it = system.rows.find(key);
  if (it == system.rows.end()) return rows;
  const std::string variant = "@" + ToUpper(language);
  for (const auto& fields : it->second) {
    unsigned long row = rows->Append();
    for (std::size_t i = 0; i < type->count; ++i) {
      std::string name = type->fields[i].name;
      auto value = language.empty() ? fields.end() : fields.find(name + variant);
      if (value == fields.end()) value = fields.find(name);
      if (value != fields.end()) rows->Set(row, i, Utf8ToUtf16(value->second));
    }
  }
  return rows;
}

Answer AnswerCall(const FunctionSpec& function, const SimSystem& system, const CallInput& input,
                  const SimConfig* landscape) {
  Answer answer;
  answer.outcome = system.OutcomeOf(function.name);
  if (answer.outcome.kind != OutcomeKind::kOk) return answer;
  switch (function.source) {
    case Source::kUsers:
      Users(system, &answer);
      break;
    case Source::kCpu:
      Cpu(system, input, &answer);
      break;
    case Source::kServers:
      Servers(system, &answer);
      break;
    case Source::kSystemInfo:
      answer.tables["RFCSI_EXPORT"] =
          OneRow("RFCSI", [&system](const char* name) { return SystemInfoValue(name, system); });
      break;
    case Source::kWorkProcesses:
      WorkProcesses(system, input, landscape, &answer);
      break;
    case Source::kReadTable:
      return ReadTable(system, input);
    case Source::kLocks:
      Locks(system, input, &answer);
      break;
    case Source::kClock:
      Clock(system, &answer);
      break;
    case Source::kStructureDefinition:
      StructureDefinition(input, &answer);
      break;
    case Source::kNone:
      break;
  }
  return answer;
}

}  // namespace rfcsim
