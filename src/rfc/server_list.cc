#include "rfc/server_list.h"

#include <string>
#include <string_view>
#include <utility>

#include "text/ascii_text.h"

namespace tolvaran {

namespace {

std::optional<int> TwoDigits(std::string_view text) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.size() != 2 || !digit(text[0]) || !digit(text[1])) return std::nullopt;
  return (text[0] - '0') * 10 + (text[1] - '0');
}

}  // namespace

std::optional<int> InstanceSystemNumber(const ServerEntry& server) {
  std::string_view name = server.name;
  std::size_t underscore = name.rfind('_');
  std::string_view last = underscore == std::string_view::npos ? name : name.substr(underscore + 1);
  if (std::optional<int> number = TwoDigits(last)) return number;
  std::string_view service = server.service;
  constexpr std::string_view kDispatcher = "sapdp";
  if (service.size() > kDispatcher.size() &&
      AsciiLower(service.substr(0, kDispatcher.size())) == kDispatcher) {
    return TwoDigits(service.substr(kDispatcher.size()));
  }
  return std::nullopt;
}

namespace {

// A character field without the blanks (or NULs) that fill it.
std::string Trimmed(std::string_view field) {
  while (!field.empty() && (field.back() == ' ' || field.back() == '\0')) field.remove_suffix(1);
  return std::string(field);
}

// The rows of LIST, each a ServerEntry.
class ServerRows final : public RowSink {
 public:
  explicit ServerRows(std::vector<ServerEntry>* servers) : servers_(servers) {}
  void Text(std::size_t field, std::string_view bytes) override {
    std::string* const fields[] = {&row_.name, &row_.host, &row_.service};
    if (field < 3) *fields[field] = Trimmed(bytes);
  }
  void Integer(std::size_t, std::int64_t) override {}
  void EndRow() override {
    servers_->push_back(std::move(row_));
    row_ = ServerEntry{};
  }

 private:
  std::vector<ServerEntry>* servers_;
  ServerEntry row_;
};

}  // namespace

QueryResult FetchServerList(RfcBackend& backend, ConnectionId connection,
                            std::vector<ServerEntry>* servers) {
  // The fields by name, at the widths of structure MSXXLIST (see
  // classic/classic_layout.h for where they come from).
  using K = FieldRequest::Kind;
  const TableCall call{"TH_SERVER_LIST",
                       {CallArgument::Integer("ACTIVE_SERVER", 1)},
                       "LIST",
                       "MSXXLIST",
                       {{"NAME", K::kText, 40}, {"HOST", K::kText, 32}, {"SERV", K::kText, 20}}};
  ServerRows rows(servers);
  return backend.CallTable(connection, call, rows);
}

}  // namespace tolvaran
