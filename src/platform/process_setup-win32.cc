#include "platform/process_setup.h"
#include "platform/win32_io.h"

namespace tolvaran {

namespace {

// A crash ends the process at once, with the exception code as its status,
// before Windows Error Reporting could write a dump of its memory.
LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* info) {
  TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// Crashes that never reach an exception filter (a fast fail) are kept from
// Windows Error Reporting by excluding the executable's name for this user.
// Looked up at run time: wer.dll is not on every system.
void ExcludeFromErrorReporting() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  const wchar_t* name = path;
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'\\' || *p == L'/') name = p + 1;
  }
  HMODULE wer = LoadLibraryW(L"wer.dll");
  if (!wer) return;
  using Exclude = HRESULT(WINAPI*)(PCWSTR, BOOL);
  auto exclude = reinterpret_cast<Exclude>(
      reinterpret_cast<void*>(GetProcAddress(wer, "WerAddExcludedApplication")));
  if (exclude) exclude(name, FALSE);
  FreeLibrary(wer);
}

}  // namespace

void PrepareProcess() {
  // No DLL from the current directory, where a local user may have put one
  // (the RFC library's own imports included): the program's directory, the
  // system directories and PATH stay searched.
  SetDllDirectoryW(L"");
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(&EndOnCrash);
  ExcludeFromErrorReporting();
}

}  // namespace tolvaran
