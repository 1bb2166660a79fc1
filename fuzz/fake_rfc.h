// An RFC library inside the fuzz target, put into the run record in place
// of a loaded one, so that whole runs can be fuzzed without a shared
// library or a file system.
//
// It is strict where the real library is trusting: every text the program
// hands over is read to its terminator, every value the program receives is
// written to the full length the program declared, and every row it hands
// back is an allocation of exactly the row length, so that AddressSanitizer
// sees a terminator that is missing, a place that is shorter than declared,
// or a row that is read past its end. It never calls the error handler,
// which would end the process.
#ifndef TOLVARAN_FUZZ_FAKE_RFC_H_
#define TOLVARAN_FUZZ_FAKE_RFC_H_

#include <string>
#include <vector>

#include "driver/run_state.h"

namespace tolvaran_fuzz {

struct FakeLandscape {
  // A connection opens for a destination whose first character's code is
  // even (and not for an empty one); odd ones are refused, so a listing
  // sees both.
  bool refuse_odd_destinations = true;
  // Outcomes of RfcReceive for the two function modules.
  int user_list_outcome = 0;
  int cpu_outcome = 0;
  // The exception name handed back with outcomes 2 and 3.
  std::string exception_name = "NOT_AUTHORIZED";
  // User-list rows, each cut or padded with NUL bytes to the row length
  // the program asked ItCreate for.
  std::vector<std::string> user_rows;
};

// Installs the fake library into `rs` (rs.rfc.loaded set) answering from
// `landscape`, which must outlive the run. Tables left over from an
// earlier run are freed.
void InstallFakeRfcLibrary(tolvaran::RunState& rs, const FakeLandscape* landscape);

// Tables created and not yet deleted: every path of the program deletes
// what it creates.
std::size_t FakeTablesAlive();

// Three sessions: SAPMON at two terminals in client 100, DDIC in 000.
std::vector<std::string> SampleUserRows();

// A row of the user list from its text fields and mode counts.
std::string UserRow(std::string_view client, std::string_view user, std::string_view tcode,
                    std::string_view terminal, std::uint32_t external, std::uint32_t internal);

}  // namespace tolvaran_fuzz

#endif  // TOLVARAN_FUZZ_FAKE_RFC_H_
