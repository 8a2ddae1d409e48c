#include "window/content/pv_kind_message_window.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/textctrl.h>
#include <wx/textwrapper.h>

#include "common/image_util.h"

wxIMPLEMENT_DYNAMIC_CLASS(PvKindMessageWindow, wxWindow);

wxBEGIN_EVENT_TABLE(PvKindMessageWindow, wxScrolled<wxWindow>)
    EVT_PAINT(PvKindMessageWindow::OnPaint)
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
    SetScrollRate(1, 1);
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

    wrap_text_ = new wxTextCtrl(this, wxID_ANY, wxS(".."), wxPoint(180, 10), wxSize(180, 70),
                                wxTE_MULTILINE);
    wrap_text_->Hide();
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

namespace {

class LineCollector : public wxTextWrapper {
  public:
    wxArrayString lines;

  protected:
    void OnOutputLine(const wxString& line) override { lines.Add(line); }
};

}  // namespace

wxArrayString PvKindMessageWindow::WrapLines(const wxString& text) const {
    // The field shows the text's own line breaks; a carriage return before one is not a line
    // of its own.
    wxString plain = text;
    plain.Replace(wxS("\r\n"), wxS("\n"));
    plain.Replace(wxS("\r"), wxS("\n"));
    LineCollector collector;
    wxWindow* measure = wrap_text_ != nullptr ? static_cast<wxWindow*>(wrap_text_)
                                              : const_cast<PvKindMessageWindow*>(this);
    const int width = wrap_text_ != nullptr ? wrap_text_->GetSize().GetWidth() : 180;
    collector.Wrap(measure, plain, width);
    if (collector.lines.IsEmpty()) collector.lines.Add(wxString());
    return collector.lines;
}

void PvKindMessageWindow::ShowConversation(Sms* conversation) {
    Clear();
    ResetLayout();
    const std::size_t count = CheckedPtr(conversation)->messages.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Message* message = CheckedPtr(conversation)->messages[i];
        if (message == nullptr) continue;
        if (wrap_text_ != nullptr) wrap_text_->ChangeValue(message->text);
        const wxArrayString lines = WrapLines(message->text);

        MessageShow* b = new MessageShow();
        bubbles_.push_back(b);
        b->type = static_cast<std::uint32_t>(message->type & 0xFFFFFFFFu);
        LayoutBubble(b);
        b->dateText = message->date;

        b->bubbleX = layout_x_;
        b->bubbleY = layout_y_;
        b->centreX = b->bubbleX;
        b->centreY = b->bubbleY + HeightOf(b->topBitmap);

        b->lineSpacing = 6;
        b->topMargin = 10;
        // The height of one line in the view's font; the text's own line breaks would make the
        // measure span several lines, so they count as blanks here.
        wxString oneLine = message->text;
        oneLine.Replace(wxS("\n"), wxS(" "));
        oneLine.Replace(wxS("\r"), wxS(" "));
        int lineHeight = GetTextExtent(oneLine.IsEmpty() ? wxString(wxS(" ")) : oneLine).y;
        if (lineHeight <= 0) lineHeight = GetCharHeight();
        b->lineHeight = lineHeight;

        int h = b->topMargin;
        for (const wxString& line : lines) {
            b->lines.Add(line);
            h += b->lineSpacing + b->lineHeight;
        }
        b->centreHeight = h;
        b->bottomX = b->bubbleX;
        b->bottomY = b->centreY + h;
        layout_y_ = b->bottomY + HeightOf(b->bottomBitmap) + spacing_;
    }
    SetVirtualSize(400, layout_y_ + 100);
    Refresh(true);
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

void PvKindMessageWindow::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    DoPrepareDC(dc);
    for (const MessageShow* bubble : bubbles_) {
        const MessageShow* b = CheckedPtr(bubble);
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
