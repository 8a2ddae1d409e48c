#include "window/content/kind_recovery.h"

#include <wx/event.h>
#include <wx/grid.h>
#include <wx/intl.h>

#include <string>

#include "domain/domain_export.h"
#include "domain/export_destination.h"
#include "domain/export_outcome.h"
#include "domain/kind_obj.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"
#include "window/base/rk_grid_table.h"
#include "window/content/kind_picture_pane.h"
#include "window/content/screen_prompt.h"

namespace {

constexpr int kPhotoColumns = KindPicturePane::kPhotoColumns;

PvPhotoCheckCellRender* CheckRenderer(RkGrid* grid, int row, int col) {
    if (grid == nullptr || row < 0 || col < 0 || row >= grid->GetNumberRows() ||
        col >= grid->GetNumberCols())
        return nullptr;
    return dynamic_cast<PvPhotoCheckCellRender*>(grid->PeekCellRenderer(row, col));
}

// Toggles the check of a cell and redraws it. A table of record rows keeps the checks of its rows.
void ToggleCheck(RkGrid* grid, int row, int col) {
    RkGridTable* table = grid != nullptr ? grid->GetRowTable() : nullptr;
    if (table != nullptr) {
        if (col != 0 || row < 0 || row >= table->GetNumberRows()) return;
        table->Toggle(row);
        grid->RefreshCell(row, col);
        return;
    }
    PvPhotoCheckCellRender* renderer = CheckRenderer(grid, row, col);
    if (renderer == nullptr) return;
    renderer->Toggle();
    grid->RefreshCell(row, col);
}

}  // namespace

bool KindRecovery::IsPictureKind() const {
    const KindInfo* info = FindKind(view_.kind);
    return view_.shown && info != nullptr && info->pictures;
}

void KindRecovery::OnGridCellClick(wxGridEvent& event) {
    if (event.GetCol() == 0)
        ToggleCheck(dynamic_cast<RkGrid*>(event.GetEventObject()), event.GetRow(), 0);
    event.Skip();
}

void KindRecovery::OnPhotoCellClick(wxGridEvent& event) {
    ToggleCheck(dynamic_cast<RkGrid*>(event.GetEventObject()), event.GetRow(), event.GetCol());
    event.Skip();
}

void KindRecovery::SetPhotoChecks(int rows, int lastIndex, bool checked) {
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < kPhotoColumns; ++col) {
            if (row * kPhotoColumns + col > lastIndex) return;
            PvPhotoCheckCellRender* renderer = CheckRenderer(view_.grid, row, col);
            if (renderer != nullptr) renderer->SetChecked(checked);
        }
    }
}

void KindRecovery::GetCheckedPhotos(int rows, int lastIndex, std::vector<std::int32_t>& out) const {
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < kPhotoColumns; ++col) {
            const int index = row * kPhotoColumns + col;
            if (index > lastIndex) return;
            PvPhotoCheckCellRender* renderer = CheckRenderer(view_.grid, row, col);
            if (renderer != nullptr && renderer->IsChecked()) out.push_back(index);
        }
    }
}

RkGrid* KindRecovery::GetCheckedItems(std::vector<std::int32_t>& checked) const {
    if (!view_.shown || view_.grid == nullptr) return view_.grid;
    const int count = static_cast<int>(KindRecordCount(view_.kind, view_.items));
    if (IsPictureKind()) {
        GetCheckedPhotos(view_.grid->GetNumberRows(), count - 1, checked);
    } else {
        // Rows beyond the kind's records (none are expected) are never handed to the export.
        const int rows = std::min(view_.grid->GetNumberRows(), count);
        if (RkGridTable* table = view_.grid->GetRowTable()) {
            for (int row : table->GetCheckedRows())
                if (row < rows) checked.push_back(row);
            return view_.grid;
        }
        for (int row = 0; row < rows; ++row) {
            PvPhotoCheckCellRender* renderer = CheckRenderer(view_.grid, row, 0);
            if (renderer != nullptr && renderer->IsChecked()) checked.push_back(row);
        }
    }
    return view_.grid;
}

void KindRecovery::CheckAll(bool state) {
    if (!view_.shown || view_.grid == nullptr) return;
    if (IsPictureKind()) {
        const int count = static_cast<int>(KindRecordCount(view_.kind, view_.items));
        SetPhotoChecks(view_.grid->GetNumberRows(), count - 1, state);
    } else if (RkGridTable* table = view_.grid->GetRowTable()) {
        table->SetAllChecked(state);
    } else {
        for (int row = 0; row < view_.grid->GetNumberRows(); ++row) {
            PvPhotoCheckCellRender* renderer = CheckRenderer(view_.grid, row, 0);
            if (renderer != nullptr) renderer->SetChecked(state);
        }
    }
    view_.grid->Refresh(false);
}

void KindRecovery::Recover(wxWindow* parent, wxEvtHandler* target, const KindJobStart& startJob) {
    auto* request = new RecoverRequest();
    request->target = target;
    request->kind = view_.kind;
    request->items = view_.items;
    RkGrid* grid = GetCheckedItems(request->checked);
    if (request->checked.empty()) {
        ScreenPrompt::ShowMessage(_("No item selected!"));
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    std::string folder;
    if (!ScreenPrompt::ChooseFolder(parent, _("Select a output folder"), &folder)) {
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    // Said before anything is made: not even the folder itself is created in a backup.
    std::string backup;
    bool root = false;
    if (!ExportDestination::MayWriteInto(folder, &backup, &root)) {
        ScreenPrompt::ShowMessage(ExportDestination::DescribeRefusal(folder, backup, root));
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    std::string reason;
    if (!ExportOutcome::MakeFolder(folder, &reason)) {
        ScreenPrompt::ShowMessage(
            ExportOutcome::DescribeFolderFailure(ExportOutcome::DisplayPath(folder), reason));
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    request->SetFolder(folder);
    request->grid = grid;
    startJob(DomainExport::ExportTask, request);
}

void KindRecovery::Report(const wxThreadEvent& done) {
    // The export task sends its done event with the outcome, always.
    ScreenPrompt::ShowMessage(done.GetPayload<ExportOutcome>().Describe());
}
