#include "exporter/web_config.h"

#include <vector>

#include "text/base64.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// A scalar: "double quoted" (with \" and \\), 'single quoted' (with ''),
// or plain up to a comment.
bool Scalar(std::string_view text, std::string* value) {
  text = Trim(text);
  value->clear();
  if (!text.empty() && (text.front() == '"' || text.front() == '\'')) {
    const char quote = text.front();
    std::size_t i = 1;
    for (; i < text.size(); ++i) {
      char c = text[i];
      if (quote == '"' && c == '\\' && i + 1 < text.size()) {
        *value += text[++i];
      } else if (quote == '\'' && c == '\'' && i + 1 < text.size() && text[i + 1] == '\'') {
        *value += '\'';
        ++i;
      } else if (c == quote) {
        break;
      } else {
        *value += c;
      }
    }
    if (i >= text.size()) return false;
    std::string_view rest = Trim(text.substr(i + 1));
    return rest.empty() || rest.front() == '#';
  }
  std::size_t comment = text.find(" #");
  *value = std::string(Trim(text.substr(0, comment)));
  return true;
}

}  // namespace

bool ParseWebConfig(std::string_view text, WebConfig* config, std::string* error) {
  *config = WebConfig();
  std::string section;
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    std::string_view content = Trim(line);
    if (content.empty() || content.front() == '#') continue;
    const std::string where = "line " + std::to_string(number) + ": ";
    const bool indented = line.front() == ' ' || line.front() == '\t';
    std::size_t colon = content.find(':');
    if (colon == std::string_view::npos) {
      *error = where + "no \"key: value\"";
      return false;
    }
    std::string key;
    std::string value;
    if (!Scalar(content.substr(0, colon), &key) || !Scalar(content.substr(colon + 1), &value)) {
      *error = where + "a quoted value is not closed";
      return false;
    }
    if (!indented) {
      if (key != "tls_server_config" && key != "basic_auth_users") {
        *error = where + key + " is not served by this exporter";
        return false;
      }
      if (!value.empty()) {
        *error = where + key + " is a mapping of indented lines";
        return false;
      }
      section = key;
    } else if (section == "tls_server_config") {
      if (key == "cert_file") {
        config->certFile = value;
      } else if (key == "key_file") {
        config->keyFile = value;
      } else {
        *error = where + "tls_server_config: " + key + " is not served by this exporter";
        return false;
      }
    } else if (section == "basic_auth_users") {
      if (key.empty() || value.empty()) {
        *error = where + "a user needs a name and a bcrypt hash";
        return false;
      }
      config->users[key] = value;
    } else {
      *error = where + "an indented line outside a section";
      return false;
    }
  }
  if (config->certFile.empty() != config->keyFile.empty()) {
    *error = "tls_server_config needs both cert_file and key_file";
    return false;
  }
  for (const auto& [name, hash] : config->users) {
    if (hash.size() != 60 || hash.compare(0, 2, "$2") != 0) {
      *error = "basic_auth_users: the hash of " + name + " is no bcrypt hash ($2y$...)";
      return false;
    }
  }
  return true;
}

bool BasicAuth::Allows(std::string_view authorization) {
  const std::string_view scheme = "Basic ";
  if (authorization.substr(0, scheme.size()) != scheme) return false;
  std::string decoded;
  if (!Base64Decode(Trim(authorization.substr(scheme.size())), &decoded)) return false;
  std::size_t colon = decoded.find(':');
  if (colon == std::string::npos) {
    WipeSecret(&decoded);
    return false;
  }
  std::string name = decoded.substr(0, colon);
  std::string password = decoded.substr(colon + 1);
  WipeSecret(&decoded);
  auto user = users_.find(name);
  bool allowed = false;
  if (user != users_.end()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto known = matched_.find(name);
      allowed = known != matched_.end() && known->second == password;
    }
    if (!allowed && BcryptMatches(password, user->second)) {
      allowed = true;
      std::lock_guard<std::mutex> lock(mutex_);
      std::string& kept = matched_[name];
      WipeSecret(&kept);
      kept = password;
    }
  }
  WipeSecret(&password);
  return allowed;
}

}  // namespace tolvaran
