// OutputFile over an Env that holds its files in memory: a full disk, a failing sync, close or
// rename, planted where a real file system could not be made to fail on cue.
#include "util/output_file.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tamarack {
namespace {

// Where the planted failure strikes.
struct Faults {
  std::size_t room = SIZE_MAX;  // bytes the disk takes before it is full
  bool sync_fails = false;
  bool close_fails = false;
  bool rename_fails = false;
};

class MemoryEnv;

class MemoryFile final : public WritableFile {
 public:
  MemoryFile(std::string* bytes, const Faults& faults) : bytes_(bytes), faults_(faults) {}
  std::size_t Write(std::span<const std::uint8_t> bytes, std::string* reason) override {
    const std::size_t room = faults_.room > bytes_->size() ? faults_.room - bytes_->size() : 0;
    const std::size_t n = std::min(room, bytes.size());
    if (n == 0) *reason = "No space left on device";
    bytes_->append(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return n;
  }
  void StartWriteBack(std::uint64_t, std::uint64_t) override {}
  bool Sync(std::string* reason) override {
    if (faults_.sync_fails) *reason = "Input/output error";
    return !faults_.sync_fails;
  }
  bool Close(std::string* reason) override {
    if (faults_.close_fails) *reason = "Disk quota exceeded";
    return !faults_.close_fails;
  }

 private:
  std::string* bytes_;
  const Faults& faults_;
};

// Files by name; every other call is one no test here reaches.
class MemoryEnv final : public Env {
 public:
  explicit MemoryEnv(Faults faults) : faults_(faults) {}
  std::map<std::string, std::string> files;
  std::vector<std::string> synced_folders;

  std::unique_ptr<WritableFile> OpenWritable(const std::string& path, WriteMode,
                                             std::string*) override {
    return std::make_unique<MemoryFile>(&files[path], faults_);
  }
  bool Rename(const std::string& from, const std::string& to, std::string* reason) override {
    if (faults_.rename_fails) {
      *reason = "Permission denied";
      return false;
    }
    files[to] = files[from];
    files.erase(from);
    return true;
  }
  void Remove(const std::string& path) override { files.erase(path); }
  void SyncFolder(const std::string& folder) override { synced_folders.push_back(folder); }

  std::unique_ptr<RandomAccessFile> OpenRandomAccess(const std::string&, std::string*) override {
    return nullptr;
  }
  std::optional<FileFacts> FactsOf(const std::string&) override { return std::nullopt; }
  bool CanWriteIn(const std::string&) override { return false; }
  std::string ProgramFolder() override { return ""; }
  long ProcessId() override { return 1; }
  std::string KnownFolderPath(KnownFolder) override { return ""; }
  void SetEnvironment(const std::string&, const std::string&) override {}
  void KeepRunningPastFileSizeLimit() override {}
  void LowerThisThreadPriority() override {}
  bool IsTerminal(StandardStream) override { return false; }
  std::optional<int> TerminalColumns() override { return std::nullopt; }
  std::tm CalendarTimeOf(std::time_t, bool) override { return {}; }
  void* AllocateAligned(std::size_t, std::size_t, bool) override { return nullptr; }
  void FreeAligned(void*) override {}
  std::size_t PageSize() override { return 4096; }
  bool BindMessageCatalogue(const char*, const std::string&) override { return false; }
  const char* LookUpMessage(const char*, const char* text) override { return text; }
  bool SetMessagesLocale(const char*) override { return false; }
  std::string Cp932ToUtf8(std::string_view) override { return ""; }
  void* LoadLibrarySymbol(const std::string&, const char*, std::string*) override {
    return nullptr;
  }

 private:
  Faults faults_;
};

// A name in a folder that does not exist, so that planning the target finds nothing there.
const std::string kTarget = "/no-such-folder-of-tamarack/capture.dat";
const std::string kTemporary = kTarget + ".partial";

TEST(OutputFileTest, AFailureOfTheSystemIsReportedOnceAndNeverCommitted) {
  struct Case {
    const char* what;
    Faults faults;
    std::size_t buffer;
    const char* append_error;  // after the target's name; "" when the appends succeed
    const char* commit_error;
  };
  const Case kCases[] = {
      {"disk full inside a write-through append",
       {.room = 3000},
       0,
       ".partial: No space left on device",
       ".partial: Bad file descriptor"},
      {"disk full when the buffer is written out at the commit",
       {.room = 3000},
       1 << 20,
       "",
       ".partial: No space left on device"},
      {"the sync fails", {.sync_fails = true}, 1 << 20, "", ".partial: Input/output error"},
      {"the close fails", {.close_fails = true}, 1 << 20, "", ".partial: Disk quota exceeded"},
      {"the rename fails, named by the target",
       {.rename_fails = true},
       1 << 20,
       "",
       ": Permission denied"},
  };
  const std::vector<std::uint8_t> block(2048, 0xA5);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    MemoryEnv env(c.faults);
    OutputFile out(env);
    std::string error;
    ASSERT_TRUE(out.Open(kTarget, ".partial", &error, c.buffer)) << error;
    const bool appended = out.Append(block, &error) && out.Append(block, &error);
    EXPECT_EQ(error, *c.append_error ? kTarget + c.append_error : "");
    EXPECT_EQ(appended, *c.append_error == '\0');
    error.clear();
    EXPECT_FALSE(out.Commit(&error));
    EXPECT_EQ(error, kTarget + c.commit_error);
    // The target never appears; only the temporary file holds what the disk took.
    EXPECT_EQ(env.files.count(kTarget), 0u);
    EXPECT_EQ(env.files.count(kTemporary), 1u);
    EXPECT_LE(out.bytes_written(), c.faults.room);
    EXPECT_TRUE(env.synced_folders.empty());
    out.Abandon(true);
    EXPECT_TRUE(env.files.empty());
  }
}

TEST(OutputFileTest, ACompleteFileIsRenamedOverTheTargetAndItsFolderSynced) {
  MemoryEnv env({});
  OutputFile out(env);
  std::string error;
  ASSERT_TRUE(out.Open(kTarget, ".partial", &error));
  ASSERT_TRUE(out.Append(std::string_view("head "), &error));
  EXPECT_EQ(out.bytes_written(), 0u);  // still buffered
  ASSERT_TRUE(out.Append(std::string_view("tail"), &error));
  ASSERT_TRUE(out.Commit(&error)) << error;
  EXPECT_EQ(env.files, (std::map<std::string, std::string>{{kTarget, "head tail"}}));
  EXPECT_EQ(env.synced_folders, (std::vector<std::string>{"/no-such-folder-of-tamarack"}));
  EXPECT_EQ(out.bytes_written(), 9u);
}

}  // namespace
}  // namespace tamarack
