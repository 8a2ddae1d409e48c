#include "window/content/kind_table_pane.h"

#include <wx/grid.h>
#include <wx/settings.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "common/face_layout.h"
#include "domain/kind_obj.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"
#include "window/content/screen_font.h"

void KindTablePane::Create(wxWindow* parent) {
    const FaceRect g = GetFaceRect(wxS("/face/kindwindow/grid"));
    rect_ = wxRect(g.x, g.y, g.width, g.height);
    grid_ = new RkGrid();
    grid_->Create(parent, wxID_ANY, rect_.GetPosition(), rect_.GetSize(), wxWANTS_CHARS,
                  wxASCII_STR(wxGridNameStr));
    table_ = new RkGridTable();
    grid_->SetTable(table_, true, wxGrid::wxGridSelectCells);
    grid_->SetSelectionMode(wxGrid::wxGridSelectRows);
    grid_->SetColLabelSize(12);
    grid_->SetRowLabelSize(0);
    grid_->SetDefaultRowSize(36, false);
    grid_->SetScrollLineX(1);
    grid_->SetLabelFont(
        ScreenFont::ArialFont(GetFaceRect(wxS("/face/kindwindow/grid-label")).height));
    grid_->HideCellEditControl();
    grid_->EnableEditing(true);
    grid_->SetCellHighlightPenWidth(0);
    grid_->EnableDragGridSize(false);
    grid_->UseNativeColHeader(true);
    for (int i = 0; i < kMainColumns; ++i) grid_->AppendColumn(wxS("."), 1, true);
    // The columns stay out of sight until a kind gives them labels and widths (the toolkit
    // would show a 1-pixel column at its least width, which is far wider).
    grid_->SetColumns({});
}

void KindTablePane::SetKindColumns(std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || info->pictures) return;
    std::vector<std::pair<wxString, int>> columns;
    for (const KindColumn& column : info->gridColumns) {
        const wxString label = column.title[0] != '\0'
                                   ? wxGetTranslation(wxString::FromUTF8(column.title))
                                   : wxString();
        columns.emplace_back(label, column.WidthIn(rect_.width));
    }
    if (kind == KIND_MESSAGES && !columns.empty()) {
        // The narrowed list never scrolls sideways: its last column takes what is left of the
        // list's width once room for the vertical scroll bar is kept.
        const int scrollBar = std::max(0, wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, grid_));
        int rest = kConversationListWidth - scrollBar;
        for (std::size_t c = 0; c + 1 < columns.size(); ++c) rest -= columns[c].second;
        columns.back().second = std::max(0, std::min(columns.back().second, rest));
    }
    grid_->SetColumns(columns);
}

void KindTablePane::ShowKind(const Device& device, std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || info->pictures) return;
    grid_->ClearRows();
    // A kind starts at its first column (the header follows the cells).
    grid_->Scroll(0, 0);
    SetKindColumns(kind);
    if (kind == KIND_MESSAGES) {
        grid_->SetSize(grid_->GetPosition().x, grid_->GetPosition().y, kConversationListWidth,
                       rect_.height);
    }
    const void* records = device.Slot(kind);
    const int count = static_cast<int>(info->count(records));
    table_->SetRows(count, [info, records](int row, int col) -> wxString {
        if (col < 0 || col >= static_cast<int>(info->gridColumns.size())) return wxString();
        const KindColumn& column = info->gridColumns[static_cast<std::size_t>(col)];
        return column.cell(records, static_cast<std::size_t>(row), wxString());
    });
    grid_->ForceRefresh();
}

void KindTablePane::RestoreMainGridSize() {
    if (grid_->GetSize().GetWidth() != rect_.width)
        grid_->SetSize(grid_->GetPosition().x, grid_->GetPosition().y, rect_.width, rect_.height);
}

void KindTablePane::BindThumbTrackRefresh() {
    grid_->Bind(wxEVT_SCROLLWIN_THUMBTRACK, &KindTablePane::OnThumbTrack, this);
}

void KindTablePane::OnThumbTrack(wxScrollWinEvent& event) {
    grid_->ForceRefresh();
    event.Skip();
}
