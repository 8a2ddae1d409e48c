#include "window/base/pv_word_button.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>
#include <wx/image.h>

#include <algorithm>

#include "common/image_util.h"

namespace {

// A part of a theme image. Images with an alpha channel are cut with their alpha, so that the
// rounded corners of a cap stay transparent; the others go through the theme-image crop.
wxBitmap CutPart(const wxBitmap& source, int x, int y, int width, int height) {
    if (!source.IsOk() || width <= 0 || height <= 0) return wxNullBitmap;
    const wxRect inside = wxRect(x, y, width, height).Intersect(wxRect(source.GetSize()));
    if (inside.width != width || inside.height != height) return wxNullBitmap;
    if (source.HasAlpha()) return source.GetSubBitmap(inside);
    return ImageUtil::CropBitmap(source, x, y, width, height);
}

// A bitmap of the given size whose every pixel is fully transparent.
wxBitmap TransparentCanvas(int width, int height) {
    if (width <= 0 || height <= 0) return wxNullBitmap;
    wxImage image(width, height, true);
    image.InitAlpha();
    std::fill(image.GetAlpha(), image.GetAlpha() + static_cast<size_t>(width) * height, 0);
    return wxBitmap(image);
}

// The part of rect that lies inside source, or an empty rectangle.
wxRect ClipToSource(const wxRect& rect, const wxBitmap& source) {
    if (!source.IsOk()) return wxRect();
    return rect.Intersect(wxRect(source.GetSize()));
}

}  // namespace

// Registered with wxControl as its base: PvButtonBase has no class information of its own.
wxIMPLEMENT_DYNAMIC_CLASS(PvWordButton, wxControl);

wxBEGIN_EVENT_TABLE(PvWordButton, PvButtonBase)
    EVT_PAINT(PvWordButton::OnPaint)
wxEND_EVENT_TABLE()

PvWordButton::PvWordButton() : background_rect_(0, 0, 0, 0) {}

PvWordButton::~PvWordButton() = default;

bool PvWordButton::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos) {
    background_mode_ = BACKGROUND_COLOUR;
    text_x_ = 0;
    text_y_ = 0;
    if (!wxControl::Create(parent, id, pos, wxDefaultSize, wxBORDER_NONE, wxDefaultValidator,
                           wxControlNameStr)) {
        return false;
    }
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    return true;
}

wxBitmap PvWordButton::PrepareBitmap(const wxBitmap& image) {
    if (!image.HasAlpha() && image.GetMask() != nullptr) {
        wxImage converted = image.ConvertToImage();
        if (converted.HasMask() && !converted.HasAlpha()) {
            ImageUtil::MaskToAlpha(converted);
            return wxBitmap(converted);
        }
    }
    wxBitmap copy(image);
    return copy;
}

PvWordButton* PvWordButton::SetBitmaps(wxBitmap& normal, int left, int centre, wxBitmap& current,
                                       wxBitmap& pressed) {
    // Precondition "normal.IsOk()": without a normal image the button keeps its looks unset.
    if (!normal.IsOk()) return this;
    wxBitmap* sources[3] = {&normal, &current, &pressed};
    wxBitmap* targets[3] = {normal_bitmap_, current_bitmap_, pressed_bitmap_};
    for (int i = 0; i < 3; ++i) {
        wxBitmap& image = *sources[i];
        if (!image.IsOk()) continue;
        image = PrepareBitmap(image);
        const int width = image.GetWidth();
        const int height = image.GetHeight();
        targets[i][0] = CutPart(image, 0, 0, left, height);
        targets[i][1] = CutPart(image, left, 0, centre, height);
        targets[i][2] = CutPart(image, left + centre, 0, width - (left + centre), height);
    }
    return this;
}

void PvWordButton::SetLabel(const wxString& text) {
    SetLabel(text, GetFont());
}

void PvWordButton::SetLabel(const wxString& text, const wxFont& font) {
    label_ = text;
    SetFont(font);
    // Precondition "normal_bitmap_[0].IsOk()": no faces before the images are given.
    if (!normal_bitmap_[0].IsOk()) return;
    LayoutLabelX();
    LayoutLabelY();
    normal_bitmap_[3] = BuildStateBitmap(normal_bitmap_[0], normal_bitmap_[1], normal_bitmap_[2]);
    if (!normal_bitmap_[3].IsOk()) {
        disabled_bitmap_ = wxNullBitmap;
        current_bitmap_[3] = wxNullBitmap;
        pressed_bitmap_[3] = wxNullBitmap;
        Refresh(false);
        return;
    }
    SetSize(normal_bitmap_[3].GetSize());
    disabled_bitmap_ = wxBitmap(normal_bitmap_[3].ConvertToImage().ConvertToDisabled(100));
    if (current_bitmap_[0].IsOk()) {
        current_bitmap_[3] =
            BuildStateBitmap(current_bitmap_[0], current_bitmap_[1], current_bitmap_[2]);
    }
    if (pressed_bitmap_[0].IsOk()) {
        pressed_bitmap_[3] =
            BuildStateBitmap(pressed_bitmap_[0], pressed_bitmap_[1], pressed_bitmap_[2]);
    }
    Refresh(false);
}

void PvWordButton::TileBitmap(wxBitmap& target, const wxBitmap& tile) {
    if (!target.IsOk() || !tile.IsOk()) return;
    wxMemoryDC dc(target);
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(tile));
    dc.DrawRectangle(0, 0, target.GetWidth(), target.GetHeight());
    dc.SelectObject(wxNullBitmap);
}

wxBitmap PvWordButton::BuildStateBitmap(wxBitmap& left, wxBitmap& centre, wxBitmap& right) {
    const int tw = GetTextExtent(label_).GetWidth();
    wxBitmap dest_center;
    if (tw > 0 && centre.IsOk()) {
        dest_center = centre.HasAlpha() ? TransparentCanvas(tw, centre.GetHeight())
                                        : wxBitmap(tw, centre.GetHeight());
        TileBitmap(dest_center, centre);
    }
    // Precondition "dest_center.IsOk()": an empty label composes no face.
    if (!dest_center.IsOk() || !left.IsOk()) return wxNullBitmap;
    const int lw = left.GetWidth();
    const int rw = right.IsOk() ? right.GetWidth() : 0;
    const int width = lw + tw + rw;
    const int height = left.GetHeight();
    wxBitmap face = left.HasAlpha() ? TransparentCanvas(width, height) : wxBitmap(width, height);
    if (!face.IsOk()) return wxNullBitmap;
    wxMemoryDC dc(face);
    dc.DrawBitmap(left, 0, 0, true);
    dc.DrawBitmap(dest_center, lw, 0, true);
    if (right.IsOk()) dc.DrawBitmap(right, lw + tw, 0, true);
    dc.SelectObject(wxNullBitmap);
    return face;
}

void PvWordButton::LayoutLabelX() {
    text_x_ = normal_bitmap_[0].GetWidth();
}

void PvWordButton::LayoutLabelY() {}

PvWordButton* PvWordButton::SetBackgroundBitmap(const wxBitmap& source, int mode) {
    background_[0] = source;
    background_mode_ = mode;
    background_rect_ = wxRect(0, 0, 0, 0);
    return this;
}

bool PvWordButton::SetBackgroundColour(const wxColour& colour) {
    background_mode_ = BACKGROUND_COLOUR;
    return wxControl::SetBackgroundColour(colour);
}

wxBitmap PvWordButton::GetLabelledBitmap() {
    if (!normal_bitmap_[3].IsOk()) return wxNullBitmap;
    wxBitmap copy = normal_bitmap_[3].GetSubBitmap(wxRect(normal_bitmap_[3].GetSize()));
    DrawLabelOnBitmap(copy);
    return copy;
}

void PvWordButton::DrawLabelOnBitmap(wxBitmap& bitmap) {
    if (!bitmap.IsOk()) return;
    wxMemoryDC dc(bitmap);
    dc.SetTextForeground(GetForegroundColour());
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawText(label_, text_x_, text_y_);
    dc.SelectObject(wxNullBitmap);
}

void PvWordButton::DrawStateBitmap(wxDC& dc, const wxBitmap& face, const wxBitmap& fallback) {
    if (face.IsOk()) {
        dc.DrawBitmap(face, 0, 0, true);
    } else if (fallback.IsOk()) {
        dc.DrawBitmap(fallback, 0, 0, true);
    }
}

void PvWordButton::DrawBackground(wxDC& dc) {
    dc.SetPen(*wxTRANSPARENT_PEN);
    const wxRect rect = GetRect();
    switch (background_mode_) {
        case BACKGROUND_CUT: {
            if (rect != background_rect_) {
                background_rect_ = rect;
                const wxRect inside = ClipToSource(rect, background_[0]);
                background_[1] =
                    inside.IsEmpty() ? wxNullBitmap : background_[0].GetSubBitmap(inside);
            }
            if (background_[1].IsOk()) {
                // The piece starts where the button meets the source.
                const wxRect inside = ClipToSource(rect, background_[0]);
                dc.DrawBitmap(background_[1], inside.x - rect.x, inside.y - rect.y, true);
            }
            break;
        }
        case BACKGROUND_TILED: {
            if (!background_[0].IsOk() || rect.width <= 0) break;
            wxBitmap band(rect.width, background_[0].GetHeight());
            TileBitmap(band, background_[0]);
            const wxRect inside =
                wxRect(0, rect.y, rect.width, rect.height).Intersect(wxRect(band.GetSize()));
            if (inside.IsEmpty()) break;
            background_[1] = band.GetSubBitmap(inside);
            dc.DrawBitmap(background_[1], 0, inside.y - rect.y, true);
            break;
        }
        case BACKGROUND_COLOUR:
            dc.SetBrush(wxBrush(GetBackgroundColour(), wxBRUSHSTYLE_SOLID));
            dc.DrawRectangle(0, 0, rect.width, rect.height);
            break;
        default:
            break;
    }
}

void PvWordButton::OnPaint(wxPaintEvent&) {
    // GTK buffers every window natively; the automatic buffered context uses that buffer.
    wxAutoBufferedPaintDC dc(this);
    PaintButton(dc);
}

void PvWordButton::PaintButton(wxDC& dc) {
    DrawBackground(dc);
    switch (state_) {
        case BUTTON_HOVER:
            DrawStateBitmap(dc, current_bitmap_[3], normal_bitmap_[3]);
            break;
        case BUTTON_PRESSED:
        case BUTTON_PRESSED_ALT:
            DrawStateBitmap(dc, pressed_bitmap_[3], normal_bitmap_[3]);
            break;
        case BUTTON_DISABLED:
            DrawStateBitmap(dc, disabled_bitmap_, normal_bitmap_[3]);
            break;
        default:
            DrawStateBitmap(dc, normal_bitmap_[3], normal_bitmap_[3]);
            break;
    }
    dc.SetTextForeground(GetForegroundColour());
    dc.SetFont(GetFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    dc.DrawText(label_, text_x_, text_y_);
}

PvWordButton* PvBottomWordButton::SetBitmaps(wxBitmap& normal, int, int, wxBitmap& current,
                                             wxBitmap& pressed) {
    // Precondition "normal.IsOk()".
    if (!normal.IsOk()) return this;
    normal_bitmap_[0] = normal;
    if (current.IsOk()) current_bitmap_[0] = current;
    if (pressed.IsOk()) pressed_bitmap_[0] = pressed;
    return this;
}

void PvBottomWordButton::LayoutLabelX() {
    const int tw = GetTextExtent(label_).GetWidth();
    const int iw = normal_bitmap_[0].GetWidth();
    text_x_ = tw > iw ? 0 : (iw - tw) / 2;
}

void PvBottomWordButton::LayoutLabelY() {
    text_y_ = normal_bitmap_[0].GetHeight() + label_gap_;
}

wxBitmap PvBottomWordButton::BuildStateBitmap(wxBitmap& icon, wxBitmap&, wxBitmap&) {
    if (!icon.IsOk()) return wxNullBitmap;
    const wxSize text = GetTextExtent(label_);
    const int width = std::max(text.GetWidth(), icon.GetWidth());
    const int height = text_y_ + text.GetHeight() + 4;
    wxBitmap canvas = TransparentCanvas(width, height);
    if (!canvas.IsOk()) return wxNullBitmap;
    wxMemoryDC dc(canvas);
    dc.DrawBitmap(icon, (width - icon.GetWidth()) / 2, 0, true);
    dc.SelectObject(wxNullBitmap);
    return canvas;
}
