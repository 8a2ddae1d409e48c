// Shared by the settings tests: a log target that records every message for the scope.
#pragma once

#include <wx/log.h>

#include <vector>

class RecordingLog : public wxLog {
  public:
    RecordingLog();
    ~RecordingLog() override;
    const std::vector<wxString>& Messages() const { return messages_; }

  protected:
    void DoLogTextAtLevel(wxLogLevel level, const wxString& text) override;

  private:
    wxLog* previous_;
    std::vector<wxString> messages_;
};
