// The window tests' main: a GUI application object under a virtual display, one active event
// loop the tests pump, logs to stderr and toolkit assertions recorded instead of shown, image and
// archive handlers, and the theme's layout loaded from the staged root. The program starts a
// virtual display of its own (Xvfb), so that window tests running side by side do not click each
// other's windows; without Xvfb it uses DISPLAY, and without that the window tests skip. The home
// folder is a fresh temporary folder, so that nothing the program writes for its user (the
// documents folder, the language choice) lands in the real one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filesys.h>
#include <wx/fs_arc.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "common/face_layout.h"
#include "gui_support.h"
#include "support/toolkit_assertions.h"

namespace gui_test {

namespace {

bool g_gui = false;
using testing_support::DisplayPresent;
using testing_support::ToolkitAssertions;

// A display of this test program's own: CTest runs many window tests at once under one
// xvfb-run, and simulated clicks and pointer moves on one shared screen would reach the windows of
// other programs. Starts "Xvfb -displayfd" and points DISPLAY at the display it chose. Returns the
// server's process id, or 0 when the shared display is to be used (BV_GUI_SHARED_DISPLAY set, or no
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

void StopOwnDisplay(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

class ToolkitEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        server_ = StartOwnDisplay();
        home_.reset(new testing_support::TempDir());
        homeEnv_.reset(new testing_support::ScopedEnv("HOME", home_->Path().c_str()));
        configEnv_.reset(new testing_support::ScopedEnv("XDG_CONFIG_HOME", nullptr));
        documentsEnv_.reset(new testing_support::ScopedEnv("XDG_DOCUMENTS_DIR", nullptr));

        ToolkitAssertions::Install();
        static char name[] = "gui_tests";
        static char* argv[] = {name, nullptr};
        int argc = 1;
        if (DisplayPresent()) {
            wxApp::SetInstance(new wxApp());
            g_gui = wxEntryStart(argc, argv);
            if (!g_gui) std::fprintf(stderr, "the GUI toolkit did not start; GUI tests skip\n");
        }
        if (!g_gui) {
            wxApp::SetInstance(new wxAppConsole());
            argc = 1;
            if (!wxEntryStart(argc, argv)) {
                std::fprintf(stderr, "the toolkit did not start\n");
                std::abort();
            }
        }
        delete wxLog::SetActiveTarget(new wxLogStderr());
        wxInitAllImageHandlers();
        wxFileSystem::AddHandler(new wxArchiveFSHandler());
        if (g_gui) {
            loop_.reset(new wxGUIEventLoop());
            wxEventLoopBase::SetActive(loop_.get());
        }
        const wxString face = AppRoot() + wxS("/Themes/face.xml");
        if (LoadFaceLayout(face) != 0) {
            std::fprintf(stderr, "no theme layout at %s\n", face.utf8_str().data());
        }
    }

    void TearDown() override {
        if (g_gui) {
            // Windows the tests left behind go before the toolkit.
            for (wxWindow* top : wxTopLevelWindows) top->Destroy();
            PumpFor(0.1);
            wxEventLoopBase::SetActive(nullptr);
            loop_.reset();
        }
        wxFileSystem::CleanUpHandlers();
        delete wxLog::SetActiveTarget(nullptr);
        wxEntryCleanup();
        StopOwnDisplay(server_);
        server_ = 0;
        documentsEnv_.reset();
        configEnv_.reset();
        homeEnv_.reset();
        home_.reset();
    }

  private:
    std::unique_ptr<testing_support::TempDir> home_;
    std::unique_ptr<testing_support::ScopedEnv> homeEnv_;
    std::unique_ptr<testing_support::ScopedEnv> configEnv_;
    std::unique_ptr<testing_support::ScopedEnv> documentsEnv_;
    std::unique_ptr<wxEventLoopBase> loop_;
    pid_t server_ = 0;
};

}  // namespace

bool HaveGui() {
    return g_gui;
}

int AssertionCount() {
    return ToolkitAssertions::Count();
}

std::string LastAssertion() {
    return ToolkitAssertions::Last();
}

}  // namespace gui_test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new gui_test::ToolkitEnvironment());
    return RUN_ALL_TESTS();
}

// Leaks inside the GTK stack are not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libglib-2.0\nleak:libgobject-2.0\nleak:libgtk-3\n"
           "leak:libgdk-3\nleak:libX11\nleak:libcairo\nleak:libpango\nleak:libgdk_pixbuf\n"
           "leak:libdbus-1\nleak:libatk\nleak:libgio-2.0\nleak:libfreetype\nleak:libharfbuzz\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "race:libfontconfig\nrace:libglib-2.0\nrace:libgobject-2.0\nrace:libgio-2.0\n"
           "race:libgtk-3\nrace:libgdk-3\nrace:libcairo\nrace:libpango\nrace:libdbus-1\n"
           "deadlock:libfontconfig\n";
}

extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1";
}
