// The C interface of the SAP NetWeaver RFC library, as far as this program
// uses it.
//
// Declared here with the library's binary layout so that the program can
// load the customer's sapnwrfc at run time without any header from the SDK.
// The simulated library in sim/nwrfc/ implements the same interface.
//
// Unlike the classic library, every text crossing this interface is UTF-16
// (SAP_UC, two bytes on every platform, also where wchar_t has four), and
// field lengths are counted in characters, not bytes.
#ifndef TOLVARAN_RFC_NWRFC_NWRFC_API_H_
#define TOLVARAN_RFC_NWRFC_NWRFC_API_H_

// The library uses __stdcall on 32-bit Windows only, like the classic one.
#if defined(_WIN32) && !defined(_WIN64)
#define NWRFC_CALL __stdcall
#else
#define NWRFC_CALL
#endif

extern "C" {

typedef char16_t SAP_UC;
typedef SAP_UC RFC_CHAR;
typedef int RFC_INT;  // four-byte integer (ABAP INT4)

// Handles are pointers to structures the library never shows. A function
// module's handle, a table's and a structure's are all data containers:
// the same field accessors read from each (a table's handle reads its
// current row).
typedef struct NwRfcConnection* RFC_CONNECTION_HANDLE;
typedef struct NwRfcFunctionDesc* RFC_FUNCTION_DESC_HANDLE;
typedef struct NwRfcDataContainer* DATA_CONTAINER_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_FUNCTION_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_TABLE_HANDLE;
typedef DATA_CONTAINER_HANDLE RFC_STRUCTURE_HANDLE;

// Return codes, in the library's order (the values are its binary ABI).
enum RFC_RC : int {
  RFC_OK = 0,
  RFC_COMMUNICATION_FAILURE = 1,
  RFC_LOGON_FAILURE = 2,
  RFC_ABAP_RUNTIME_FAILURE = 3,
  RFC_ABAP_MESSAGE = 4,
  RFC_ABAP_EXCEPTION = 5,
  RFC_CLOSED = 6,
  RFC_CANCELED = 7,
  RFC_TIMEOUT = 8,
  RFC_MEMORY_INSUFFICIENT = 9,
  RFC_VERSION_MISMATCH = 10,
  RFC_INVALID_PROTOCOL = 11,
  RFC_SERIALIZATION_FAILURE = 12,
  RFC_INVALID_HANDLE = 13,
  RFC_RETRY = 14,
  RFC_EXTERNAL_FAILURE = 15,
  RFC_EXECUTED = 16,
  RFC_NOT_FOUND = 17,
  RFC_NOT_SUPPORTED = 18,
  RFC_ILLEGAL_STATE = 19,
  RFC_INVALID_PARAMETER = 20,
  RFC_CODEPAGE_CONVERSION_FAILURE = 21,
  RFC_CONVERSION_FAILURE = 22,
  RFC_BUFFER_TOO_SMALL = 23,
  RFC_TABLE_MOVE_BOF = 24,
  RFC_TABLE_MOVE_EOF = 25,
  RFC_START_SAPGUI_FAILURE = 26,
  RFC_ABAP_CLASS_EXCEPTION = 27,
  RFC_UNKNOWN_ERROR = 28,
  RFC_AUTHORIZATION_FAILURE = 29,
  RFC_AUTHENTICATION_FAILURE = 30,
  RFC_CRYPTOLIB_FAILURE = 31,
  RFC_IO_FAILURE = 32,
  RFC_LOCKING_FAILURE = 33
};

// The layer an error comes from. Scoped, because the library's names
// ("OK", "LOGON_FAILURE") are too plain for the global namespace; the
// values are the library's.
enum class RFC_ERROR_GROUP : int {
  OK = 0,
  ABAP_APPLICATION_FAILURE = 1,
  ABAP_RUNTIME_FAILURE = 2,
  LOGON_FAILURE = 3,
  COMMUNICATION_FAILURE = 4,
  EXTERNAL_RUNTIME_FAILURE = 5,
  EXTERNAL_APPLICATION_FAILURE = 6,
  EXTERNAL_AUTHORIZATION_FAILURE = 7,
  EXTERNAL_AUTHENTICATION_FAILURE = 8,
  CRYPTOLIB_FAILURE = 9,
  LOCKING_FAILURE = 10
};

// One logon parameter ("ashost", "sysnr", "client", ...); both texts
// NUL-terminated. The library copies what it needs during the call.
struct RFC_CONNECTION_PARAMETER {
  const SAP_UC* name;
  const SAP_UC* value;
};

// Filled by every call. The texts are NUL-terminated when shorter than
// their arrays.
struct RFC_ERROR_INFO {
  RFC_RC code;
  RFC_ERROR_GROUP group;
  SAP_UC key[128];
  SAP_UC message[512];
  SAP_UC abapMsgClass[21];
  SAP_UC abapMsgType[2];
  SAP_UC abapMsgNumber[4];
  SAP_UC abapMsgV1[51];
  SAP_UC abapMsgV2[51];
  SAP_UC abapMsgV3[51];
  SAP_UC abapMsgV4[51];
};

// The library's entry points, by the names it exports. Lengths and row
// indexes are unsigned; rows count from 0.
typedef RFC_CONNECTION_HANDLE(NWRFC_CALL* NwRfcOpenConnectionFn)(
    const RFC_CONNECTION_PARAMETER* connectionParams, unsigned paramCount,
    RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcCloseConnectionFn)(RFC_CONNECTION_HANDLE rfcHandle,
                                                   RFC_ERROR_INFO* errorInfo);
typedef RFC_FUNCTION_DESC_HANDLE(NWRFC_CALL* NwRfcGetFunctionDescFn)(
    RFC_CONNECTION_HANDLE rfcHandle, const SAP_UC* funcName, RFC_ERROR_INFO* errorInfo);
typedef RFC_FUNCTION_HANDLE(NWRFC_CALL* NwRfcCreateFunctionFn)(
    RFC_FUNCTION_DESC_HANDLE funcDescHandle, RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcDestroyFunctionFn)(RFC_FUNCTION_HANDLE funcHandle,
                                                   RFC_ERROR_INFO* errorInfo);
// Sets a character field from valueLength characters (no terminator needed).
typedef RFC_RC(NWRFC_CALL* NwRfcSetCharsFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            const RFC_CHAR* charValue, unsigned valueLength,
                                            RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcSetIntFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                          RFC_INT value, RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcInvokeFn)(RFC_CONNECTION_HANDLE rfcHandle,
                                          RFC_FUNCTION_HANDLE funcHandle,
                                          RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcGetTableFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_TABLE_HANDLE* tableHandle,
                                            RFC_ERROR_INFO* errorInfo);
// A structured parameter (or field) as a container of its own, owned by
// the function module.
typedef RFC_RC(NWRFC_CALL* NwRfcGetStructureFn)(DATA_CONTAINER_HANDLE dataHandle,
                                                const SAP_UC* name,
                                                RFC_STRUCTURE_HANDLE* structHandle,
                                                RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcGetRowCountFn)(RFC_TABLE_HANDLE tableHandle, unsigned* rowCount,
                                               RFC_ERROR_INFO* errorInfo);
// Appends an empty row, which becomes the table's current row; the handle
// returned addresses it (the setters fill it). Null on failure.
typedef RFC_STRUCTURE_HANDLE(NWRFC_CALL* NwRfcAppendNewRowFn)(RFC_TABLE_HANDLE tableHandle,
                                                              RFC_ERROR_INFO* errorInfo);
// Makes row `index` the table's current row (what the accessors read).
typedef RFC_RC(NWRFC_CALL* NwRfcMoveToFn)(RFC_TABLE_HANDLE tableHandle, unsigned index,
                                          RFC_ERROR_INFO* errorInfo);
// Writes the field at its full length in characters, blank-padded and not
// terminated; RFC_BUFFER_TOO_SMALL when bufferLength is shorter.
typedef RFC_RC(NWRFC_CALL* NwRfcGetCharsFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_CHAR* charBuffer, unsigned bufferLength,
                                            RFC_ERROR_INFO* errorInfo);
typedef RFC_RC(NWRFC_CALL* NwRfcGetIntFn)(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                          RFC_INT* value, RFC_ERROR_INFO* errorInfo);
// The version as text (NUL-terminated, owned by the library) and as numbers.
typedef const SAP_UC*(NWRFC_CALL* NwRfcGetVersionFn)(unsigned* majorVersion, unsigned* minorVersion,
                                                     unsigned* patchLevel);

}  // extern "C"

static_assert(sizeof(SAP_UC) == 2, "SAP_UC is one UTF-16 code unit");
static_assert(sizeof(RFC_INT) == 4, "RFC_INT is four bytes");
static_assert(sizeof(RFC_RC) == 4 && sizeof(RFC_ERROR_GROUP) == 4, "enums are ints");
static_assert(sizeof(RFC_ERROR_INFO) == 1752, "error info layout");
static_assert(sizeof(RFC_CONNECTION_PARAMETER) == 2 * sizeof(void*), "parameter layout");

// The names the library gives its return codes and error groups (the
// texts of RfcGetRcAsString), for reports. Null for a value it does not
// define.
inline const char* NwRfcRcName(RFC_RC rc) {
  static const char* const kNames[] = {
      "RFC_OK",
      "RFC_COMMUNICATION_FAILURE",
      "RFC_LOGON_FAILURE",
      "RFC_ABAP_RUNTIME_FAILURE",
      "RFC_ABAP_MESSAGE",
      "RFC_ABAP_EXCEPTION",
      "RFC_CLOSED",
      "RFC_CANCELED",
      "RFC_TIMEOUT",
      "RFC_MEMORY_INSUFFICIENT",
      "RFC_VERSION_MISMATCH",
      "RFC_INVALID_PROTOCOL",
      "RFC_SERIALIZATION_FAILURE",
      "RFC_INVALID_HANDLE",
      "RFC_RETRY",
      "RFC_EXTERNAL_FAILURE",
      "RFC_EXECUTED",
      "RFC_NOT_FOUND",
      "RFC_NOT_SUPPORTED",
      "RFC_ILLEGAL_STATE",
      "RFC_INVALID_PARAMETER",
      "RFC_CODEPAGE_CONVERSION_FAILURE",
      "RFC_CONVERSION_FAILURE",
      "RFC_BUFFER_TOO_SMALL",
      "RFC_TABLE_MOVE_BOF",
      "RFC_TABLE_MOVE_EOF",
      "RFC_START_SAPGUI_FAILURE",
      "RFC_ABAP_CLASS_EXCEPTION",
      "RFC_UNKNOWN_ERROR",
      "RFC_AUTHORIZATION_FAILURE",
      "RFC_AUTHENTICATION_FAILURE",
      "RFC_CRYPTOLIB_FAILURE",
      "RFC_IO_FAILURE",
      "RFC_LOCKING_FAILURE",
  };
  const int value = static_cast<int>(rc);
  return value >= 0 && value < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[value]
                                                                                  : nullptr;
}

inline const char* NwRfcErrorGroupName(RFC_ERROR_GROUP group) {
  static const char* const kNames[] = {
      "OK",
      "ABAP_APPLICATION_FAILURE",
      "ABAP_RUNTIME_FAILURE",
      "LOGON_FAILURE",
      "COMMUNICATION_FAILURE",
      "EXTERNAL_RUNTIME_FAILURE",
      "EXTERNAL_APPLICATION_FAILURE",
      "EXTERNAL_AUTHORIZATION_FAILURE",
      "EXTERNAL_AUTHENTICATION_FAILURE",
      "CRYPTOLIB_FAILURE",
      "LOCKING_FAILURE",
  };
  const int value = static_cast<int>(group);
  return value >= 0 && value < static_cast<int>(sizeof kNames / sizeof kNames[0]) ? kNames[value]
                                                                                  : nullptr;
}

#endif  // TOLVARAN_RFC_NWRFC_NWRFC_API_H_
