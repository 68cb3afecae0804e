// Everything the core takes from the operating system, behind one interface: files, the
// calendar, the process and its folder, the terminal, page-aligned memory and loadable
// libraries. Each platform implements it in a folder of its own (platform/posix,
// platform/windows), chosen by CMake; no other folder of the core includes a system header of a
// platform. A test hands a job an Env of its own to plant a full disk or a failing write
// without touching a file system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tamarack {

// A file open for writing from its start. Failures come back as the system's reason, without
// the file's name ("No space left on device").
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes a part of `bytes` (all of them where it can): how many were written, 0 with the
  // reason when none could be. Interrupted writes are retried inside.
  virtual std::size_t Write(std::span<const std::uint8_t> bytes, std::string* reason) = 0;
  // Starts sending `length` bytes from `offset` to the disk without waiting for them, where the
  // platform can; only a start: Sync still waits and reports.
  virtual void StartWriteBack(std::uint64_t offset, std::uint64_t length) = 0;
  // Waits until what was written is on the disk.
  virtual bool Sync(std::string* reason) = 0;
  // Closes the file (once; the destructor closes a file not closed).
  virtual bool Close(std::string* reason) = 0;
};

// A file open for reading at any offset, no position shared between reads.
class RandomAccessFile {
 public:
  virtual ~RandomAccessFile() = default;
  // Its size when it was opened, and whether it is a regular file (not a folder, a device).
  virtual std::uint64_t size() const = 0;
  virtual bool regular() const = 0;
  // Reads up to `out.size()` bytes at `offset`: how many (0 at the end of the file), or
  // nothing with the reason when the read fails. Thread-safe.
  virtual std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> out,
                                            std::string* reason) const = 0;
};

// How OpenWritable treats what is at the name.
enum class WriteMode {
  kCreateOrTruncate,  // a regular file is created or emptied
  kExisting,  // an existing file (a device node, a FIFO) is opened as it is; a FIFO no process
              // reads fails at once instead of waiting for a reader
};

// What the file system says of a name (links followed).
struct FileFacts {
  bool regular = false;
  bool folder = false;
  std::uint64_t size = 0;
  std::time_t modified = 0;
};

// The user's folders a platform names itself (Windows: the known folders).
enum class KnownFolder {
  kAppData,    // the roaming application data (%APPDATA%)
  kDocuments,  // the user's documents
};

// The standard streams, for IsTerminal.
enum class StandardStream { kInput, kOutput, kError };

class Env {
 public:
  virtual ~Env() = default;

  // This platform's: the one real files and the real process go through. Never destroyed.
  static Env& Default();

  // Files. Reasons are the system's texts, without the file's name.
  virtual std::unique_ptr<WritableFile> OpenWritable(const std::string& path, WriteMode mode,
                                                     std::string* reason) = 0;
  // A file for reading; nothing with the reason when it cannot be opened.
  virtual std::unique_ptr<RandomAccessFile> OpenRandomAccess(const std::string& path,
                                                             std::string* reason) = 0;
  virtual std::optional<FileFacts> FactsOf(const std::string& path) = 0;
  // Replaces `to` with `from` in one step.
  virtual bool Rename(const std::string& from, const std::string& to, std::string* reason) = 0;
  virtual void Remove(const std::string& path) = 0;
  // Makes a rename in `folder` last through a crash, where the platform needs it.
  virtual void SyncFolder(const std::string& folder) = 0;
  // This user may create files in `folder`.
  virtual bool CanWriteIn(const std::string& folder) = 0;

  // The process.
  // The folder the running program file lies in ("" when it cannot be told).
  virtual std::string ProgramFolder() = 0;
  virtual long ProcessId() = 0;
  // The folder the platform names for `folder`; "" where it names none (the XDG folders of a
  // POSIX desktop are persist's to find).
  virtual std::string KnownFolderPath(KnownFolder folder) = 0;
  virtual void SetEnvironment(const std::string& name, const std::string& value) = 0;
  // A file-size limit ends a write with an error instead of the process, where there is one.
  virtual void KeepRunningPastFileSizeLimit() = 0;
  // Lowers the calling thread's priority as far as allowed; failure changes nothing.
  virtual void LowerThisThreadPriority() = 0;

  // The terminal.
  virtual bool IsTerminal(StandardStream stream) = 0;
  // The error stream's terminal width in columns; nothing when it is no terminal.
  virtual std::optional<int> TerminalColumns() = 0;

  // The calendar: `t` in UTC or in the local time zone.
  virtual std::tm CalendarTimeOf(std::time_t t, bool utc) = 0;

  // Memory: `size` bytes (a multiple of `alignment`, a power of two) starting on an
  // `alignment` boundary, or null; FreeAligned gives them back. `huge_pages` asks the system
  // to back them with huge pages where it has them (advice only).
  virtual void* AllocateAligned(std::size_t alignment, std::size_t size, bool huge_pages) = 0;
  virtual void FreeAligned(void* p) = 0;
  virtual std::size_t PageSize() = 0;

  // The message catalogues (gettext where the platform has it): `domain`'s catalogues bound
  // to `folder`, their texts in UTF-8; false where the platform has none.
  virtual bool BindMessageCatalogue(const char* domain, const std::string& folder) = 0;
  // `text` in the messages locale's language, or `text` itself.
  virtual const char* LookUpMessage(const char* domain, const char* text) = 0;
  // Sets the locale of messages (LC_MESSAGES) to `name` ("" from the environment); false when
  // it is not there.
  virtual bool SetMessagesLocale(const char* name) = 0;

  // Text in the Windows code page 932 as UTF-8 (the system's converter: iconv, or Windows' own
  // code page). A byte or pair that is not CP932 becomes one U+FFFD and the conversion goes on
  // with the next byte; without a converter the ASCII stays and every other byte is marked.
  virtual std::string Cp932ToUtf8(std::string_view bytes) = 0;

  // Loadable libraries: a library's entry `symbol`, the library staying loaded; null with the
  // system's reason when it cannot be loaded, null with an empty reason when it has no such
  // entry.
  virtual void* LoadLibrarySymbol(const std::string& file, const char* symbol,
                                  std::string* reason) = 0;
};

}  // namespace tamarack
