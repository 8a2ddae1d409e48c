// The skinned buttons with a text label. PvWordButton cuts each theme image (normal, current =
// hover, pressed) into a left cap, a centre tile and a right cap and composes, for its label, a
// face as wide as left cap + label + right cap; the button takes the size of that face and the
// label is drawn over it. PvBottomWordButton (toolbar) shows a whole icon with the label centred
// underneath. Both follow the mouse by the state machine of PvButtonBase, like PvBitmapButton.
#pragma once

#include <wx/bitmap.h>
#include <wx/font.h>

#include "window/base/pv_button_base.h"

class wxDC;

// How a word button paints what lies under its face.
enum BackgroundMode {
    BACKGROUND_CUT = 0,     // the button's rectangle cut out of the source background
    BACKGROUND_TILED = 1,   // the band of the horizontally repeated source at the button's y
    BACKGROUND_COLOUR = 2,  // a plain fill in the background colour
};

class PvWordButton : public PvButtonBase {
  public:
    PvWordButton();
    ~PvWordButton() override;

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition);

    // Cuts the three looks; left and centre are the widths of the left cap and of the centre tile
    // (the right cap is the rest). normal is replaced in place by its prepared copy. Invalid
    // current or pressed images leave that look unset (it falls back to the normal face).
    virtual PvWordButton* SetBitmaps(wxBitmap& normal, int left, int centre, wxBitmap& current,
                                     wxBitmap& pressed);

    // Sets label and font, rebuilds every face and resizes the button to the normal face.
    void SetLabel(const wxString& text, const wxFont& font);
    // The same with the current window font.
    void SetLabel(const wxString& text) override;
    wxString GetLabel() const override { return label_; }

    void SetTextOffsetY(int y) { text_y_ = y; }
    int GetTextX() const { return text_x_; }
    int GetTextY() const { return text_y_; }

    // source is the parent's whole background image (shared copy); mode a BackgroundMode.
    PvWordButton* SetBackgroundBitmap(const wxBitmap& source, int mode);
    bool SetBackgroundColour(const wxColour& colour) override;

    // A copy of the composed normal face with the label drawn on it.
    wxBitmap GetLabelledBitmap();

    virtual void OnPaint(wxPaintEvent& event);

  protected:
    // Everything a paint puts on the button: background, the face of the current look, label.
    void PaintButton(wxDC& dc);

    virtual void DrawStateBitmap(wxDC& dc, const wxBitmap& face, const wxBitmap& fallback);
    virtual void DrawBackground(wxDC& dc);
    virtual void DrawLabelOnBitmap(wxBitmap& bitmap);
    virtual wxBitmap BuildStateBitmap(wxBitmap& left, wxBitmap& centre, wxBitmap& right);
    virtual void LayoutLabelX();
    virtual void LayoutLabelY();

    // A copy of image whose mask, when it has one and no alpha, is turned into alpha.
    static wxBitmap PrepareBitmap(const wxBitmap& image);
    // Fills target with tile repeated from its origin.
    static void TileBitmap(wxBitmap& target, const wxBitmap& tile);

    wxBitmap normal_bitmap_[4];   // left cap, centre tile, right cap, composed face
    wxBitmap pressed_bitmap_[4];  // the same for the pressed look
    wxBitmap current_bitmap_[4];  // the same for the hover look
    wxBitmap disabled_bitmap_;    // composed disabled face
    wxBitmap background_[2];      // source background, piece cut for the button
    wxRect background_rect_;      // the button rectangle the piece was cut for
    int background_mode_ = BACKGROUND_COLOUR;
    wxString label_;
    int text_x_ = 0;
    int text_y_ = 0;

  private:
    wxDECLARE_DYNAMIC_CLASS(PvWordButton);
    wxDECLARE_EVENT_TABLE();
};

// Toolbar button: the whole icon at the top, centred, the label centred under it.
class PvBottomWordButton : public PvWordButton {
  public:
    PvBottomWordButton() = default;

    // Stores whole images; the widths are ignored.
    PvWordButton* SetBitmaps(wxBitmap& normal, int left, int centre, wxBitmap& current,
                             wxBitmap& pressed) override;

    // Pixels between the icon and the label; takes effect at the next SetLabel.
    void SetLabelGap(int gap) { label_gap_ = gap; }

  protected:
    wxBitmap BuildStateBitmap(wxBitmap& icon, wxBitmap& unused1, wxBitmap& unused2) override;
    void LayoutLabelX() override;
    void LayoutLabelY() override;

  private:
    int label_gap_ = 0;
};
