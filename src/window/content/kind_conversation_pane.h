// The kind screen's conversation: the message view beside the narrowed main grid, showing the
// conversation of the selected messages row.
#pragma once

#include <wx/gdicmn.h>

#include <cstdint>

class Device;
class Sms;
class PvKindMessageWindow;
class wxWindow;

class KindConversationPane {
  public:
    // The message view right of the conversation list, over the rest of the grid's rectangle;
    // hidden.
    void Create(wxWindow* parent, const wxRect& gridRect, int listWidth);

    PvKindMessageWindow* GetView() const { return view_; }
    void Show(bool show);
    // A row of the messages list was selected: its conversation is shown, unless it is shown
    // already or the row holds none. Another conversation than the one shown last opens at its
    // first message.
    void ShowRow(const Device& device, int row);
    // The next selected row is shown even if it is the one shown last.
    void ResetMessageRow() { selectedMessageRow_ = -1; }
    // No conversation, as after Back (the next one shown opens at its first message).
    void Clear();

  private:
    PvKindMessageWindow* view_ = nullptr;
    int selectedMessageRow_ = -1;
    const Sms* shownConversation_ = nullptr;  // the conversation shown last
};
