#include "window/base/rk_grid_table.h"

#include <algorithm>

RkGridTable::RkGridTable() {
    check_attr_ = new wxGridCellAttr();
    check_attr_->SetRenderer(new RkGridCheckRenderer());
    check_attr_->SetReadOnly(true);
    text_attr_ = new wxGridCellAttr();
    text_attr_->SetAlignment(wxALIGN_LEFT, wxALIGN_CENTRE);
    text_attr_->SetReadOnly(true);
}

RkGridTable::~RkGridTable() {
    check_attr_->DecRef();
    text_attr_->DecRef();
}

void RkGridTable::Notify(int message, int pos, int count) {
    if (GetView() == nullptr || count <= 0) return;
    wxGridTableMessage m(this, message, pos, count);
    GetView()->ProcessTableMessage(m);
}

void RkGridTable::SetRows(int rows, CellText text) {
    const int old = rows_;
    rows_ = 0;
    checked_.clear();
    Notify(wxGRIDTABLE_NOTIFY_ROWS_DELETED, 0, old);
    text_ = std::move(text);
    rows_ = std::max(rows, 0);
    checked_.assign(static_cast<std::size_t>(rows_), 0);
    Notify(wxGRIDTABLE_NOTIFY_ROWS_APPENDED, rows_, rows_);
}

wxString RkGridTable::GetText(int row, int col) const {
    if (!text_ || row < 0 || row >= rows_ || col < 0 || col >= static_cast<int>(labels_.size()))
        return wxString();
    return text_(row, col);
}

bool RkGridTable::IsChecked(int row) const {
    return row >= 0 && row < rows_ && checked_[static_cast<std::size_t>(row)] != 0;
}

void RkGridTable::SetChecked(int row, bool checked) {
    if (row >= 0 && row < rows_) checked_[static_cast<std::size_t>(row)] = checked ? 1 : 0;
}

void RkGridTable::Toggle(int row) {
    SetChecked(row, !IsChecked(row));
}

void RkGridTable::SetAllChecked(bool checked) {
    std::fill(checked_.begin(), checked_.end(), checked ? 1 : 0);
}

std::vector<int> RkGridTable::GetCheckedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < rows_; ++row)
        if (checked_[static_cast<std::size_t>(row)] != 0) rows.push_back(row);
    return rows;
}

int RkGridTable::GetNumberRows() {
    return rows_;
}

int RkGridTable::GetNumberCols() {
    return static_cast<int>(labels_.size());
}

wxString RkGridTable::GetValue(int row, int col) {
    if (col == 0) return wxS(" ");
    const wxString text = GetText(row, col);
    return text.empty() ? wxString(wxS(" ")) : text;
}

void RkGridTable::SetValue(int, int, const wxString&) {}

bool RkGridTable::IsEmptyCell(int, int) {
    return false;
}

void RkGridTable::Clear() {
    SetRows(0, CellText());
}

bool RkGridTable::DeleteRows(size_t pos, size_t numRows) {
    const auto rows = static_cast<size_t>(rows_);
    if (numRows == 0 || pos > rows || numRows > rows - pos) return false;
    if (pos != 0 && pos + numRows != rows) return false;
    if (pos == 0 && numRows == rows) {
        Clear();
        return true;
    }
    rows_ = static_cast<int>(pos);
    checked_.resize(pos);
    Notify(wxGRIDTABLE_NOTIFY_ROWS_DELETED, static_cast<int>(pos), static_cast<int>(numRows));
    return true;
}

bool RkGridTable::AppendCols(size_t numCols) {
    labels_.resize(labels_.size() + numCols);
    Notify(wxGRIDTABLE_NOTIFY_COLS_APPENDED, static_cast<int>(numCols), static_cast<int>(numCols));
    return true;
}

bool RkGridTable::InsertCols(size_t pos, size_t numCols) {
    if (pos > labels_.size()) return false;
    labels_.insert(labels_.begin() + static_cast<std::ptrdiff_t>(pos), numCols, wxString());
    Notify(wxGRIDTABLE_NOTIFY_COLS_INSERTED, static_cast<int>(pos), static_cast<int>(numCols));
    return true;
}

bool RkGridTable::DeleteCols(size_t pos, size_t numCols) {
    if (pos > labels_.size() || numCols > labels_.size() - pos) return false;
    const auto first = labels_.begin() + static_cast<std::ptrdiff_t>(pos);
    labels_.erase(first, first + static_cast<std::ptrdiff_t>(numCols));
    Notify(wxGRIDTABLE_NOTIFY_COLS_DELETED, static_cast<int>(pos), static_cast<int>(numCols));
    return true;
}

wxString RkGridTable::GetColLabelValue(int col) {
    if (col < 0 || col >= static_cast<int>(labels_.size())) return wxString();
    return labels_[static_cast<std::size_t>(col)];
}

void RkGridTable::SetColLabelValue(int col, const wxString& label) {
    if (col >= 0 && col < static_cast<int>(labels_.size()))
        labels_[static_cast<std::size_t>(col)] = label;
}

bool RkGridTable::CanHaveAttributes() {
    return true;
}

wxGridCellAttr* RkGridTable::GetAttr(int, int col, wxGridCellAttr::wxAttrKind) {
    wxGridCellAttr* attr = col == 0 ? check_attr_ : text_attr_;
    attr->IncRef();
    return attr;
}

RkGridCheckRenderer::RkGridCheckRenderer() {
    SetCentred();
}

void RkGridCheckRenderer::Draw(wxGrid& grid, wxGridCellAttr& attr, wxDC& dc, const wxRect& rect,
                               int row, int col, bool isSelected) {
    auto* table = dynamic_cast<RkGridTable*>(grid.GetTable());
    if (table != nullptr) {
        SetText(table->GetText(row, 0));
        SetChecked(table->IsChecked(row));
    }
    PvPhotoCheckCellRender::Draw(grid, attr, dc, rect, row, col, isSelected);
}

wxGridCellRenderer* RkGridCheckRenderer::Clone() const {
    return new RkGridCheckRenderer();
}
