// The conversation view of the kind screen: one SMS conversation as chat bubbles, received
// messages on the left, sent ones on the right, each with its date on top and its text broken
// into lines. Every bubble is laid out once into a MessageShow record when the conversation is
// shown; painting only draws the records.
#pragma once

#include <wx/scrolwin.h>
#include <wx/window.h>

#include <cstdint>
#include <vector>

#include "domain/kind_obj.h"

class wxBitmap;
class wxPaintEvent;
class wxTextCtrl;

class PvKindMessageWindow : public wxScrolled<wxWindow> {
  public:
    PvKindMessageWindow();
    PvKindMessageWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size);
    ~PvKindMessageWindow() override;

    // Replaces the shown bubbles with those of the conversation and repaints.
    void ShowConversation(Sms* conversation);
    // Releases every bubble; no repaint, the virtual size stays.
    void Clear();
    // The next bubble goes to the top again.
    void ResetLayout();
    // Sets the side, the indent and the images of a bubble by its type.
    void LayoutBubble(MessageShow* bubble);

    // The laid-out bubbles of the shown conversation, in message order.
    const std::vector<MessageShow*>& GetBubbles() const { return bubbles_; }
    int GetSpacing() const { return spacing_; }

    // The lines into which a text breaks in the view's wrapping field: at words, to the field's
    // width, keeping the text's own line breaks; at least one line.
    wxArrayString WrapLines(const wxString& text) const;

  private:
    void OnPaint(wxPaintEvent& event);
    // Draws the centre piece repeated downwards over height pixels (never stretched).
    static void DrawCentre(wxDC& dc, const wxBitmap& centre, int x, int y, int height);

    wxTextCtrl* wrap_text_ = nullptr;
    std::vector<MessageShow*> bubbles_;
    std::int32_t layout_x_ = 0;
    std::int32_t layout_y_ = 0;
    std::int32_t spacing_ = 20;
    wxBitmap* incoming_bottom_ = nullptr;
    wxBitmap* incoming_center_ = nullptr;
    wxBitmap* incoming_top_ = nullptr;
    wxBitmap* outgoing_bottom_ = nullptr;
    wxBitmap* outgoing_center_ = nullptr;
    wxBitmap* outgoing_top_ = nullptr;

    wxDECLARE_DYNAMIC_CLASS(PvKindMessageWindow);
    wxDECLARE_EVENT_TABLE();
};
