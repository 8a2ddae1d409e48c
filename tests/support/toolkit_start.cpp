#include "support/toolkit_start.h"

#include <fcntl.h>
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
#include <string>

#include "common/task_thread.h"
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
    while (poll(&p, 1, 10000) > 0) {
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

bool StartToolkit(const char* name, ToolkitMode mode) {
    g_mode = mode;
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
    for (int waited = 0; TaskThread::Alive() > 0 && waited < 30000; waited += 10) wxMilliSleep(10);
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
