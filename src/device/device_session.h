// The open drive and the one pass-through operation every command goes through.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/drive_directory.h"
#include "device/scsi.h"
#include "device/sense.h"
#include "device/transport.h"

namespace tamarack {

inline constexpr std::size_t kResponseBufferSize = 40960;
inline constexpr std::uint32_t kDefaultCommandTimeout = 7;
// The bytes of the Read TOC reply a selection keeps, and the room of the jobs' TOC reads.
inline constexpr std::size_t kTocCacheSize = 796;

struct CommandOutcome;

// What the window (or a terminal, or a test) shows of the drive: the sense dialog, the status
// line and the last error text (status_board.h keeps the last two). Every method has a
// do-nothing default so that the CLI and tests implement only what they use. Called on the
// thread that runs the command.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // A check condition with the sense dialog requested (or a Request Sense reply to show): the
  // window opens the dialog on its own thread; the command does not wait for it.
  virtual void ShowSenseDialog(std::span<const std::uint8_t> /*sense*/) {}
  // Every command sent to a device ends here with its outcome (FailureTextsOf gives its texts),
  // unless it ran with `HostReport::kSilent`.
  virtual void CommandEnded(const CommandOutcome& /*outcome*/) {}
  // A text of the window for the status line (a window's own, not a command's).
  virtual void ShowStatusLine(const std::string& /*text*/) {}
};

// How one command ended.
enum class CommandStatus {
  kNoDevice,        // no drive open: nothing was sent, nothing shown
  kRefused,         // the platform refused the request or the transport failed
  kCheckCondition,  // the drive answered with sense data (or a bad SCSI status)
  kGood,
};

// Whether a check condition opens the sense dialog (through `SessionHost`).
enum class SenseDialog { kQuiet, kShow };

// Whether the outcome goes to the host (`SessionHost::CommandEnded`). A probe whose refusals
// are not errors of the job (a sector type tried, a volume label looked for) is silent.
enum class HostReport { kTell, kSilent };

// How `Run` sends a command; the default is the plain read: data in, no dialog, told.
struct RunOptions {
  // Which way the buffer goes: data out sends it, anything else receives into it (a command
  // without data goes as data in with an empty buffer).
  DataDirection direction = DataDirection::kIn;
  SenseDialog sense_dialog = SenseDialog::kQuiet;
  HostReport report = HostReport::kTell;
};

struct CommandOutcome {
  CommandStatus status = CommandStatus::kNoDevice;
  ScsiResult result;
  ParsedSense sense;
  std::string error_text;         // "Error Notified(...)"; empty for kGood and kNoDevice
  const SenseRow* row = nullptr;  // the table row for a check condition
};

// What a command's outcome shows: the status line's text and the last error text (the
// platform's advice after the error text of a refusal). `shown` is false for a good command
// and without a device: the status line stays, the last error text is emptied (a good one)
// or stays (no device). Pure.
struct FailureTexts {
  bool shown = false;
  std::string status_line;
  std::string last_error;
};
FailureTexts FailureTextsOf(const CommandOutcome& outcome);

// The open drive of the program: its transport, the lock, the time-out and running a
// command, whose outcome is a value. What a selection learns of the drive is the selection's
// (drive_selection.h); what the window shows is its host's. One per run; owned by the window
// (or the CLI). Commands may come from the window thread and from one worker at a time; the
// transport is guarded so that two commands never overlap on it.
class DeviceSession {
 public:
  DeviceSession(const DriveDirectory* drives, std::span<const SenseRow> sense_table);
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  // --- the drive ---
  // Closes the current device and opens `id` (nothing else of the selection happens here).
  // Returns false and leaves the session without a device when the open fails.
  bool Open(const std::string& id);
  void Close();
  bool HasDevice() const;
  std::string DriveId() const;
  // Why the last Open() failed ("" after a successful one).
  const std::string& OpenError() const { return open_error_; }

  // A second, short-lived handle on the selected drive (the disc indicator polls on one).
  OpenResult OpenDriveDevice() const;

  // Seconds a command may take before the transport gives it up.
  std::uint32_t CommandTimeout() const { return command_timeout_.load(); }
  void SetCommandTimeout(std::uint32_t seconds) { command_timeout_.store(seconds); }

  // Who hears of the commands (null: nobody). Set before commands run; the host outlives them.
  SessionHost* host() const { return host_.load(); }
  void SetHost(SessionHost* host) { host_.store(host); }
  std::span<const SenseRow> sense_table() const { return sense_table_; }

  // Runs one command on the open drive: the whole classification of the pass-through, the
  // outcome told to the host. `buffer` is the data area (its size is the byte count);
  // `options` give the direction, the sense dialog and whether the host hears of it.
  CommandOutcome Run(const Cdb& cdb, std::span<std::uint8_t> buffer, RunOptions options = {});

  // Runs `fn(transport)` under the command lock; false (fn not called) without a device.
  template <typename Fn>
  bool WithTransport(Fn&& fn) {
    std::lock_guard lock(mutex_);
    if (!device_) return false;
    fn(*device_);
    return true;
  }

 private:
  std::span<const SenseRow> sense_table_;
  std::atomic<std::uint32_t> command_timeout_{kDefaultCommandTimeout};
  std::atomic<SessionHost*> host_{nullptr};
  const DriveDirectory* drives_;
  mutable std::mutex mutex_;
  std::unique_ptr<Transport> device_;
  std::string drive_id_;
  std::string open_error_;
};

// True only for a command the drive accepted and answered without sense data. Writes the
// transferred count (not written without a device).
bool SendScsiCommand(DeviceSession& session, const Cdb& cdb, std::span<std::uint8_t> buffer,
                     std::uint32_t* transferred = nullptr, RunOptions options = {});

// What a read through `IssueCdb` brought back, owning its bytes.
struct CdbReply {
  CommandOutcome outcome;
  // kResponseBufferSize bytes, zero beyond `transferred`: callers read the fixed offsets of a
  // short reply as zero.
  std::vector<std::uint8_t> bytes;
  std::uint32_t transferred = 0;  // what the drive sent, never more than `bytes` holds

  // The drive accepted the command and answered without sense data.
  bool good() const { return outcome.status == CommandStatus::kGood; }
};

// The short form: reads up to 40960 bytes into a reply of its own (zeroed first), data in, no
// sense dialog; `report` as in RunOptions.
CdbReply IssueCdb(DeviceSession& session, const Cdb& cdb, HostReport report = HostReport::kTell);

// Builds a CDB from up to twelve bytes; the rest are zero.
Cdb MakeCdb(std::initializer_list<std::uint8_t> bytes);

}  // namespace tamarack
