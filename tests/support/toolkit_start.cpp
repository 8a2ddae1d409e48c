#include "support/toolkit_start.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "common/task_thread.h"
#include "support/test_support.h"
#include "support/toolkit_assertions.h"

namespace testing_support {

namespace {

ToolkitMode g_mode = ToolkitMode::kBase;
bool g_started = false;
pid_t g_server = 0;

[[noreturn]] void Fail(const char* name, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", name, why.c_str());
    std::fflush(stderr);
    // No static destructors and no toolkit clean-up: the toolkit is in no state to run them.
    _exit(1);
}

// Starts "Xvfb -displayfd" and points DISPLAY at the display it chose. Returns the server's process
// id, or 0 when the display that DISPLAY names is to be used (BV_GUI_SHARED_DISPLAY set, or no
// Xvfb installed, or the server did not come up).
pid_t StartOwnDisplay() {
    const char* shared = std::getenv("BV_GUI_SHARED_DISPLAY");
    if (shared != nullptr && shared[0] != '\0') return 0;
    static const char kServer[] = "/usr/bin/Xvfb";
    if (access(kServer, X_OK) != 0) return 0;
    int fds[2];
    if (pipe(fds) != 0) return 0;
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return 0;
    }
    if (pid == 0) {
        // The server ends with the test program, also when the program is killed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        const std::string fd = std::to_string(fds[1]);
        // -noreset: the server stays as it is when its last client leaves.
        execl(kServer, kServer, "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
              "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    const int guard = static_cast<int>(std::chrono::milliseconds(kHangGuard).count());
    while (poll(&p, 1, guard) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        std::fprintf(stderr, "Xvfb did not start; the shared display is used\n");
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return 0;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return pid;
}

struct LogRecord {
    std::mutex mutex;
    int count = 0;
    std::string last;
    int quiet = 0;
};
LogRecord& Logged() {
    static LogRecord record;
    return record;
}

const char* LevelName(GLogLevelFlags level) {
    if ((level & G_LOG_LEVEL_ERROR) != 0) return "error";
    if ((level & G_LOG_LEVEL_CRITICAL) != 0) return "critical";
    return "warning";
}

// GLib's log writer: everything is printed as GLib prints it; warnings and worse also fail the
// current test (or, between tests, the program).
GLogWriterOutput WriteLog(GLogLevelFlags level, const GLogField* fields, gsize count,
                          gpointer data) {
    if ((level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) != 0) {
        std::string domain = "?", message;
        for (gsize i = 0; i < count; ++i) {
            const char* value = static_cast<const char*>(fields[i].value);
            if (value == nullptr || fields[i].length > 0) continue;  // text fields only
            if (std::strcmp(fields[i].key, "GLIB_DOMAIN") == 0) domain = value;
            if (std::strcmp(fields[i].key, "MESSAGE") == 0) message = value;
        }
        const std::string text = domain + " " + LevelName(level) + ": " + message;
        bool quiet = false;
        {
            std::lock_guard<std::mutex> lock(Logged().mutex);
            ++Logged().count;
            Logged().last = text;
            quiet = Logged().quiet > 0;
        }
        ADD_FAILURE() << "the toolkit logged a " << text;
        if (quiet) return G_LOG_WRITER_HANDLED;
    }
    return g_log_writer_default(level, fields, count, data);
}

void StopOwnDisplay() {
    if (g_server <= 0) return;
    kill(g_server, SIGTERM);
    waitpid(g_server, nullptr, 0);
    g_server = 0;
}

}  // namespace

bool InCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && ci[0] != '\0';
}

int ToolkitWarningCount() {
    std::lock_guard<std::mutex> lock(Logged().mutex);
    return Logged().count;
}

std::string LastToolkitWarning() {
    std::lock_guard<std::mutex> lock(Logged().mutex);
    return Logged().last;
}

QuietToolkitLog::QuietToolkitLog() {
    std::lock_guard<std::mutex> lock(Logged().mutex);
    ++Logged().quiet;
}

QuietToolkitLog::~QuietToolkitLog() {
    std::lock_guard<std::mutex> lock(Logged().mutex);
    --Logged().quiet;
}

bool StartToolkit(const char* name, ToolkitMode mode) {
    g_mode = mode;
    static bool writing = false;
    if (!writing) {
        // Only once a process: GLib refuses a second writer.
        g_log_set_writer_func(WriteLog, nullptr, nullptr);
        writing = true;
    }
    static char program[64];
    std::snprintf(program, sizeof program, "%s", name);
    static char* argv[] = {program, nullptr};
    int argc = 1;
    if (mode == ToolkitMode::kBase) {
        if (!wxInitialize(argc, argv)) Fail(name, "the toolkit's base did not start");
        g_started = true;
        return false;
    }

    if (mode == ToolkitMode::kGuiOwnDisplay) g_server = StartOwnDisplay();
    ToolkitAssertions::Install();
    bool gui = false;
    if (DisplayPresent()) {
        wxApp::SetInstance(new wxApp());
        if (!wxEntryStart(argc, argv)) {
            StopOwnDisplay();
            Fail(name, std::string("the GUI toolkit did not start on display ") +
                           std::getenv("DISPLAY") +
                           " (is the display server up, and was it started with -noreset?)");
        }
        gui = true;
    } else if (InCi()) {
        Fail(name, "no display (DISPLAY is not set): run the tests under xvfb-run");
    } else {
        std::fprintf(stderr, "%s: no display; the window tests skip\n", name);
        wxApp::SetInstance(new wxAppConsole());
        if (!wxEntryStart(argc, argv)) Fail(name, "the toolkit did not start");
    }
    g_started = true;
    delete wxLog::SetActiveTarget(new wxLogStderr());
    wxInitAllImageHandlers();
    wxFileSystem::AddHandler(new wxArchiveFSHandler());
    return gui;
}

void StopToolkit() {
    if (!g_started) return;
    g_started = false;
    // A worker still running when the toolkit shuts down would be ended under its feet: a test
    // whose last events arrived before its thread finished leaves it a moment to do so.
    const int guard = static_cast<int>(std::chrono::milliseconds(kHangGuard).count());
    for (int waited = 0; TaskThread::Alive() > 0 && waited < guard; waited += 10) wxMilliSleep(10);
    if (TaskThread::Alive() > 0) {
        std::fprintf(stderr, "%d worker threads still run at the end of the test program\n",
                     TaskThread::Alive());
        std::_Exit(1);
    }
    if (g_mode == ToolkitMode::kBase) {
        wxUninitialize();
        return;
    }
    wxFileSystem::CleanUpHandlers();
    delete wxLog::SetActiveTarget(nullptr);
    wxEntryCleanup();
    StopOwnDisplay();
}

}  // namespace testing_support
