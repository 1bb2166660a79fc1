// The connect string RfcOpenEx reads: "KEY=VALUE" pairs joined by blanks.
//
// Its values come from the profile. Joined as they are, a blank inside one
// would start a pair of the reader's own: the password "x USER=OTHER" would
// log on as another user. The library's syntax for a value with blanks is
// double quotes around it; it has none for a double quote inside a value.
#ifndef TOLVARAN_RFC_CONNECT_STRING_H_
#define TOLVARAN_RFC_CONNECT_STRING_H_

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tolvaran {

struct ConnectPair {
  std::string_view key;
  std::string_view value;
};

// Joins the pairs into `out`. A value with a blank or tab is put in double
// quotes; every other value keeps its bytes. False, with `out` empty, when
// a value holds a double quote (or a line end, which ends the string for
// some readers): it cannot be written so that the library reads it back
// unchanged, and nothing of it may be sent. `refused` (optional) then gets
// the first such character found.
bool BuildConnectString(const std::vector<ConnectPair>& pairs, std::string* out,
                        char* refused = nullptr);
inline bool BuildConnectString(std::initializer_list<ConnectPair> pairs, std::string* out,
                               char* refused = nullptr) {
  return BuildConnectString(std::vector<ConnectPair>(pairs), out, refused);
}

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_CONNECT_STRING_H_
