// What the program needs from the operating system, behind one interface.
//
// Files are named by Windows paths throughout the program ("C:\PRTG_Path.Txt",
// "\Program Files\...", "SYS1.P00"). The real host maps them to the platform;
// tests substitute a scratch root for the real one, or a host of their own.
#ifndef TOLVARAN_PLATFORM_HOST_H_
#define TOLVARAN_PLATFORM_HOST_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tolvaran {

// Held while a cross-process lock is owned; releases it when destroyed.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// A file opened for reading in pieces, for files of no bounded size.
class FileReader {
 public:
  virtual ~FileReader() = default;
  // The next piece of the file; false at its end or on a read error.
  virtual bool Read(std::string* chunk) = 0;
};

// The most bytes ReadFile takes of a file: every file read whole is a
// hand-edited text of a few kilobytes, and a larger one must not exhaust
// the memory of a check the monitor starts every minute.
constexpr std::size_t kFileReadLimit = 4u << 20;

class Host {
 public:
  virtual ~Host() = default;

  // Standard output, binary: the bytes arrive exactly as given. A write
  // that fails (a full disk, a closed standard output) is remembered.
  virtual void WriteOut(std::string_view bytes) = 0;

  // True once some WriteOut could not write all its bytes.
  virtual bool WriteFailed() const { return false; }

  // Reads a file as raw bytes, at most kFileReadLimit of them. False when
  // it cannot be opened for reading: missing, unreadable, or not a regular
  // file. A FIFO or device is never waited for: it counts as not there.
  virtual bool ReadFile(const std::string& path, std::string* bytes) = 0;

  // The same file opened to be read in pieces, whole; null as for ReadFile.
  virtual std::unique_ptr<FileReader> OpenReader(const std::string& path);

  // True when `path` is a regular file that ReadFile could open.
  virtual bool IsRegularFile(const std::string& path);

  // Why ReadFile cannot open the regular file `path` although it is there,
  // in words ("permission denied"); empty when no regular file is there (or
  // it can be opened), so that the caller reports it as missing.
  virtual std::string ReadFailure(const std::string& path) {
    static_cast<void>(path);
    return std::string();
  }

  // Replaces `path` atomically: other processes see the old file or the new
  // one, never a half-written one. No temporary file is left behind. The
  // temporary file is created exclusively under a name no other process can
  // foresee, so a link planted beside `path` is never written through.
  virtual bool ReplaceFile(const std::string& path, std::string_view bytes) = 0;

  // Replaces `path` atomically, as ReplaceFile, with a file meant for other
  // programs to read (a metrics exporter's textfile collector, which runs
  // as a user of its own): on POSIX readable by everyone (0644) where
  // ReplaceFile's files are the owner's alone; on Windows the directory's
  // inherited access applies to both. Only a regular file or a missing
  // one is replaced: false for anything else there (a device such as
  // /dev/null or NUL, a FIFO or named pipe, a folder, a link). Temporary
  // files of the name's pattern left a minute ago or earlier are removed.
  virtual bool PublishFile(const std::string& path, std::string_view bytes) {
    return ReplaceFile(path, bytes);
  }

  // Replaces `to` atomically, as ReplaceFile, by a copy of the regular file
  // `from`, read in pieces; the copy gets `from`'s permission bits. False,
  // with `to` unchanged, when `from` holds more than `max_bytes`: the copy
  // stops there, so that its time is bounded whatever lies at `from`.
  virtual bool CopyFile(const std::string& from, const std::string& to, std::size_t max_bytes);

  // Removes what a ReplaceFile or CopyFile of `path` killed halfway left
  // behind: files named `path` + ".tmp" + letters and digits. Only while
  // holding the lock that serialises the writers of `path`.
  virtual void RemoveStaleTemporaries(const std::string& path) { static_cast<void>(path); }

  // Deletes a file; false when it did not exist or could not be deleted.
  virtual bool RemoveFile(const std::string& path) = 0;

  // The path of an existing file whose name equals the last component of
  // `path` without regard to case (on Windows names ignore case anyway);
  // `path` itself when there is none.
  virtual std::string FindIgnoringCase(const std::string& path) = 0;

  // Takes an exclusive lock on the lock file `path` (created if needed),
  // waiting at most `timeout_seconds` while another process holds it; null
  // when not had in time, and null at once when the lock file can never be
  // had (it cannot be created, is no regular file, or is a link, which is
  // never followed). The lock file is removed again when released.
  virtual std::unique_ptr<FileLock> Lock(const std::string& path, int timeout_seconds) = 0;

  // The local time of day as "hh:mm:ss".
  virtual std::string TimeOfDay() = 0;

  // Whether every folder of `dir` (a Windows path from a drive's root,
  // "\Program Files\X\") is there and could have been made and written only
  // by an administrator, the system or the account running the program
  // (folder_trust.h); false with `why` naming the first that fails.
  virtual bool AdminOnlyFolder(const std::string& dir, std::string* why) {
    static_cast<void>(dir);
    why->clear();
    return true;
  }

  // The native path of the running executable.
  virtual std::string ExecutablePath() = 0;

  // The native path for a Windows path, as this host resolves it.
  virtual std::string NativePath(const std::string& path) = 0;

  // The program's own name as the installation gave it: on Windows the
  // running module's path, elsewhere argument 0 (so that a symbolic link's
  // name counts).
  virtual std::string InvokedProgramPath(const std::string& argv0) { return argv0; }
};

// The real hosts' standard output: the C runtime's stdout, flushed after
// every write, so that a document and the progress lines around it reach
// the monitor in the order written.
class StdioHost : public Host {
 public:
  void WriteOut(std::string_view bytes) override;
  bool WriteFailed() const override { return write_failed_; }

 private:
  bool write_failed_ = false;
};

// True when `name` is one of the temporary names ReplaceFile and CopyFile
// give a file named `target_name`: that name, ".tmp", then 1 to 32 letters
// and digits (the older ".tmp<process id>" included).
bool IsOwnTemporaryName(std::string_view name, std::string_view target_name);

// The real operating system. With a non-empty `root`, paths from the root of
// a drive ("C:\X", "\X") resolve below `root` instead of the real root, so a
// test can lay out "the machine" in a scratch directory.
std::unique_ptr<Host> MakeRealHost(const std::string& root = "");

// Maps a Windows path for this platform. On POSIX a leading drive letter and
// colon are dropped and backslashes become slashes; a rooted result is put
// below `root` when one is given. On Windows the path is used as it is,
// unless a `root` is given.
std::string MapWindowsPath(const std::string& path, const std::string& root);

// `native` made absolute against the current directory (on Windows also
// its drive's); `native` itself when that fails. Not resolved further: links
// and ".." stay as they are.
std::string FullPath(const std::string& native);

// Sets a variable of the process's own environment, for libraries loaded
// later and for the processes it starts; false when that failed. Never for
// a secret: another process of the same user can read the environment.
bool SetEnvironmentValue(const std::string& name, const std::string& value);

// Ends the process at once with `status`, after flushing standard output;
// with 2 instead when standard output could not be written, as at any end.
// Only for the RFC library's error handler, which must never return into
// the library; everything else returns its status to main.
[[noreturn]] void ExitProcessNow(int status);

// Loads a shared library by native path or plain name; null on failure,
// never a system dialog. On failure `why` (when given) is the loader's
// reason, without the file's name in front, or empty when there is no such
// file at all (a missing file that it depends on is a reason).
void* OpenSharedLibrary(const std::string& name, std::string* why = nullptr);
void* FindLibrarySymbol(void* library, const char* name);

// Binds the entry point `name` of a loaded library into `slot`; false when
// the library has none.
template <typename Fn>
bool BindLibrarySymbol(void* library, const char* name, Fn* slot) {
  *slot = reinterpret_cast<Fn>(FindLibrarySymbol(library, name));
  return *slot != nullptr;
}

}  // namespace tolvaran

#endif  // TOLVARAN_PLATFORM_HOST_H_
