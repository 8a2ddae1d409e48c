// For test programs that run the toolkit: its assertions are recorded and printed to standard
// error instead of opening a box, so that a test can check that none fired.
#pragma once

#include <wx/debug.h>
#include <wx/string.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace testing_support {

class ToolkitAssertions {
  public:
    // Routes the toolkit's assertions to Record.
    static void Install() { wxSetAssertHandler(&Record); }

    static int Count() {
        std::lock_guard<std::mutex> lock(State().mutex);
        return State().count;
    }
    static std::string Last() {
        std::lock_guard<std::mutex> lock(State().mutex);
        return State().last;
    }

  private:
    struct Data {
        std::mutex mutex;
        int count = 0;
        std::string last;
    };
    static Data& State() {
        static Data data;
        return data;
    }
    static void Record(const wxString& file, int line, const wxString& func, const wxString& cond,
                       const wxString& msg) {
        {
            std::lock_guard<std::mutex> lock(State().mutex);
            ++State().count;
            State().last = (cond + wxS(" ") + msg).ToStdString();
        }
        std::fprintf(stderr, "toolkit assertion: %s:%d %s: %s %s\n", file.utf8_str().data(), line,
                     func.utf8_str().data(), cond.utf8_str().data(), msg.utf8_str().data());
    }
};

// True when DISPLAY names a display.
inline bool DisplayPresent() {
    const char* display = std::getenv("DISPLAY");
    return display != nullptr && display[0] != '\0';
}

}  // namespace testing_support
