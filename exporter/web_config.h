// The web configuration file of Prometheus' exporter toolkit
// (--web.config.file), the part this exporter serves:
//
//   tls_server_config:
//     cert_file: /etc/tolvaran-exporter/tls.crt
//     key_file: /etc/tolvaran-exporter/tls.key
//   basic_auth_users:
//     prometheus: $2y$10$...        (bcrypt, as htpasswd -B makes it)
//
// A key this exporter does not serve (client_auth_type, min_version,
// http_server_config, ...) is an error rather than ignored: a setting that
// an administrator believes in must not silently be without effect.
#ifndef TOLVARAN_EXPORTER_WEB_CONFIG_H_
#define TOLVARAN_EXPORTER_WEB_CONFIG_H_

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

namespace tolvaran {

struct WebConfig {
  std::string certFile;  // both or neither
  std::string keyFile;
  std::map<std::string, std::string> users;  // name -> bcrypt hash
  bool tls() const { return !certFile.empty(); }
};

// Reads the file's text (a YAML subset: the two sections above, each a
// mapping of plain or quoted scalars, comments). False with `error`.
bool ParseWebConfig(std::string_view text, WebConfig* config, std::string* error);

// True when `password` matches the bcrypt `hash` ($2a$, $2b$, $2y$), by the
// C library's crypt (libxcrypt on Linux). False on Windows, whose build has
// no bcrypt: a configuration with users is refused there at start.
bool BcryptMatches(const std::string& password, const std::string& hash);
bool BcryptAvailable();

// Checks an Authorization header against the configured users. A bcrypt
// check costs tens of milliseconds by design; a scraper sends the same
// credentials every time, so a match is remembered (the user with the
// password that matched, in memory only) and checked by comparison.
class BasicAuth {
 public:
  explicit BasicAuth(std::map<std::string, std::string> users) : users_(std::move(users)) {}
  bool Required() const { return !users_.empty(); }
  bool Allows(std::string_view authorization);

 private:
  std::map<std::string, std::string> users_;
  std::mutex mutex_;
  std::map<std::string, std::string> matched_;  // name -> password
};

}  // namespace tolvaran

#endif  // TOLVARAN_EXPORTER_WEB_CONFIG_H_
