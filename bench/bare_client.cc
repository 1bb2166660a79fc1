// The yardstick for a whole check: a bare client that does the library work
// of one check and nothing else. It loads the classic RFC library, opens one
// system with fixed logon data, installs the user list's structure, fetches
// the user list and reads every row, closes, and prints how many rows it
// read and a sum over them, so that what a check costs beyond this is the
// program's own.
//
//   bare_client LIBRARY HOST SYSNR CLIENT USER < password
//
// The password comes on standard input (one line), never on the command line.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rfc/classic/classic_api.h"
#include "rfc/classic/classic_layout.h"

namespace {

template <typename Fn>
bool Bind(void* library, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(dlsym(library, name));
  return *fn != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: bare_client LIBRARY HOST SYSNR CLIENT USER < password\n");
    return 2;
  }
  char password[64] = {};
  if (!std::fgets(password, sizeof password, stdin)) return 2;
  password[std::strcspn(password, "\r\n")] = '\0';

  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!library) return 3;
  RfcOpenFn open;
  RfcInstallStructureFn install;
  RfcCallFn call;
  RfcReceiveFn receive;
  RfcCloseFn close;
  ItCreateFn create;
  ItFillFn fill;
  ItGetLineFn line;
  ItDeleteFn remove;
  if (!Bind(library, "RfcOpen", &open) || !Bind(library, "RfcInstallStructure", &install) ||
      !Bind(library, "RfcCall", &call) || !Bind(library, "RfcReceive", &receive) ||
      !Bind(library, "RfcClose", &close) || !Bind(library, "ItCreate", &create) ||
      !Bind(library, "ItFill", &fill) || !Bind(library, "ItGetLine", &line) ||
      !Bind(library, "ItDelete", &remove)) {
    return 3;
  }

  char destination[] = "PRD";
  char language[] = "E";
  HostOptions host = {argv[2], std::atoi(argv[3]), nullptr, nullptr};
  RfcOpenOptions options = {destination, 0, &host, argv[4], argv[5], password, language, 0};
  RfcHandle handle = open(&options);
  if (!handle) return 1;

  FieldDescriptor fields[tolvaran::kUinfoFieldCount];
  for (unsigned i = 0; i < tolvaran::kUinfoFieldCount; ++i) {
    fields[i] =
        FieldDescriptor{const_cast<char*>(tolvaran::kUinfoFields[i].name),
                        tolvaran::kUinfoFields[i].type, tolvaran::kUinfoFields[i].length, 0, 0};
  }
  char structure[] = "UINFO";
  RfcTypeHandle type = 0;
  if (install(structure, fields, tolvaran::kUinfoFieldCount, &type) != 0) return 1;
  char tableName[] = "USR_TABL";
  RfcTable table = create(tableName, tolvaran::kUinfoRowLength, 0, 0);
  ParameterEntry none[] = {ParameterEntry{}};
  TableEntry tables[] = {TableEntry{tableName, 8, type, tolvaran::kUinfoRowLength, table, 0, 0},
                         TableEntry{}};
  char function[] = "THUSRINFO";
  char* exception = nullptr;
  if (call(handle, function, none, tables) != 0) return 1;
  if (receive(handle, none, tables, &exception) != 0) return 1;
  unsigned long sum = 0;
  const unsigned rows = fill(table);
  for (unsigned i = 1; i <= rows; ++i) {
    const unsigned char* row = static_cast<const unsigned char*>(line(table, i));
    if (!row) return 1;
    unsigned modes = 0;
    std::memcpy(&modes, row + tolvaran::UinfoOffset("EXTMODI"), 4);
    sum += modes + row[tolvaran::UinfoOffset("BNAME")];
  }
  remove(table);
  close(handle);
  std::printf("%u %lu\n", rows, sum);
  return 0;
}
