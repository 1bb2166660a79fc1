// How long the system takes to let the program in: the opening of the
// connection (measured by the run around it) and one round trip of
// RFC_PING (function group SRFC, no parameters: it answers at once), both in
// milliseconds of the monitoring host's monotonic clock.
#ifndef TOLVARAN_MEASURE_LOGON_TIME_H_
#define TOLVARAN_MEASURE_LOGON_TIME_H_

namespace tolvaran {

class Measurement;
// MEASURE=LOGON.
const Measurement& LogonTimeMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_LOGON_TIME_H_
