// The open drive and the one pass-through operation every command goes through.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "device/drive_directory.h"
#include "device/scsi.h"
#include "device/sense.h"
#include "device/status_text.h"
#include "device/transport.h"

namespace tamarack {

inline constexpr std::size_t kResponseBufferSize = 40960;
inline constexpr std::size_t kTocCacheSize = 796;
inline constexpr std::uint32_t kDefaultCommandTimeout = 7;

// What the session asks of the window. Every method has a do-nothing default so that the
// CLI and tests implement only what they use. Called on the thread that runs the command.
class SessionHost {
 public:
  virtual ~SessionHost() = default;
  // A check condition with the sense dialog requested (or a Request Sense reply to show): the
  // window opens the dialog on its own thread; the command does not wait for it.
  virtual void ShowSenseDialog(std::span<const std::uint8_t> /*sense*/) {}
};

// How one command ended.
enum class CommandStatus {
  kNoDevice,        // no drive open: nothing was sent, nothing shown
  kRefused,         // the platform refused the request or the transport failed
  kCheckCondition,  // the drive answered with sense data (or a bad SCSI status)
  kGood,
};

// Which way a command's data go through `DeviceSession::Run`. A command without data goes as
// data in with an empty buffer.
enum class DataFlow { kIn, kOut };

// Whether a check condition opens the sense dialog (through `SessionHost`).
enum class SenseDialog { kQuiet, kShow };

// How `Run` sends a command; the default is the plain read: data in, no dialog.
struct RunOptions {
  DataFlow flow = DataFlow::kIn;
  SenseDialog sense_dialog = SenseDialog::kQuiet;
};

struct CommandOutcome {
  CommandStatus status = CommandStatus::kNoDevice;
  ScsiResult result;
  ParsedSense sense;
  std::string error_text;         // what went to LastErrorText; empty for kGood and kNoDevice
  const SenseRow* row = nullptr;  // the table row for a check condition
};

// The open drive of the program. One per run; owned by the window (or the CLI). Commands
// may come from the window thread and from one worker at a time; the transport is guarded
// so that two commands never overlap on it.
class DeviceSession {
 public:
  DeviceSession(const DriveDirectory* drives, std::span<const SenseRow> sense_table);

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

  // --- state read by the pass-through and the window ---
  ScsiAddress address;
  std::uint32_t command_timeout = kDefaultCommandTimeout;
  std::array<std::uint8_t, kTocCacheSize> toc_cache{};
  std::string vendor, product, revision;
  StatusText status_line;
  StatusText last_error_text;
  SessionHost* host = nullptr;
  std::span<const SenseRow> sense_table;

  // Runs one command on the open drive: the whole classification of the pass-through,
  // writing the status line and the last error text on failure. `buffer` is the data area
  // (its size is the byte count); `options` give the direction and the sense dialog.
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
// sense dialog.
CdbReply IssueCdb(DeviceSession& session, const Cdb& cdb);

// Builds a CDB from up to twelve bytes; the rest are zero.
Cdb MakeCdb(std::initializer_list<std::uint8_t> bytes);

}  // namespace tamarack
