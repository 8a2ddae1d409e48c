// Helpers shared by the test programs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gen/sample.h"

namespace testing_support {

// How long a test waits for something that must happen (an event, a thread's end, a child
// process) before it counts it as hung. No test waits on a shorter fixed deadline: a machine
// busy with other builds may take many times the usual time, and only a hang may fail a test.
constexpr std::chrono::minutes kHangGuard{5};

// A fresh folder under the system's temporary folder, removed with everything in it at the end
// of the scope. Path() ends without '/'.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// Sets an environment variable for the scope and restores the old value afterwards.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::string old_;
    bool had_;
};

// Sample options with small counts (quick to write and to scan).
gen::SampleOptions SmallOptions(std::uint32_t seed = 1);

// A generated backup under a fresh folder that stands for the roaming application-data folder:
// APPDATA points at it while the object lives, so the program's backup root is
// <folder>/Apple Computer/MobileSync/Backup/ and holds one device folder.
class GeneratedBackup {
  public:
    // Writes one sample backup; options.device names the device. An empty deviceId takes a
    // 40-hex-digit id made from the seed. A non-empty appDataName puts the application-data
    // folder one level down, under that name (bytes as they are: it need not be UTF-8).
    explicit GeneratedBackup(const gen::SampleOptions& options = SmallOptions(),
                             const std::string& deviceId = "", const std::string& appDataName = "");
    ~GeneratedBackup();
    GeneratedBackup(const GeneratedBackup&) = delete;
    GeneratedBackup& operator=(const GeneratedBackup&) = delete;

    // Adds one more device folder to the same backup root.
    std::string AddBackup(const gen::SampleOptions& options, const std::string& deviceId);

    const std::string& AppData() const { return appData_; }
    // <AppData>/Apple Computer/MobileSync/Backup (without trailing "/").
    std::string BackupRoot() const;
    // The device folder, ending with "/".
    const std::string& BackupFolder() const { return folder_; }
    const std::string& DeviceId() const { return deviceId_; }
    // A folder for recovered files (created, empty), in the temporary folder: beside "Apple
    // Computer", or beside the application-data folder when that has a name of its own.
    std::string OutputFolder(const std::string& name = "recovered") const;

  private:
    testing_support::TempDir temp_;
    std::string appData_;
    std::unique_ptr<testing_support::ScopedEnv> env_;
    std::string deviceId_;
    std::string folder_;
};

// Every regular file under folder with its contents, keyed by the path relative to folder.
std::map<std::string, std::string> SnapshotTree(const std::string& folder);

// How a function run in a child process of its own ended.
enum class ChildEnd { kDone, kCrashed, kTimedOut };
inline void PrintTo(ChildEnd end, std::ostream* os) {
    *os << (end == ChildEnd::kDone ? "done" : end == ChildEnd::kCrashed ? "crashed" : "timed out");
}
struct ChildRun {
    ChildEnd end;
    // What the function returned: empty when all was well, else what went wrong.
    std::string report;
};

// Runs fn in a forked child and waits for it, at most the hang guard (or limit, when that is
// longer). A child that dies by a signal, exits with a status other than 0 (a sanitizer's
// report) or leaks is kCrashed; one still running then is killed and gives kTimedOut. Nothing fn
// does reaches this process.
ChildRun RunInChild(const std::function<std::string()>& fn,
                    std::chrono::milliseconds limit = kHangGuard);

// The regular files of a folder, sorted by name; hidden ones (".keep") are left out, and a
// missing folder has none.
std::vector<std::string> FilesIn(const std::string& folder);

// Runs every file's bytes through run, each in a child process of its own (waited for as
// RunInChild waits). An input that crashes, hangs, leaks or makes run report something fails the
// current test, naming the file; the other inputs still run.
void ReplayEach(const std::vector<std::string>& files,
                const std::function<std::string(const std::string& bytes)>& run,
                std::chrono::milliseconds limit = kHangGuard);

// How many times longer work takes than reference: both run alternately, runs times each, and
// the best time of each counts, so that the machine's load weighs on both alike. For bounds such
// as "a hostile input takes no longer than a plain one of its size", which a fixed deadline
// cannot keep on a busy machine.
double TimeRatio(const std::function<void()>& work, const std::function<void()>& reference,
                 int runs = 3);

}  // namespace testing_support
