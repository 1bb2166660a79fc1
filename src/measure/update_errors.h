// Update requests in error (SM13), from table VBHDR read through
// RFC_READ_TABLE.
//
// VBHDR is the update requests' header (DDIC: VBKEY C32, VBMANDT, VBUSR,
// ..., VBRC INT4 "Update return code", VBNAME, VBCONTEXT, VBSTATE INT1
// "Global status of an update request", ..., VBDATE C14); a request is
// deleted once it has been processed, so what stays is waiting, running or
// in error. A request whose update return code VBRC is not 0 is counted as
// in error. That VBRC is 0 for every request not (yet) in error is this
// program's reading of the field's name: SAP publishes neither VBRC's nor
// VBSTATE's values, and this is NOT CONFIRMED. (The peers count every row
// of VBHDR, check_sap_health within a window of VBDATE: that counts
// requests that are merely waiting too.)
#ifndef TOLVARAN_MEASURE_UPDATE_ERRORS_H_
#define TOLVARAN_MEASURE_UPDATE_ERRORS_H_

namespace tolvaran {

class Measurement;
// MEASURE=UPDATES.
const Measurement& UpdateErrorsMeasurement();

}  // namespace tolvaran

#endif  // TOLVARAN_MEASURE_UPDATE_ERRORS_H_
