#include "measure/read_table.h"

namespace tolvaran {

WhereClause& WhereClause::Compare(std::string_view field, std::string_view op,
                                  std::string_view literal) {
  words_.emplace_back(field);
  words_.emplace_back(op);
  std::string quoted = "'";
  for (char c : literal) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  words_.push_back(std::move(quoted));
  return *this;
}

WhereClause& WhereClause::And() {
  words_.emplace_back("AND");
  return *this;
}

WhereClause& WhereClause::Or() {
  words_.emplace_back("OR");
  return *this;
}

WhereClause& WhereClause::Open() {
  words_.emplace_back("(");
  return *this;
}

WhereClause& WhereClause::Close() {
  words_.emplace_back(")");
  return *this;
}

WhereClause& WhereClause::Within(std::string_view dateField, std::string_view timeField,
                                 std::string_view fromDate, std::string_view fromTime,
                                 std::string_view toDate, std::string_view toTime) {
  // ( D > from OR ( D = from AND T >= fromTime ) ) AND
  // ( D < to OR ( D = to AND T <= toTime ) )
  Open().Compare(dateField, ">", fromDate).Or().Open();
  Compare(dateField, "=", fromDate).And().Compare(timeField, ">=", fromTime).Close().Close();
  And().Open().Compare(dateField, "<", toDate).Or().Open();
  Compare(dateField, "=", toDate).And().Compare(timeField, "<=", toTime).Close().Close();
  return *this;
}

std::vector<std::string> WhereClause::Lines(std::size_t width) const {
  std::vector<std::string> lines;
  std::string line;
  for (const std::string& word : words_) {
    if (word.size() > width) return {};
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(std::move(line));
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
  return text;
}

namespace {

// An N6 field: digits only (leading blanks tolerated, as a library may pad
// a numeric text on the left).
bool ReadNumber(std::string_view text, std::size_t* value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  text = TrimRight(text);
  if (text.empty() || text.size() > 6) return false;
  *value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    *value = *value * 10 + static_cast<std::size_t>(c - '0');
  }
  return true;
}

}  // namespace

bool FieldLayout::Add(std::string_view fieldName, std::string_view offset,
                      std::string_view length) {
  FieldSlot slot;
  slot.name = std::string(TrimRight(fieldName));
  if (!ReadNumber(offset, &slot.offset) || !ReadNumber(length, &slot.length)) return false;
  if (slot.offset > kDataRowWidth || slot.length > kDataRowWidth - slot.offset) return false;
  slots_.push_back(std::move(slot));
  return true;
}

const FieldSlot* FieldLayout::Find(std::string_view name) const {
  for (const FieldSlot& slot : slots_) {
    if (slot.name == name) return &slot;
  }
  return nullptr;
}

std::string FieldLayout::Take(std::string_view row, std::string_view name) const {
  const FieldSlot* slot = Find(name);
  if (!slot || slot->offset >= row.size()) return {};
  return std::string(TrimRight(row.substr(slot->offset, slot->length)));
}

bool FieldLayout::HasAll(const std::vector<std::string_view>& names) const {
  for (std::string_view name : names) {
    if (!Find(name)) return false;
  }
  return true;
}

}  // namespace tolvaran
