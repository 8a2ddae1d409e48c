#include "support/test_support.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define BV_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BV_LEAK_CHECK 1
#endif
#endif
#ifdef BV_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

#include "gen/backup_gen.h"
#include "gen/sample.h"

namespace testing_support {

namespace {

std::string IdFromSeed(std::uint32_t seed) {
    // 40 hex digits, like the device folders a real backup writes.
    static const char kHex[] = "0123456789abcdef";
    std::string id;
    std::uint32_t x = seed * 2654435761u + 12345u;
    for (int i = 0; i < 40; ++i) {
        x = x * 1103515245u + 12345u;
        id += kHex[(x >> 16) & 15];
    }
    return id;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bvtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    gen::RemoveTree(path_);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

std::map<std::string, std::string> SnapshotTree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        files[std::filesystem::relative(entry.path(), folder).string()] =
            gen::ReadFile(entry.path().string());
    }
    return files;
}

ChildRun RunInChild(const std::function<std::string()>& fn, std::chrono::milliseconds limit) {
    int channel[2];
    if (pipe(channel) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(channel[0]);
        const std::string report = fn();
        int status = 0;
#ifdef BV_LEAK_CHECK
        if (__lsan_do_recoverable_leak_check() != 0) status = 3;
#endif
        for (std::size_t sent = 0; sent < report.size();) {
            const ssize_t n = write(channel[1], report.data() + sent, report.size() - sent);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
        // No destructor of this process's objects runs in the child: a folder of the parent's
        // would be removed.
        _exit(status);
    }
    close(channel[1]);
    const auto deadline =
        std::chrono::steady_clock::now() + std::max<std::chrono::milliseconds>(limit, kHangGuard);
    auto left = [&] {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return ms.count() > 0 ? static_cast<int>(ms.count()) : 0;
    };
    ChildRun run{ChildEnd::kDone, std::string()};
    bool timedOut = false;
    for (;;) {
        pollfd p{channel[0], POLLIN, 0};
        const int ready = poll(&p, 1, left());
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n <= 0) break;
        run.report.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel[0]);
    int status = 0;
    while (!timedOut && waitpid(pid, &status, WNOHANG) == 0) {
        if (left() == 0) {
            timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (timedOut) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        run.end = ChildEnd::kTimedOut;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.end = ChildEnd::kCrashed;
    }
    return run;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return files;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

void ReplayEach(const std::vector<std::string>& files,
                const std::function<std::string(const std::string& bytes)>& run,
                std::chrono::milliseconds limit) {
    for (const std::string& file : files) {
        const std::string bytes = gen::ReadFile(file);
        const ChildRun result = RunInChild([&] { return run(bytes); }, limit);
        if (result.end == ChildEnd::kCrashed) {
            ADD_FAILURE() << file << ": crashed or leaked (see the report above)";
        } else if (result.end == ChildEnd::kTimedOut) {
            ADD_FAILURE() << file << ": still running after " << limit.count() << " ms";
        } else if (!result.report.empty()) {
            ADD_FAILURE() << file << ": " << result.report;
        }
    }
}

GeneratedBackup::GeneratedBackup(const gen::SampleOptions& options, const std::string& deviceId,
                                 const std::string& appDataName)
    : appData_(appDataName.empty() ? temp_.Path() : temp_.Path() + "/" + appDataName) {
    env_.reset(new testing_support::ScopedEnv("APPDATA", appData_.c_str()));
    std::filesystem::create_directories(BackupRoot());
    folder_ = AddBackup(options, deviceId);
    deviceId_ = std::filesystem::path(folder_.substr(0, folder_.size() - 1)).filename().string();
}

GeneratedBackup::~GeneratedBackup() = default;

gen::SampleOptions SmallOptions(std::uint32_t seed) {
    gen::SampleOptions o;
    o.seed = seed;
    o.filler = 200;
    o.calls = 12;
    o.contacts = 10;
    o.chats = 3;
    o.messages = 30;
    o.attachments = 3;
    o.notes = 5;
    o.history = 8;
    o.bookmarks = 5;
    o.calendarItems = 6;
    o.photos = 10;
    o.memos = 2;
    return o;
}

std::string GeneratedBackup::AddBackup(const gen::SampleOptions& options,
                                       const std::string& deviceId) {
    const std::string id = deviceId.empty() ? IdFromSeed(options.seed) : deviceId;
    const std::string folder = BackupRoot() + "/" + id + "/";
    gen::WriteSampleBackup(folder, options);
    return folder;
}

std::string GeneratedBackup::BackupRoot() const {
    return appData_ + "/Apple Computer/MobileSync/Backup";
}

std::string GeneratedBackup::OutputFolder(const std::string& name) const {
    const std::string path = temp_.Path() + "/" + name;
    std::filesystem::create_directories(path);
    return path;
}

double TimeRatio(const std::function<void()>& work, const std::function<void()>& reference,
                 int runs) {
    using Clock = std::chrono::steady_clock;
    Clock::duration bestWork = Clock::duration::max(), bestReference = Clock::duration::max();
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        reference();
        bestReference = std::min(bestReference, Clock::now() - start);
        start = Clock::now();
        work();
        bestWork = std::min(bestWork, Clock::now() - start);
    }
    const double referenceSeconds =
        std::max(std::chrono::duration<double>(bestReference).count(), 1e-6);
    return std::chrono::duration<double>(bestWork).count() / referenceSeconds;
}

}  // namespace testing_support
