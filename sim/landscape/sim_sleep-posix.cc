#include <time.h>

#include <cerrno>

#include "sim_landscape.h"

namespace rfcsim {

void SleepMilliseconds(unsigned long ms) {
  timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  // A signal cuts the sleep short; the rest is still slept.
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace rfcsim
