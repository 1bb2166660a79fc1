// Compiled as if it belonged to output/: a header of its own floor is
// found, the driver's, a floor above, is not, and the build fails on it.
// clang-format off
#include "output/threshold_range.h"
#include "driver/run.h"
// clang-format on
