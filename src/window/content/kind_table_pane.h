// The kind screen's main grid: the rows of a table kind, one per record, with a check box beside
// the first text. Its columns and the texts of each row come from the kind's description.
#pragma once

#include <wx/gdicmn.h>

#include <cstdint>

class Device;
class RkGrid;
class RkGridTable;
class wxScrollWinEvent;
class wxWindow;

class KindTablePane {
  public:
    // Columns of the main grid, enough for the widest kind.
    static constexpr int kMainColumns = 10;
    // The width of the grid while a conversation is shown beside it.
    static constexpr int kConversationListWidth = 280;

    // The grid at "/face/kindwindow/grid", with kMainColumns columns labelled "." and hidden.
    void Create(wxWindow* parent);

    RkGrid* GetGrid() const { return grid_; }
    // The rectangle "/face/kindwindow/grid", which the picture grids and the conversation share.
    const wxRect& GetRect() const { return rect_; }

    // Fills the grid with the device's records of a table kind: its columns, then one row per
    // record, whose texts are read from the record when the row is drawn. Messages narrow the
    // grid so that the conversation fits beside it.
    void ShowKind(const Device& device, std::uint32_t kind);
    // Labels and widths of the kind's columns in the current language; every further column is
    // hidden. The conversation list's last column is narrowed so that the list never scrolls
    // sideways.
    void SetKindColumns(std::uint32_t kind);
    // Back to the full width after a narrowed fill.
    void RestoreMainGridSize();
    // Makes the grid repaint itself wholly while its scroll thumb is dragged (not installed by
    // default).
    void BindThumbTrackRefresh();

  private:
    void OnThumbTrack(wxScrollWinEvent& event);

    RkGrid* grid_ = nullptr;
    RkGridTable* table_ = nullptr;  // owned by the grid
    wxRect rect_;
};
