// RFC_READ_TABLE over the rows of SapSim.ini, with the simulator's own
// evaluation of the WHERE clause in OPTIONS: the subset sim/FUNCTIONS.md
// describes, and the strictness of newer kernels (operators and
// parentheses between blanks, OPTION_NOT_VALID otherwise), which
// check_sap_health's issues and code record.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sim_answers.h"
#include "sim_text.h"
#include "sim_unicode.h"

namespace rfcsim {

namespace {

// The line length of DATA's WA.
constexpr std::size_t kMaxLine = 512;

enum class Op { kEq, kNe, kLt, kGt, kLe, kGe };

struct Node {
  enum Kind { kAnd, kOr, kNot, kCompare } kind = kCompare;
  int left = -1;
  int right = -1;
  std::size_t field = 0;
  Op op = Op::kEq;
  std::u16string literal;
};

// The WHERE clause as a tree over the table's fields; false when it is not
// of the subset.
class Where {
 public:
  Where(const RowType* type, std::vector<std::string> tokens)
      : type_(type), tokens_(std::move(tokens)) {}

  bool Parse() {
    if (tokens_.empty()) return true;
    root_ = Or();
    return root_ >= 0 && next_ == tokens_.size();
  }

  bool Matches(RowSet& rows, unsigned long row) const {
    return root_ < 0 || Evaluate(root_, rows, row);
  }

 private:
  bool At(const char* word) const {
    return next_ < tokens_.size() && EqualsIgnoringCase(tokens_[next_], word);
  }

  int Add(Node node) {
    nodes_.push_back(std::move(node));
    return static_cast<int>(nodes_.size() - 1);
  }

  int Or() {
    int left = And();
    while (left >= 0 && At("OR")) {
      ++next_;
      int right = And();
      if (right < 0) return -1;
      Node node;
      node.kind = Node::kOr;
      node.left = left;
      node.right = right;
      left = Add(node);
    }
    return left;
  }

  int And() {
    int left = Factor();
    while (left >= 0 && At("AND")) {
      ++next_;
      int right = Factor();
      if (right < 0) return -1;
      Node node;
      node.kind = Node::kAnd;
      node.left = left;
      node.right = right;
      left = Add(node);
    }
    return left;
  }

  int Factor() {
    if (At("NOT")) {
      ++next_;
      Node node;
      node.kind = Node::kNot;
      node.left = Factor();
      return node.left < 0 ? -1 : Add(node);
    }
    if (At("(")) {
      ++next_;
      int inner = Or();
      if (inner < 0 || !At(")")) return -1;
      ++next_;
      return inner;
    }
    return Compare();
  }

  int Compare() {
    if (next_ + 3 > tokens_.size()) return -1;
    Node node;
    int field = type_->FieldIndex(ToUpper(tokens_[next_]));
    if (field < 0) return -1;
    node.field = static_cast<std::size_t>(field);
    static const struct {
      const char* symbol;
      const char* word;
      Op op;
    } kOps[] = {{"=", "EQ", Op::kEq}, {"<>", "NE", Op::kNe}, {"<", "LT", Op::kLt},
                {">", "GT", Op::kGt}, {"<=", "LE", Op::kLe}, {">=", "GE", Op::kGe}};
    const std::string& op = tokens_[next_ + 1];
    bool known = false;
    for (const auto& candidate : kOps) {
      if (op == candidate.symbol || EqualsIgnoringCase(op, candidate.word)) {
        node.op = candidate.op;
        known = true;
      }
    }
    if (!known || !Literal(tokens_[next_ + 2], &node.literal)) return -1;
    next_ += 3;
    return Add(node);
  }

  // 'text' with '' for a quote, or a whole number.
  static bool Literal(const std::string& token, std::u16string* value) {
    if (token.size() >= 2 && token.front() == '\'' && token.back() == '\'') {
      std::string text;
      for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        text += token[i];
        if (token[i] == '\'') ++i;  // the second quote of ''
      }
      *value = Utf8ToUtf16(text);
      return true;
    }
    int number = 0;
    if (!ParseInt(token, &number)) return false;
    *value = Latin1ToUtf16(std::to_string(number));
    return true;
  }

  bool Evaluate(int index, RowSet& rows, unsigned long row) const {
    const Node& node = nodes_[static_cast<std::size_t>(index)];
    switch (node.kind) {
      case Node::kAnd:
        return Evaluate(node.left, rows, row) && Evaluate(node.right, rows, row);
      case Node::kOr:
        return Evaluate(node.left, rows, row) || Evaluate(node.right, rows, row);
      case Node::kNot:
        return !Evaluate(node.left, rows, row);
      case Node::kCompare:
        break;
    }
    const FieldSpec& field = type_->fields[node.field];
    int order = 0;
    if (IsInteger(field.type)) {
      int literal = 0;
      ParseInt(Utf16ToLatin1(node.literal), &literal);
      long long value = rows.Value(row, node.field)->number;
      order = value < literal ? -1 : value > literal ? 1 : 0;
    } else {
      // Character comparison: the shorter padded with blanks.
      std::u16string value = rows.Wide(row, node.field);
      std::u16string literal = node.literal;
      std::size_t width = std::max(value.size(), literal.size());
      value.resize(width, u' ');
      literal.resize(width, u' ');
      order = value.compare(literal);
    }
    switch (node.op) {
      case Op::kEq:
        return order == 0;
      case Op::kNe:
        return order != 0;
      case Op::kLt:
        return order < 0;
      case Op::kGt:
        return order > 0;
      case Op::kLe:
        return order <= 0;
      case Op::kGe:
        return order >= 0;
    }
    return false;
  }

  const RowType* type_;
  std::vector<std::string> tokens_;
  std::size_t next_ = 0;
  std::vector<Node> nodes_;
  int root_ = -1;
};

// The tokens of one OPTIONS line, separated by blanks; a quoted literal
// may hold blanks. False for a literal that is not closed or not followed
// by a blank.
bool Tokenize(const std::string& line, std::vector<std::string>* tokens) {
  std::size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    std::size_t start = i;
    if (line[i] == '\'') {
      ++i;
      for (;;) {
        if (i >= line.size()) return false;
        if (line[i] == '\'') {
          if (i + 1 < line.size() && line[i + 1] == '\'') {
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        ++i;
      }
      if (i < line.size() && !IsBlank(line[i])) return false;
    } else {
      while (i < line.size() && !IsBlank(line[i])) ++i;
    }
    tokens->push_back(line.substr(start, i - start));
  }
  return true;
}

void Fail(Answer* answer, const char* exception) {
  answer->outcome.kind = OutcomeKind::kException;
  answer->outcome.name = exception;
}

std::u16string Number(std::size_t n, std::size_t width) {
  std::string digits = std::to_string(n);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return Latin1ToUtf16(digits);
}

}  // namespace

Answer ReadTable(const SimSystem& system, const CallInput& input) {
  Answer answer;
  const std::string name = ToUpper(input.Param("QUERY_TABLE"));
  const DbTable* table = FindDbTable(name);
  if (table == nullptr) {
    // A structure of the dictionary has no rows to read (unconfirmed).
    Fail(&answer, FindRowType(name) != nullptr ? "TABLE_WITHOUT_DATA" : "TABLE_NOT_AVAILABLE");
    return answer;
  }
  if (std::find(system.noAuthority.begin(), system.noAuthority.end(), name) !=
      system.noAuthority.end()) {
    Fail(&answer, "NOT_AUTHORIZED");
    return answer;
  }
  const RowType* type = table->rowType;
  // The fields asked for, in the order asked; none: all.
  std::vector<std::size_t> fields;
  auto asked = input.tables.find("FIELDS");
  if (asked != input.tables.end()) {
    for (unsigned long r = 0; r < asked->second->Count(); ++r) {
      std::string field = ToUpper(Trim(asked->second->Text(r, "FIELDNAME")));
      int index = type->FieldIndex(field);
      if (index < 0) {
        Fail(&answer, "FIELD_NOT_VALID");
        return answer;
      }
      fields.push_back(static_cast<std::size_t>(index));
    }
  }
  if (fields.empty()) {
    for (std::size_t i = 0; i < type->count; ++i) fields.push_back(i);
  }
  if (system.readTableOrder == "reverse") std::reverse(fields.begin(), fields.end());
  if (system.readTableOrder == "table") std::sort(fields.begin(), fields.end());
  // The WHERE clause: the OPTIONS lines, each tokenized on its own.
  std::vector<std::string> tokens;
  auto options = input.tables.find("OPTIONS");
  if (options != input.tables.end()) {
    for (unsigned long r = 0; r < options->second->Count(); ++r) {
      std::string line = options->second->Text(r, "TEXT");
      if (Utf8ToUtf16(line).size() > 72 || !Tokenize(line, &tokens)) {
        Fail(&answer, "OPTION_NOT_VALID");
        return answer;
      }
    }
  }
  Where where(type, tokens);
  if (!where.Parse()) {
    Fail(&answer, "OPTION_NOT_VALID");
    return answer;
  }
  // FIELDS as returned: each field's place in WA.
  const std::string delimiter = input.Param("DELIMITER");
  auto returned = std::make_shared<CellRows>(FindRowType("RFC_DB_FLD"));
  std::size_t offset = 0;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    const FieldSpec& field = type->fields[fields[k]];
    if (k > 0) offset += delimiter.empty() ? 0 : 1;
    unsigned long row = returned->Append();
    returned->Set(row, 0, Latin1ToUtf16(field.name));
    returned->Set(row, 1, Number(offset, 6));
    returned->Set(row, 2, Number(field.length, 6));
    returned->Set(row, 3, std::u16string(1, static_cast<char16_t>(field.type)));
    returned->Set(row, 4, Latin1ToUtf16(field.text));
    offset += field.length;
  }
  if (offset > kMaxLine) {
    Fail(&answer, "DATA_BUFFER_EXCEEDED");
    return answer;
  }
  answer.tables["FIELDS"] = returned;
  auto data = std::make_shared<CellRows>(FindRowType("TAB512"));
  answer.tables["DATA"] = data;
  if (input.Param("NO_DATA") == "X") return answer;
  auto rows = ConfiguredRows(system, table->rowsKey, type, input.language);
  int skip = 0;
  int count = 0;
  ParseInt(input.Param("ROWSKIPS", "0"), &skip);
  ParseInt(input.Param("ROWCOUNT", "0"), &count);
  const std::u16string separator = Utf8ToUtf16(delimiter);
  for (unsigned long r = 0; r < rows->Count(); ++r) {
    if (!where.Matches(*rows, r)) continue;
    if (skip > 0) {
      --skip;
      continue;
    }
    if (count > 0 && data->Count() >= static_cast<unsigned long>(count)) break;
    std::u16string line;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      if (k > 0) line += separator;
      line += PadOrCutWide(rows->Wide(r, fields[k]), type->fields[fields[k]].length);
    }
    data->Set(data->Append(), 0, line);
  }
  return answer;
}

}  // namespace rfcsim
