#include "window/content/kind_table_pane.h"

#include <wx/grid.h>

#include <array>

#include "common/face_layout.h"
#include "domain/kind_obj.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"
#include "window/content/screen_font.h"

namespace {

// The most texts a record of any kind has.
constexpr std::size_t kMaxTexts = 16;

}  // namespace

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
    const int count = static_cast<int>(info->count(records));
    if (info->textCount > kMaxTexts) return;
    table_->SetRows(count, [info, records](int row, int col) -> wxString {
        if (col < 0 || col >= static_cast<int>(info->gridColumns.size())) return wxString();
        const KindColumn& column = info->gridColumns[static_cast<std::size_t>(col)];
        if (column.field < 0) return column.literal;
        std::array<const wxString*, kMaxTexts> texts{};
        info->texts(records, static_cast<std::size_t>(row), texts.data());
        const wxString* text = texts[static_cast<std::size_t>(column.field)];
        return text != nullptr ? *text : wxString();
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
