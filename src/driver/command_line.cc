#include "driver/command_line.h"

#include <string>

#include "driver/ascii_text.h"
#include "driver/error_exit.h"
#include "driver/password.h"

namespace tolvaran {

void TakeClient(RunState& rs) {
  rs.client.Clear();
  std::string_view text = rs.paramText.view();
  std::size_t at = text.find("CLIENT=");
  if (at != std::string_view::npos) rs.client.Set(text.substr(at + 7, 3));
}

bool TakeKeyValue(std::string_view upper, std::string_view raw, std::string_view key,
                  std::size_t max, std::string* value) {
  value->clear();
  std::size_t at = upper.find(key);
  if (at == std::string_view::npos) return false;
  for (std::size_t i = at + key.size(); i < upper.size() && value->size() < max; ++i) {
    if (upper[i] == ' ' || upper[i] == ',') break;
    char c = i < raw.size() ? raw[i] : upper[i];
    value->push_back(c == ':' ? ' ' : c);
  }
  return true;
}

void StartUp(RunState& rs) {
  rs.headerLine.Set("* " + rs.host->TimeOfDay() + " SAP " + kProgramName + " " + kVersionText);
  rs.keyTable = BuildKeyTable();
  rs.channelCounter = 0;
  rs.client.Clear();

  if (rs.args.size() < 2) FatalError(rs, "Error 1001: Parameter for Profile-Name is missing !");

  rs.paramText.Clear();
  rs.profileName.Set(rs.args[1]);

  // The typed text is cut to what paramRaw holds, so that both copies keep
  // their characters at the same positions.
  std::string params;
  if (rs.args.size() > 2) params = rs.args[2];
  if (rs.args.size() > 3) params += " " + rs.args[3];
  rs.paramRaw.Set(params);
  rs.paramText.Set(AsciiUpper(rs.paramRaw.view()));

  TakeClient(rs);

  rs.itemName.Clear();
  rs.itemMode = false;
  std::string item;
  if (TakeKeyValue(rs.paramText.view(), rs.paramRaw.view(), "ITEM=", 90, &item)) {
    rs.itemMode = true;
    rs.itemName.Set(item);
    rs.profileName.Set("Dalvenor.Prf");
  }
}

}  // namespace tolvaran
