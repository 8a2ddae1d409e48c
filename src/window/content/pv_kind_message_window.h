// The conversation view of the kind screen: one SMS conversation as chat bubbles, received
// messages on the left, sent ones on the right, each with its date on top and its text broken
// into lines. Every bubble is laid out once into a MessageShow record when the conversation is
// shown, measured with a device context; painting draws only the records that meet the area to
// repaint.
#pragma once

#include <wx/scrolwin.h>
#include <wx/window.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "domain/kind_obj.h"

class wxBitmap;
class wxDC;
class wxMouseEvent;
class wxPaintEvent;

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

    // The lines into which a text breaks in the view's font: at words, to the wrapping width
    // (a word wider than that at characters), keeping the text's own line breaks; at least one
    // line.
    wxArrayString WrapLines(const wxString& text);

    // The bubbles whose rectangle from the top of the top piece to the end of the bottom piece
    // meets the rows top to bottom - 1 (unscrolled coordinates): [first, last) of GetBubbles().
    std::pair<std::size_t, std::size_t> BubblesBetween(int top, int bottom) const;
    // The bubbles that the last paint drew, as [first, last).
    std::pair<std::size_t, std::size_t> GetPaintedBubbles() const { return painted_; }

    // Width at which texts break into lines, and the space between two lines of a bubble.
    static constexpr int kWrapWidth = 180;
    static constexpr int kLineSpacing = 6;

  private:
    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMouseWheel(wxMouseEvent& event);
    // The end (exclusive) of a bubble's bottom piece.
    static int BubbleEnd(const MessageShow* bubble);
    // Draws the centre piece repeated downwards over height pixels (never stretched).
    static void DrawCentre(wxDC& dc, const wxBitmap& centre, int x, int y, int height);

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
    std::pair<std::size_t, std::size_t> painted_{0, 0};
    int wheel_rotation_ = 0;  // wheel turn not yet scrolled (below one notch)

    wxDECLARE_DYNAMIC_CLASS(PvKindMessageWindow);
    wxDECLARE_EVENT_TABLE();
};
