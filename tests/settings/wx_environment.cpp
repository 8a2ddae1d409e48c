// The toolkit's base initialisation for the whole program (a console application object, no
// display), and a log target that records instead of showing anything.
#include "wx_environment.h"

#include <gtest/gtest.h>

#include "support/toolkit_start.h"

namespace {

class WxEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        testing_support::StartToolkit("settings_tests", testing_support::ToolkitMode::kBase);
    }
    void TearDown() override { testing_support::StopToolkit(); }
};

::testing::Environment* const kWxEnvironment =
    ::testing::AddGlobalTestEnvironment(new WxEnvironment);

}  // namespace

RecordingLog::RecordingLog() {
    previous_ = wxLog::SetActiveTarget(this);
}

RecordingLog::~RecordingLog() {
    wxLog::SetActiveTarget(previous_);
}

void RecordingLog::DoLogTextAtLevel(wxLogLevel, const wxString& text) {
    messages_.push_back(text);
}
