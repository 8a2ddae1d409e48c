// The toolkit's start for a whole test program, the same way in every program that needs it. A
// toolkit that does not come up ends the program at once with a message that says why: a test
// program never goes on with a half-started toolkit.
#pragma once

#include <string>

namespace testing_support {

enum class ToolkitMode {
    // The toolkit's base only (threads, files, translations): no display is used.
    kBase,
    // A GUI application object on the display that DISPLAY names.
    kGui,
    // A GUI application object on a virtual display of the program's own (Xvfb, never reset
    // while the program runs), so that simulated clicks cannot reach other programs' windows.
    // Without Xvfb (or with BV_GUI_SHARED_DISPLAY set) the display that DISPLAY names is used.
    kGuiOwnDisplay,
};

// Starts the toolkit; name is the program's name for argv[0] and messages. Returns true when the
// GUI is up. With no display at all the GUI modes start the base only and return false, so that
// window tests skip; in CI (CI set) a missing display ends the program instead.
bool StartToolkit(const char* name, ToolkitMode mode);

// Ends the toolkit started by StartToolkit, and the program's own display.
void StopToolkit();

// From StartToolkit on, every warning, critical or error that GTK, GLib or a library on them logs
// is printed as GLib prints it and fails the test that runs when it comes (one that comes between
// tests fails the program). The count and the last text, for tests that check them.
int ToolkitWarningCount();
std::string LastToolkitWarning();
// While one lives, the toolkit's warnings are recorded and fail the test as always, but are not
// printed: for a test that makes one on purpose.
class QuietToolkitLog {
  public:
    QuietToolkitLog();
    ~QuietToolkitLog();
    QuietToolkitLog(const QuietToolkitLog&) = delete;
    QuietToolkitLog& operator=(const QuietToolkitLog&) = delete;
};

// True when the environment says the tests run in CI (CI set and not empty): a missing tool or
// display is a broken machine there, not a reason to skip.
bool InCi();

}  // namespace testing_support
