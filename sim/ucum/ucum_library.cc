// The simulated libsapucum: the companion that SAP's NetWeaver RFC library
// imports (its Unicode layer), built as a file of its own so that the
// simulated NetWeaver library needs it exactly as the real one needs SAP's.
// It exports the one function the simulated library calls.

#ifdef _WIN32
#define UCUMSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define UCUMSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// The version text the simulated NetWeaver library reports.
UCUMSIM_EXPORT const char16_t* SimUcumVersionText() { return u"7500.0.12"; }
