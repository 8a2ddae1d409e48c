// Shared by the window tests: the toolkit is started once by gui_main.cpp (a GUI application
// object under the display that xvfb-run gives, logs to stderr, assertions recorded instead of
// shown, the theme's layout loaded); these helpers make generated backups, wait for windows,
// click them and save pictures of them.
#pragma once

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/string.h>
#include <wx/window.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gen/sample.h"
#include "support/test_support.h"

class DomainOption;

namespace gui_test {

// True when the GUI toolkit is up (a display was there).
bool HaveGui();
// Number of toolkit assertions that failed so far, and the text of the last one.
int AssertionCount();
std::string LastAssertion();

// The application root the test program uses (the build folder: Themes/, Language/,
// option.cfg are staged there). Without a trailing "/".
wxString AppRoot();
// The build folder, where pictures of windows are saved for a person to look at.
wxString OutputDir();

// How long PumpUntil waits by default: the hang guard (testing_support::kHangGuard).
constexpr double kHangGuardSeconds = 300;
// Runs the toolkit's event loop (pending events, window system events, idle handlers and timers)
// until done() holds or seconds pass. Returns done()'s last value. A test waits for what must
// happen with the default: only a hang may fail it, never a slow machine.
bool PumpUntil(const std::function<bool()>& done, double seconds = kHangGuardSeconds);
// Runs the event loop for about the given time (lets windows lay out and paint).
void PumpFor(double seconds);

// Keeps the program's settings (g_domainOption) aside for the scope: with text, settings read
// from an option.cfg of that text stand in their place. At the end of the scope whatever
// settings stand there are deleted and the kept ones come back, also when an assertion ends the
// test early.
class ScopedDomainOption {
  public:
    ScopedDomainOption();
    explicit ScopedDomainOption(const std::string& text);
    ~ScopedDomainOption();
    ScopedDomainOption(const ScopedDomainOption&) = delete;
    ScopedDomainOption& operator=(const ScopedDomainOption&) = delete;

  private:
    testing_support::TempDir dir_;
    DomainOption* kept_;
};

// The generated backups of every test program.
using testing_support::GeneratedBackup;
using testing_support::SmallOptions;

// Moves the pointer to a point of the screen through the window system, also when the program
// has no window of its own on the screen (the toolkit's input simulator asks a shown window for
// the screen's scale, and warns without one).
void MovePointer(const wxPoint& screen);
// Moves the pointer to the middle of window (or to the given point in its client coordinates)
// and clicks the left button with the system's input simulator, then pumps events.
bool Click(wxWindow* window);
bool ClickAt(wxWindow* window, const wxPoint& clientPoint);
bool DoubleClickAt(wxWindow* window, const wxPoint& clientPoint);
// Sends a command event of the given type and id to window, as a click on a control would.
void SendCommand(wxWindow* window, wxEventType type, int id);

// What the screen shows of window, children included; an invalid image when it is not shown.
wxImage WindowImage(wxWindow* window);
// Copies what the screen shows of window into a PNG at path (a picture for a person to look at).
// Returns false when the window is not shown or the file cannot be written.
bool SaveScreenshot(wxWindow* window, const wxString& path);

// Catches what the process writes to its standard error stream (the toolkit's and the
// libraries' warnings among it) from construction to Stop, which hands the text back and passes
// it on to the stream as well, so nothing is lost to a reader of the test's output.
class StderrCapture {
  public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string Stop();

  private:
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

// The lines of text that are warnings of GTK, GLib and the libraries under them (pixman's
// "*** BUG ***" reports among them).
std::vector<std::string> ToolkitWarnings(const std::string& text);

// Every place under root (root included, shown windows only) where a text does not fit the
// window that shows it, one line each: a native label (check box, static text) smaller than its
// best size, a native button's label wider than the button less a margin, a word button whose
// label runs past its face, a grid column label wider than its column, a grid cell holding a
// date, a time or a count that is cut, a tree item (text with its count) that ends past the
// tree's edge, and two sibling controls that overlap.
std::vector<std::string> TextFitProblems(wxWindow* root);

// Finds the first child (at any depth) of parent with the given type, or for which match holds.
wxWindow* FindChild(wxWindow* parent, const std::function<bool(wxWindow*)>& match);
template <class T>
T* FindChildOf(wxWindow* parent) {
    return dynamic_cast<T*>(FindChild(parent, [](wxWindow* w) { return dynamic_cast<T*>(w); }));
}

// Destroys a top-level window and pumps until it is gone.
void DestroyAndWait(wxWindow* window);

}  // namespace gui_test

#define REQUIRE_GUI()                                                              \
    do {                                                                           \
        if (!gui_test::HaveGui()) GTEST_SKIP() << "needs a display (xvfb-run -a)"; \
    } while (0)
