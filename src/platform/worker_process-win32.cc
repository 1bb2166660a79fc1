// Workers on Windows: CreateProcessW, suspended until it is in the job
// object; anonymous pipes, read and written by one thread each per worker,
// which tell the pool when their worker is done.
//
// Threads, not WaitForMultipleObjects: a pool of 64 workers would need up to
// 192 handles (input, output, process), three times the 64 one wait takes,
// and anonymous pipes cannot be read overlapped. A thread blocks in its own
// ReadFile, so any number of workers waits without polling.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <process.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/worker_process.h"
#include "text/secret_wipe.h"

namespace tolvaran {

namespace {

// Paths are in the ANSI code page throughout the program (the ...A calls).
std::wstring Widen(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string LastErrorText(const char* what) {
  return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}

// The job every worker is in. Its handle is never closed here: when the
// process ends, however it ends, the system closes it and the job kills
// every worker still in it. A worker that crashes dies there and then, with
// no error dialog waiting for a user who is never there.
HANDLE WorkerJob() {
  static HANDLE job = [] {
    HANDLE j = CreateJobObjectW(nullptr, nullptr);
    if (j == nullptr) return j;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info = {};
    info.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    if (!SetInformationJobObject(j, JobObjectExtendedLimitInformation, &info, sizeof info)) {
      CloseHandle(j);
      j = nullptr;
    }
    return j;
  }();
  return job;
}

void CloseIf(HANDLE* h) {
  if (*h != nullptr && *h != INVALID_HANDLE_VALUE) CloseHandle(*h);
  *h = nullptr;
}

// A thread blocked in ReadFile or WriteFile on a pipe that a process the
// worker started still holds is freed by cancelling its I/O.
void JoinIoThread(HANDLE* thread) {
  if (*thread == nullptr) return;
  while (WaitForSingleObject(*thread, 50) == WAIT_TIMEOUT) CancelSynchronousIo(*thread);
  CloseIf(thread);
}

}  // namespace

namespace {

struct Worker {
  WorkerPool::Impl* pool = nullptr;
  WorkerId id = 0;
  HANDLE process = nullptr;
  DWORD pid = 0;
  HANDLE in = nullptr;   // our end of its standard input; the writer's
  HANDLE out = nullptr;  // our end of its standard output; the reader's
  HANDLE writer = nullptr;
  HANDLE reader = nullptr;
  std::string input;
  std::string output;     // the reader's until `finished`
  bool finished = false;  // under the pool's mutex
  DWORD exit_code = 0;

  ~Worker() {
    JoinIoThread(&writer);
    JoinIoThread(&reader);
    WipeSecret(&input);
    CloseIf(&in);
    CloseIf(&out);
    CloseIf(&process);
  }
};

}  // namespace

struct WorkerPool::Impl {
  std::mutex mutex;
  std::condition_variable finished;
  std::vector<std::unique_ptr<Worker>> workers;  // in the order of their starts
  WorkerId last_id = 0;

  Worker* Find(WorkerId id) const {
    for (const auto& w : workers) {
      if (w->id == id) return w.get();
    }
    return nullptr;
  }
};

namespace {

unsigned __stdcall WriterMain(void* arg) {
  Worker* w = static_cast<Worker*>(arg);
  std::size_t done = 0;
  while (done < w->input.size()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(w->input.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(w->in, w->input.data() + done, chunk, &written, nullptr)) break;
    done += written;
  }
  CloseIf(&w->in);        // the worker sees the end of its input
  WipeSecret(&w->input);  // it may hold a password
  return 0;
}

unsigned __stdcall ReaderMain(void* arg) {
  Worker* w = static_cast<Worker*>(arg);
  char buf[65536];
  DWORD n = 0;
  while (ReadFile(w->out, buf, sizeof buf, &n, nullptr) && n > 0) w->output.append(buf, n);
  // Its output is at its end; it counts as finished once it is gone too.
  WaitForSingleObject(w->process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(w->process, &code);
  std::lock_guard<std::mutex> lock(w->pool->mutex);
  w->exit_code = code;
  w->finished = true;
  w->pool->finished.notify_all();
  return 0;
}

HANDLE StartThread(unsigned(__stdcall* main)(void*), Worker* w) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 64 * 1024, main, w, 0, nullptr));
}

WorkerResult ResultOf(Worker& w) {
  WorkerResult r;
  r.id = w.id;
  // Exception codes have both top bits set; no program exits with one.
  if (w.exit_code >= 0xC0000000u) r.end = WorkerEnd::kAbnormal;
  r.code = static_cast<int>(w.exit_code);
  r.output = std::move(w.output);
  return r;
}

// Serialises the starts: while one child is made, its pipe ends are the
// only inheritable handles of ours, should the handle list be ignored.
std::mutex& StartMutex() {
  static std::mutex m;
  return m;
}

}  // namespace

WorkerPool::WorkerPool() : impl_(std::make_unique<Impl>()) {}

WorkerPool::~WorkerPool() {
  while (!impl_->workers.empty()) Kill(impl_->workers.front()->id);
}

std::size_t WorkerPool::Running() const { return impl_->workers.size(); }

std::int64_t WorkerPool::ProcessId(WorkerId id) const {
  Worker* w = impl_->Find(id);
  return w ? static_cast<std::int64_t>(w->pid) : 0;
}

WorkerId WorkerPool::Start(const WorkerLaunch& launch, std::string* error) {
  HANDLE job = WorkerJob();
  if (job == nullptr) {
    *error = LastErrorText("cannot make the workers' job object");
    return 0;
  }
  std::wstring application = Widen(launch.executable);
  std::string line = QuoteWindowsArgument(launch.executable);
  for (const std::string& a : launch.arguments) line += " " + QuoteWindowsArgument(a);
  std::wstring wide_line = Widen(line);
  std::vector<wchar_t> command(wide_line.begin(), wide_line.end());
  command.push_back(L'\0');

  std::lock_guard<std::mutex> start_lock(StartMutex());
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE in_read = nullptr, in_write = nullptr, out_read = nullptr, out_write = nullptr;
  HANDLE err = nullptr;
  LPPROC_THREAD_ATTRIBUTE_LIST attributes = nullptr;
  std::vector<char> attribute_space;
  auto fail = [&](const char* what) {
    *error = LastErrorText(what);
    for (HANDLE* h : {&in_read, &in_write, &out_read, &out_write, &err}) CloseIf(h);
    if (attributes != nullptr) DeleteProcThreadAttributeList(attributes);
    return WorkerId{0};
  };
  if (!CreatePipe(&in_read, &in_write, &inherit, 64 * 1024) ||
      !CreatePipe(&out_read, &out_write, &inherit, 64 * 1024) ||
      !SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0) ||
      !SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0)) {
    return fail("cannot make the worker's pipes");
  }
  HANDLE own_err = GetStdHandle(STD_ERROR_HANDLE);
  if (launch.stderrMode == WorkerStderr::kInherit && own_err != nullptr &&
      own_err != INVALID_HANDLE_VALUE) {
    // The handle list takes inheritable handles only; ours may not be one.
    if (!DuplicateHandle(GetCurrentProcess(), own_err, GetCurrentProcess(), &err, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
      err = nullptr;
    }
  }
  if (err == nullptr) {
    err = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                      OPEN_EXISTING, 0, nullptr);
    if (err == INVALID_HANDLE_VALUE) return fail("cannot open NUL for the worker");
  }

  // Only these three handles reach the child, whatever else of ours is
  // inheritable at the moment.
  HANDLE handles[3] = {in_read, out_write, err};
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  attribute_space.resize(size);
  attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attribute_space.data());
  if (!InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
    attributes = nullptr;
    return fail("cannot prepare the worker's start");
  }
  if (!UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                 sizeof handles, nullptr, nullptr)) {
    return fail("cannot prepare the worker's start");
  }
  STARTUPINFOEXW si = {};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = in_read;
  si.StartupInfo.hStdOutput = out_write;
  si.StartupInfo.hStdError = err;
  si.lpAttributeList = attributes;
  PROCESS_INFORMATION pi = {};
  // Suspended until it is in the job: a worker must not run one instruction
  // outside it, or it could start a process of its own that escapes.
  DWORD flags = CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT;
  if (!CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, TRUE, flags, nullptr,
                      nullptr, &si.StartupInfo, &pi)) {
    return fail(("cannot run " + launch.executable).c_str());
  }
  if (!AssignProcessToJobObject(job, pi.hProcess)) {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return fail("cannot put the worker into the job object");
  }
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  DeleteProcThreadAttributeList(attributes);
  attributes = nullptr;
  // Our copies of the child's ends go, so that its end is our end of file.
  for (HANDLE* h : {&in_read, &out_write, &err}) CloseIf(h);

  auto worker = std::make_unique<Worker>();
  Worker* w = worker.get();
  w->pool = impl_.get();
  w->id = ++impl_->last_id;
  w->process = pi.hProcess;
  w->pid = pi.dwProcessId;
  w->in = in_write;
  w->out = out_read;
  w->input = launch.input;
  impl_->workers.push_back(std::move(worker));
  // The writer owns the input from its start on (and wipes it).
  const bool has_input = !w->input.empty();
  if (!has_input) {
    CloseIf(&w->in);
  } else {
    w->writer = StartThread(WriterMain, w);
  }
  w->reader = StartThread(ReaderMain, w);
  if (w->reader == nullptr || (has_input && w->writer == nullptr)) {
    *error = LastErrorText("cannot start the worker's I/O threads");
    Kill(w->id);
    return 0;
  }
  return w->id;
}

std::vector<WorkerResult> WorkerPool::Wait(Deadline deadline) {
  std::vector<std::unique_ptr<Worker>> ended;
  {
    std::unique_lock<std::mutex> lock(impl_->mutex);
    auto& workers = impl_->workers;
    auto any_finished = [&] {
      for (const auto& w : workers) {
        if (w->finished) return true;
      }
      return false;
    };
    if (deadline.IsNever()) {
      impl_->finished.wait(lock, [&] { return workers.empty() || any_finished(); });
    } else {
      std::chrono::steady_clock::time_point at{std::chrono::milliseconds(deadline.At())};
      impl_->finished.wait_until(lock, at, [&] { return workers.empty() || any_finished(); });
    }
    for (auto it = workers.begin(); it != workers.end();) {
      if ((*it)->finished) {
        ended.push_back(std::move(*it));
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
  }
  std::vector<WorkerResult> results;
  for (auto& w : ended) {
    JoinIoThread(&w->writer);
    JoinIoThread(&w->reader);
    results.push_back(ResultOf(*w));
  }
  return results;
}

void WorkerPool::Kill(WorkerId id) {
  auto& workers = impl_->workers;
  for (auto it = workers.begin(); it != workers.end(); ++it) {
    Worker& w = **it;
    if (w.id != id) continue;
    TerminateProcess(w.process, 1);
    WaitForSingleObject(w.process, INFINITE);
    // Its threads end with the pipes; the destructor waits for them, out of
    // the vector first, so that nothing else looks at it meanwhile.
    std::unique_ptr<Worker> gone;
    {
      std::lock_guard<std::mutex> lock(impl_->mutex);
      gone = std::move(*it);
      workers.erase(it);
    }
    return;
  }
}

void ExitProcessWithoutCleanup(int status) {
  // The job goes with the process's handles and takes the workers with it.
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
  for (;;) Sleep(INFINITE);
}

}  // namespace tolvaran
