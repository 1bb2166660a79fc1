// The C interface of the classic RFC library, as this program uses it.
//
// Declared here with the library's binary layout so that the program can
// load the customer's librfc32 at run time without any header from it. The
// simulated library in sim/ implements the same interface.
#ifndef TOLVARAN_RFC_CLASSIC_CLASSIC_API_H_
#define TOLVARAN_RFC_CLASSIC_CLASSIC_API_H_

#if defined(_WIN32) && !defined(_WIN64)
#define RFC_CALL __stdcall
#else
#define RFC_CALL
#endif

extern "C" {

typedef unsigned RfcHandle;      // connection; 0 = none
typedef unsigned RfcTypeHandle;  // installed structure; 0 = none
typedef void* RfcTable;          // internal table; null = none

// RFC type codes.
enum : unsigned {
  kRfcTypeChar = 0,  // blank-filled characters, no terminator
  kRfcTypeByte = 4,  // raw bytes
  kRfcTypeInt = 8,   // four-byte integer
  kRfcTypeInt2 = 9,  // two-byte integer
  kRfcTypeInt1 = 10  // one-byte integer
};

// Outcomes of RfcReceive (and of a failed RfcCall).
enum : int { kRfcOk = 0, kRfcFailure = 1, kRfcException = 2, kRfcSysException = 3 };

struct RfcOpenOptions {
  char* destination;
  int mode;       // 0: application server (HostOptions); 1: R/2 gateway (GatewayOptions)
  void* connopt;  // HostOptions* or GatewayOptions*
  char* client;
  char* user;
  char* password;
  char* language;
  int trace;
};

struct HostOptions {
  char* hostname;
  int sysnr;
  char* gateway_host;
  char* gateway_service;
};

struct GatewayOptions {
  char* gateway_host;
  char* gateway_service;
};

// Lists of these end with an entry whose name is null.
struct ParameterEntry {
  char* name;
  unsigned nlen;
  unsigned type;
  unsigned leng;
  void* addr;
};

struct TableEntry {
  char* name;
  unsigned nlen;
  unsigned type;  // row type handle
  unsigned leng;
  void* ithandle;
  int itmode;  // always 0
  int newitab;
};

struct FieldDescriptor {
  char* name;
  unsigned type;
  unsigned length;
  unsigned decimals;
  unsigned offset;
};

struct ErrorInfo {
  char key[33];
  char status[128];
  char message[256];
  char intstat[128];
};

struct RfcErrorRecord {
  int group;
  char key[33];
  char message[513];
};

typedef void(RFC_CALL* RfcErrorHandler)(char* operation);
typedef void*(RFC_CALL* RfcAllocator)(void* old, unsigned long size);

struct RfcEnvironmentRecord {
  RfcErrorHandler errorhandler;
  RfcAllocator allocate;
};

// The library's entry points, by the names it exports.
typedef void(RFC_CALL* RfcEnvironmentFn)(RfcEnvironmentRecord*);
typedef RfcHandle(RFC_CALL* RfcOpenFn)(RfcOpenOptions*);
typedef RfcHandle(RFC_CALL* RfcOpenExFn)(char* connect, RfcErrorRecord*);
typedef int(RFC_CALL* RfcInstallStructureFn)(char* name, FieldDescriptor*, unsigned count,
                                             RfcTypeHandle*);
typedef int(RFC_CALL* RfcCallFn)(RfcHandle, char* function, ParameterEntry* exporting,
                                 TableEntry* tables);
typedef int(RFC_CALL* RfcReceiveFn)(RfcHandle, ParameterEntry* importing, TableEntry* tables,
                                    char** exception);
typedef int(RFC_CALL* RfcLastErrorFn)(ErrorInfo*);  // 1 when there is no error
typedef void(RFC_CALL* RfcCloseFn)(RfcHandle);
typedef RfcTable(RFC_CALL* ItCreateFn)(char* name, unsigned leng, unsigned occu, unsigned memo);
typedef unsigned(RFC_CALL* ItFillFn)(RfcTable);
typedef void*(RFC_CALL* ItGetLineFn)(RfcTable, unsigned row);  // rows count from 1
typedef int(RFC_CALL* ItDeleteFn)(RfcTable);                   // 0 on success
// A new row at the table's end, for the caller to fill; null on failure.
typedef void*(RFC_CALL* ItAppLineFn)(RfcTable);
// Empties the table, which stays usable; 0 on success.
typedef int(RFC_CALL* ItFreeFn)(RfcTable);

}  // extern "C"

static_assert(sizeof(ErrorInfo) == 545, "error info is 545 bytes");
static_assert(sizeof(RfcErrorRecord) == 552, "RfcOpenEx error record");
#if defined(_WIN64) || defined(__LP64__) || defined(__x86_64__) || defined(__aarch64__)
static_assert(sizeof(void*) == 8, "64-bit target");
static_assert(sizeof(RfcOpenOptions) == 64, "open options layout");
static_assert(sizeof(HostOptions) == 32, "host options layout");
static_assert(sizeof(GatewayOptions) == 16, "gateway options layout");
static_assert(sizeof(ParameterEntry) == 32, "parameter entry layout");
static_assert(sizeof(TableEntry) == 40, "table entry layout");
static_assert(sizeof(FieldDescriptor) == 24, "field descriptor layout");
static_assert(sizeof(RfcEnvironmentRecord) == 16, "environment layout");
#else
static_assert(sizeof(void*) == 4, "32-bit target");
static_assert(sizeof(RfcOpenOptions) == 32, "open options layout");
static_assert(sizeof(HostOptions) == 16, "host options layout");
static_assert(sizeof(GatewayOptions) == 8, "gateway options layout");
static_assert(sizeof(ParameterEntry) == 20, "parameter entry layout");
static_assert(sizeof(TableEntry) == 28, "table entry layout");
static_assert(sizeof(FieldDescriptor) == 20, "field descriptor layout");
static_assert(sizeof(RfcEnvironmentRecord) == 8, "environment layout");
#endif

#endif  // TOLVARAN_RFC_CLASSIC_CLASSIC_API_H_
