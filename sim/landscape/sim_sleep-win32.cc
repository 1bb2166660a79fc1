#include <windows.h>

#include "sim_landscape.h"

namespace rfcsim {

void SleepMilliseconds(unsigned long ms) { Sleep(static_cast<DWORD>(ms)); }

}  // namespace rfcsim
