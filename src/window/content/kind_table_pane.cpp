#include "window/content/kind_table_pane.h"

#include <wx/grid.h>

#include <vector>

#include "common/face_layout.h"
#include "domain/kind_obj.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"
#include "window/content/screen_font.h"

namespace {

// A cell value is never empty.
wxString CellText(const wxString& text) {
    return text.IsEmpty() ? wxString(wxS(" ")) : text;
}

}  // namespace

void KindTablePane::Create(wxWindow* parent) {
    const FaceRect g = GetFaceRect(wxS("/face/kindwindow/grid"));
    rect_ = wxRect(g.x, g.y, g.width, g.height);
    grid_ = new RkGrid();
    grid_->Create(parent, wxID_ANY, rect_.GetPosition(), rect_.GetSize(), wxWANTS_CHARS,
                  wxASCII_STR(wxGridNameStr));
    grid_->CreateGrid(0, 0, wxGrid::wxGridSelectCells);
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
}

void KindTablePane::SetKindColumns(std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || info->pictures) return;
    int col = 0;
    for (const KindColumn& column : info->gridColumns) {
        const wxString label = column.title[0] != '\0'
                                   ? wxGetTranslation(wxString::FromUTF8(column.title))
                                   : wxString();
        grid_->SetColumnLabel(col++, label, column.WidthIn(rect_.width));
    }
}

void KindTablePane::ShowKind(const Device& device, std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || info->pictures) return;
    const int columns = static_cast<int>(info->gridColumns.size());
    grid_->ClearRows();
    grid_->HideColumnsFrom(columns);
    SetKindColumns(kind);
    if (kind == KIND_MESSAGES) {
        grid_->SetSize(grid_->GetPosition().x, grid_->GetPosition().y, kConversationListWidth,
                       rect_.height);
    }
    const void* records = device.Slot(kind);
    const std::size_t count = info->count(records);
    std::vector<const wxString*> texts(info->textCount);
    std::vector<const wxString*> row(info->gridColumns.size());
    for (std::size_t i = 0; i < count; ++i) {
        info->texts(records, i, texts.data());
        for (std::size_t c = 0; c < row.size(); ++c) {
            const KindColumn& column = info->gridColumns[c];
            row[c] =
                column.field >= 0 ? texts[static_cast<std::size_t>(column.field)] : &column.literal;
        }
        AddTableRow(row.data(), columns);
        // Long fills show their first rows early.
        if (i % 100 == 0) grid_->ForceRefresh();
    }
}

void KindTablePane::AddTableRow(const wxString* const* texts, int count) {
    if (count <= 0) return;
    grid_->AppendRows(1, false);
    const int row = grid_->GetNumberRows() - 1;
    auto* renderer = new PvPhotoCheckCellRender();
    renderer->SetText(*texts[0]);
    renderer->SetChecked(false);
    renderer->SetCentred();
    grid_->SetCellRenderer(row, 0, renderer);
    grid_->SetReadOnly(row, 0, true);
    grid_->SetCellValue(row, 0, wxS(" "));
    const int columns = std::min(count, grid_->GetNumberCols());
    for (int i = 1; i < columns; ++i) {
        grid_->SetCellAlignment(row, i, wxALIGN_LEFT, wxALIGN_CENTRE);
        grid_->SetReadOnly(row, i, true);
        grid_->SetCellValue(row, i, CellText(*texts[i]));
    }
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
