#include "window/content/kind_picture_pane.h"

#include <wx/grid.h>

#include "domain/domain_ib.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/rk_grid.h"
#include "window/content/screen_font.h"

void KindPicturePane::Create(wxWindow* parent, const wxRect& rect) {
    for (std::uint32_t kind : {KIND_CAMERA_ROLL, KIND_PHOTOS, KIND_SMS_ATTACHMENTS}) {
        auto* grid = new RkGrid();
        grid->Create(parent, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxWANTS_CHARS,
                     wxASCII_STR(wxGridNameStr));
        grid->CreateGrid(0, 0, wxGrid::wxGridSelectCells);
        grid->EnableGridLines(true);
        grid->SetRowLabelSize(32);
        grid->SetDefaultRowSize(140, false);
        grid->SetScrollLineX(1);
        grid->SetLabelFont(ScreenFont::ArialFont(9));
        grid->HideCellEditControl();
        grid->EnableEditing(true);
        grid->SetCellHighlightPenWidth(0);
        grid->EnableDragGridSize(false);
        grid->UseNativeColHeader(true);
        for (int i = 0; i < kPhotoColumns; ++i) grid->AppendColumn(wxS("."), kPhotoWidth, true);
        grid->SetColLabelSize(0);
        grid->Hide();
        grids_.push_back(Grid{kind, grid, false});
    }
}

KindPicturePane::Grid* KindPicturePane::Find(std::uint32_t kind) {
    for (Grid& g : grids_) {
        if (g.kind == kind) return &g;
    }
    return nullptr;
}

RkGrid* KindPicturePane::GetGrid(std::uint32_t kind) const {
    for (const Grid& g : grids_) {
        if (g.kind == kind) return g.grid;
    }
    return nullptr;
}

void KindPicturePane::ShowOnly(std::uint32_t kind) {
    for (Grid& g : grids_) g.grid->Show(g.kind == kind);
}

void KindPicturePane::ShowKind(Device* device, std::uint32_t kind, wxEvtHandler* target,
                               const KindJobStart& startJob) {
    Grid* g = Find(kind);
    if (g == nullptr || g->loaded) return;
    g->loaded = true;
    PhotoList* photos = device->Records<Photo>(kind);
    if (photos != nullptr && !photos->empty() &&
        CheckedPtr(photos->front())->thumbnail != nullptr) {
        // A visit earlier in the run made the thumbnails: lay them out at once, without a job.
        wxThreadEvent batch(wxEVT_THREAD, ID_THUMBNAIL_BATCH);
        batch.SetString(wxString::Format(wxS("%d:%d"), 0, static_cast<int>(photos->size()) - 1));
        auto* request = new ScanRequest();
        request->grid = g->grid;
        request->photos = photos;
        SetEventPointer(batch, request);
        LayOutBatch(batch);
        return;
    }
    auto* request = new ScanRequest();
    request->device = device;
    request->target = target;
    request->grid = g->grid;
    request->photos = photos;
    startJob(DomainIB::ThumbnailTask, request);
}

void KindPicturePane::ClearLoaded() {
    for (Grid& g : grids_) g.loaded = false;
}

void KindPicturePane::ClearRows() {
    for (Grid& g : grids_) g.grid->ClearRows();
}

void KindPicturePane::LayOutBatch(wxThreadEvent& event) {
    ScanRequest* request = GetEventPointer<ScanRequest>(event);
    if (request == nullptr) return;
    auto* grid = dynamic_cast<RkGrid*>(request->grid);
    PhotoList* photos = request->photos;
    long first = -1;
    long last = -1;
    const wxString text = event.GetString();
    const int colon = text.Find(wxS(':'));
    const bool parsed = colon != wxNOT_FOUND && text.Left(colon).ToLong(&first) &&
                        text.Mid(colon + 1).ToLong(&last);
    // Only a range inside the records is laid out; anything else adds no row.
    if (grid != nullptr && photos != nullptr && parsed && first >= 0 && last >= first &&
        static_cast<std::size_t>(last) < photos->size()) {
        const long n = last - first + 1;
        const long rest = n % kPhotoColumns;
        long index = first;
        auto addRow = [&](long cells) {
            grid->AppendRows(1, false);
            const int row = grid->GetNumberRows() - 1;
            for (long c = 0; c < cells; ++c, ++index) {
                const Photo* photo = CheckedPtr((*photos)[static_cast<std::size_t>(index)]);
                auto* renderer = new PvPhotoCheckCellRender();
                renderer->SetBitmap(photo->thumbnail);
                renderer->SetText(photo->file_name);
                const int col = static_cast<int>(c);
                grid->SetReadOnly(row, col, true);
                grid->SetCellRenderer(row, col, renderer);
                grid->SetCellValue(row, col, wxS(" "));
            }
        };
        for (long k = 0; k < n / kPhotoColumns; ++k) addRow(kPhotoColumns);
        if (rest > 0) addRow(rest);
    }
    TrackedDelete(__FILE__, __LINE__, request);
}
