#include "window/content/pv_kind_message_window.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>

#include <algorithm>

#include "common/image_util.h"
#include "window/content/text_line_breaker.h"

wxIMPLEMENT_DYNAMIC_CLASS(PvKindMessageWindow, wxWindow);

wxBEGIN_EVENT_TABLE(PvKindMessageWindow, wxScrolled<wxWindow>)
    EVT_PAINT(PvKindMessageWindow::OnPaint)
    EVT_LEFT_DOWN(PvKindMessageWindow::OnLeftDown)
    EVT_MOUSEWHEEL(PvKindMessageWindow::OnMouseWheel)
wxEND_EVENT_TABLE()

namespace {
// A bubble image; an image that cannot be loaded becomes an invalid bitmap, which fails its
// check and is not drawn.
wxBitmap* LoadBubbleImage(const char* name) {
    wxBitmap* bitmap = ImageUtil::LoadThemeBitmap(wxString::FromUTF8(name), wxBITMAP_TYPE_PNG);
    return bitmap != nullptr ? bitmap : new wxBitmap();
}

int HeightOf(const wxBitmap* bitmap) {
    return bitmap != nullptr && bitmap->IsOk() ? bitmap->GetHeight() : 0;
}

}  // namespace

PvKindMessageWindow::PvKindMessageWindow() = default;

PvKindMessageWindow::PvKindMessageWindow(wxWindow* parent, wxWindowID id, const wxPoint& pos,
                                         const wxSize& size) {
    Create(parent, id, pos, size, wxHSCROLL | wxVSCROLL, wxASCII_STR(wxPanelNameStr));
    // One vertical scroll step is one line of text with its spacing, so that the wheel moves
    // the conversation by a few lines a notch; the keys scroll by line, page and to either end.
    SetScrollRate(1, std::max(1, GetCharHeight() + kLineSpacing));
    SetVirtualSize(400, 800);
    SetBackgroundColour(*wxWHITE);
    ShowScrollbars(wxSHOW_SB_NEVER, wxSHOW_SB_DEFAULT);

    incoming_bottom_ = LoadBubbleImage("image/content/message/incoming_bottom.png");
    incoming_center_ = LoadBubbleImage("image/content/message/incoming_center.png");
    incoming_top_ = LoadBubbleImage("image/content/message/incoming_top.png");
    outgoing_bottom_ = LoadBubbleImage("image/content/message/outgoing_bottom.png");
    outgoing_center_ = LoadBubbleImage("image/content/message/outgoing_center.png");
    outgoing_top_ = LoadBubbleImage("image/content/message/outgoing_top.png");

    // A missing bubble image is reported here; the view goes on and leaves that piece out when
    // it paints.
    wxASSERT(incoming_bottom_->IsOk());
    wxASSERT(incoming_center_->IsOk());
    wxASSERT(incoming_top_->IsOk());
    wxASSERT(outgoing_bottom_->IsOk());
    wxASSERT(outgoing_center_->IsOk());
    wxASSERT(outgoing_top_->IsOk());

    spacing_ = 20;
    ResetLayout();
}

PvKindMessageWindow::~PvKindMessageWindow() {
    Clear();
    TrackedDelete(__FILE__, __LINE__, incoming_bottom_);
    TrackedDelete(__FILE__, __LINE__, incoming_center_);
    TrackedDelete(__FILE__, __LINE__, incoming_top_);
    TrackedDelete(__FILE__, __LINE__, outgoing_bottom_);
    TrackedDelete(__FILE__, __LINE__, outgoing_center_);
    TrackedDelete(__FILE__, __LINE__, outgoing_top_);
}

void PvKindMessageWindow::Clear() {
    for (MessageShow*& bubble : bubbles_) TrackedDelete(__FILE__, __LINE__, bubble);
    bubbles_.clear();
}

void PvKindMessageWindow::ResetLayout() {
    layout_y_ = spacing_;
}

void PvKindMessageWindow::LayoutBubble(MessageShow* bubble) {
    MessageShow* b = CheckedPtr(bubble);
    if (b->type != 0) {
        layout_x_ = 120;
        b->textIndent = 10;
        b->topBitmap = outgoing_top_;
        b->centreBitmap = outgoing_center_;
        b->bottomBitmap = outgoing_bottom_;
    } else {
        layout_x_ = 2;
        b->textIndent = 22;
        b->topBitmap = incoming_top_;
        b->centreBitmap = incoming_center_;
        b->bottomBitmap = incoming_bottom_;
    }
}

wxArrayString PvKindMessageWindow::WrapLines(const wxString& text) {
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    TextLineBreaker breaker(dc, kWrapWidth);
    return breaker.Break(text);
}

void PvKindMessageWindow::ShowConversation(Sms* conversation) {
    Clear();
    ResetLayout();
    // One measuring context for the whole conversation; its word widths are kept meanwhile.
    wxClientDC dc(this);
    dc.SetFont(GetFont());
    TextLineBreaker breaker(dc, kWrapWidth);
    const std::size_t count = CheckedPtr(conversation)->messages.size();
    bubbles_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Message* message = CheckedPtr(conversation)->messages[i];
        if (message == nullptr) continue;
        int lineHeight = 0;
        wxArrayString lines = breaker.Break(message->text, &lineHeight);

        MessageShow* b = new MessageShow();
        bubbles_.push_back(b);
        b->type = static_cast<std::uint32_t>(message->type & 0xFFFFFFFFu);
        LayoutBubble(b);
        b->dateText = message->date;

        b->bubbleX = layout_x_;
        b->bubbleY = layout_y_;
        b->centreX = b->bubbleX;
        b->centreY = b->bubbleY + HeightOf(b->topBitmap);

        b->lineSpacing = kLineSpacing;
        b->topMargin = 10;
        // The height of the whole text as one line in the view's font.
        b->lineHeight = lineHeight;

        const int n = static_cast<int>(lines.size());
        b->lines.swap(lines);
        const int h = b->topMargin + n * (b->lineSpacing + b->lineHeight);
        b->centreHeight = h;
        b->bottomX = b->bubbleX;
        b->bottomY = b->centreY + h;
        layout_y_ = b->bottomY + HeightOf(b->bottomBitmap) + spacing_;
    }
    SetVirtualSize(400, layout_y_ + 100);
    Refresh(true);
}

int PvKindMessageWindow::BubbleEnd(const MessageShow* bubble) {
    return bubble->bottomY + HeightOf(bubble->bottomBitmap);
}

std::pair<std::size_t, std::size_t> PvKindMessageWindow::BubblesBetween(int top, int bottom) const {
    // Bubbles lie one below the other in message order, so both ends grow with the index.
    const auto first = std::partition_point(
        bubbles_.begin(), bubbles_.end(),
        [top](const MessageShow* b) { return BubbleEnd(CheckedPtr(b)) <= top; });
    const auto last = std::partition_point(first, bubbles_.end(), [bottom](const MessageShow* b) {
        return CheckedPtr(b)->bubbleY < bottom;
    });
    return {static_cast<std::size_t>(first - bubbles_.begin()),
            static_cast<std::size_t>(last - bubbles_.begin())};
}

void PvKindMessageWindow::DrawCentre(wxDC& dc, const wxBitmap& centre, int x, int y, int height) {
    if (!centre.IsOk() || height <= 0) return;
    const int ch = centre.GetHeight();
    const int cw = centre.GetWidth();
    if (ch <= 0 || cw <= 0) return;
    wxMemoryDC source;
    source.SelectObjectAsSource(centre);
    const int whole = height / ch;
    for (int k = 0; k < whole; ++k) dc.Blit(x, y + k * ch, cw, ch, &source, 0, 0, wxCOPY, true);
    const int rest = height % ch;
    if (rest > 0) dc.Blit(x, y + whole * ch, cw, rest, &source, 0, 0, wxCOPY, true);
    source.SelectObject(wxNullBitmap);
}

void PvKindMessageWindow::OnLeftDown(wxMouseEvent& event) {
    // A click gives the view the keyboard, so that the keys scroll it.
    SetFocus();
    event.Skip();
}

void PvKindMessageWindow::OnMouseWheel(wxMouseEvent& event) {
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() <= 0) {
        event.Skip();
        return;
    }
    // A notch moves the lines per action that the system sets (or a page), one scroll step
    // being one line of text.
    wheel_rotation_ += event.GetWheelRotation();
    const int notches = wheel_rotation_ / event.GetWheelDelta();
    wheel_rotation_ -= notches * event.GetWheelDelta();
    if (notches == 0) return;
    const int steps = event.IsPageScroll() ? notches * std::max(1, GetScrollPageSize(wxVERTICAL))
                                           : notches * event.GetLinesPerAction();
    int x = 0, y = 0;
    GetViewStart(&x, &y);
    Scroll(-1, std::max(0, y - steps));
}

void PvKindMessageWindow::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    DoPrepareDC(dc);
    // Only the bubbles that meet the area to repaint are drawn.
    const wxRect box = GetUpdateRegion().GetBox();
    const wxPoint origin = CalcUnscrolledPosition(box.GetTopLeft());
    painted_ = BubblesBetween(origin.y, origin.y + box.height);
    for (std::size_t i = painted_.first; i < painted_.second; ++i) {
        const MessageShow* b = CheckedPtr(bubbles_[i]);
        if (b->topBitmap != nullptr && b->topBitmap->IsOk())
            dc.DrawBitmap(*b->topBitmap, b->bubbleX, b->bubbleY, true);
        dc.DrawText(b->dateText, b->bubbleX + b->textIndent, b->bubbleY + 2);
        if (b->centreBitmap != nullptr)
            DrawCentre(dc, *b->centreBitmap, b->centreX, b->centreY, b->centreHeight);
        int y = b->centreY + b->topMargin;
        for (const wxString& line : b->lines) {
            dc.DrawText(line, b->centreX + b->textIndent, y);
            y += b->lineHeight + b->lineSpacing;
        }
        if (b->bottomBitmap != nullptr && b->bottomBitmap->IsOk())
            dc.DrawBitmap(*b->bottomBitmap, b->bottomX, b->bottomY, false);
    }
}
