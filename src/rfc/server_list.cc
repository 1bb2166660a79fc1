#include "rfc/server_list.h"

#include <string_view>

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

}  // namespace tolvaran
