// Standard input read whole, in binary: how a worker receives its task.
#ifndef TOLVARAN_PLATFORM_STANDARD_INPUT_H_
#define TOLVARAN_PLATFORM_STANDARD_INPUT_H_

#include <cstddef>
#include <string>

namespace tolvaran {

// Reads standard input to its end, at most `limit` bytes; false on a read
// error or when there is more than `limit`.
bool ReadStandardInput(std::string* bytes, std::size_t limit);

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_STANDARD_INPUT_H_
