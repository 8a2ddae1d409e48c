// The window tests' main: a GUI application object under a virtual display, one active event
// loop the tests pump, logs to stderr and toolkit assertions recorded instead of shown, image and
// archive handlers, and the theme's layout loaded from the staged root. The program starts a
// virtual display of its own (Xvfb), so that window tests running side by side do not click each
// other's windows; without Xvfb it uses DISPLAY, and without that the window tests skip (in CI the
// program fails). A toolkit that does not start ends the program at once. The home
// folder is a fresh temporary folder, so that nothing the program writes for its user (the
// documents folder, the language choice) lands in the real one.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>

#include <cstdio>
#include <memory>

#include "common/face_layout.h"
#include "gui_support.h"
#include "support/toolkit_assertions.h"
#include "support/toolkit_start.h"

namespace gui_test {

namespace {

bool g_gui = false;
using testing_support::ToolkitAssertions;

class ToolkitEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        home_.reset(new testing_support::TempDir());
        homeEnv_.reset(new testing_support::ScopedEnv("HOME", home_->Path().c_str()));
        configEnv_.reset(new testing_support::ScopedEnv("XDG_CONFIG_HOME", nullptr));
        documentsEnv_.reset(new testing_support::ScopedEnv("XDG_DOCUMENTS_DIR", nullptr));
        g_gui = testing_support::StartToolkit("gui_tests",
                                              testing_support::ToolkitMode::kGuiOwnDisplay);
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
        testing_support::StopToolkit();
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
