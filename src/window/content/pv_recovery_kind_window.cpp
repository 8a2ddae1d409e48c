#include "window/content/pv_recovery_kind_window.h"

#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/gauge.h>
#include <wx/grid.h>

#include "common/face_layout.h"
#include "common/image_util.h"
#include "common/task_thread.h"
#include "domain/domain_ib.h"
#include "window/base/gauge_look.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/content/kind_job_relay.h"
#include "window/content/screen_font.h"

wxIMPLEMENT_DYNAMIC_CLASS(PvRecoveryKindWindow, wxControl);

// clang-format off
wxBEGIN_EVENT_TABLE(PvRecoveryKindWindow, wxControl)
    EVT_PAINT(PvRecoveryKindWindow::OnPaint)
    EVT_BUTTON(PvRecoveryKindWindow::ID_BACK, PvRecoveryKindWindow::OnBackClicked)
    EVT_BUTTON(PvRecoveryKindWindow::ID_RECOVER, PvRecoveryKindWindow::OnRecoverClicked)
    wxDECLARE_EVENT_TABLE_ENTRY(wxEVT_THREAD, KIND_CALL_HISTORY, KIND_PHOTOS,
                                wxThreadEventHandler(PvRecoveryKindWindow::OnKindLoaded), NULL),
    EVT_THREAD(ID_THUMBNAIL_BATCH, PvRecoveryKindWindow::OnThumbnailBatch)
    EVT_THREAD(ID_THUMBNAILS_DONE, PvRecoveryKindWindow::OnThumbnailsDone)
    EVT_THREAD(ID_RECOVER_DONE, PvRecoveryKindWindow::OnRecoverDone)
    EVT_TREE_SEL_CHANGED(PvRecoveryKindWindow::ID_KIND_TREE, PvRecoveryKindWindow::OnTreeSelChanged)
    EVT_CHECKBOX(PvRecoveryKindWindow::ID_CHECK_ALL, PvRecoveryKindWindow::OnCheckAll)
wxEND_EVENT_TABLE()
// clang-format on

PvRecoveryKindWindow::PvRecoveryKindWindow() = default;

PvRecoveryKindWindow::~PvRecoveryKindWindow() {
    // Workers still running report to the relay, which now drops what they send.
    if (relay != nullptr) relay->Detach();
}

bool PvRecoveryKindWindow::Create(wxBitmap* background, wxWindow* parent, wxWindowID id,
                                  const wxPoint& pos, const wxSize& size, long /*style*/,
                                  const wxValidator& validator) {
    backgroundBitmap = background;
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE, validator,
                           wxASCII_STR(wxControlNameStr)))
        return false;
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    relay = new KindJobRelay(GetEventHandler());

    table.Create(this);
    const wxRect& gridRect = table.GetRect();
    table.GetGrid()->Bind(wxEVT_GRID_SELECT_CELL, [this](wxGridEvent& event) {
        if (device != nullptr && tree.GetTree()->GetSelection() == tree.GetItem(KIND_MESSAGES))
            conversation.ShowRow(*device, event.GetRow());
        event.Skip();
    });
    table.GetGrid()->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &KindRecovery::OnGridCellClick, &recovery);

    pictures.Create(this, gridRect);
    for (std::uint32_t kind : {KIND_CAMERA_ROLL, KIND_PHOTOS, KIND_SMS_ATTACHMENTS}) {
        pictures.GetGrid(kind)->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &KindRecovery::OnPhotoCellClick,
                                     &recovery);
    }

    checkAllBox =
        new wxCheckBox(this, ID_CHECK_ALL, wxS(".."),
                       wxPoint(gridRect.x + 4, gridRect.y + gridRect.height + 2), wxDefaultSize, 0);
    checkAllBox->SetBackgroundColour(*wxWHITE);
    checkAllBox->SetForegroundColour(*wxBLACK);

    conversation.Create(this, gridRect, KindTablePane::kConversationListWidth);

    const FaceRect g = GetFaceRect(wxS("/face/kindwindow/gauge"));
    gauge = new wxGauge(this, wxID_ANY, 100, wxPoint(g.x, g.y), wxSize(g.width, g.height),
                        wxBORDER_NONE | wxGA_HORIZONTAL);
    GaugeLook::FillHeight(gauge);

    CreateButtons();
    tree.Create(this, ID_KIND_TREE);
    SetTexts(true);
    return true;
}

void PvRecoveryKindWindow::CreateButtons() {
    const FaceRect backAt = GetFaceRect(wxS("/face/kindwindow/back-button"));
    const FaceRect recoverAt = GetFaceRect(wxS("/face/kindwindow/recover-button"));
    const FaceRect crop = GetFaceRect(wxS("/face/base-button/big-button-crop"));
    const wxColour labelColour = ScreenFont::FaceColour("/face/base-button/big-button-crop/colour");
    const int offsetY = GetFaceRect(wxS("/face/base-button/big-button-crop/offsety")).y;
    const wxBitmap normal =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-normal.png"), wxBITMAP_TYPE_PNG);
    const wxBitmap current =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-current.png"), wxBITMAP_TYPE_PNG);
    const wxBitmap pressed =
        ImageUtil::GetThemeBitmap(wxS("image/base/big-pressed.png"), wxBITMAP_TYPE_PNG);
    struct ButtonPlace {
        PvWordButton** button;
        int id;
        FaceRect at;
    };
    for (const ButtonPlace& place : {ButtonPlace{&backButton, ID_BACK, backAt},
                                     ButtonPlace{&recoverButton, ID_RECOVER, recoverAt}}) {
        auto* button = new PvWordButton();
        *place.button = button;
        button->Create(this, place.id, wxPoint(place.at.x, place.at.y));
        // The button keeps prepared copies; each gets its own.
        wxBitmap n = normal;
        wxBitmap c = current;
        wxBitmap p = pressed;
        button->SetBitmaps(n, crop.x, crop.width, c, p);
        if (backgroundBitmap != nullptr)
            button->SetBackgroundBitmap(*backgroundBitmap, BACKGROUND_CUT);
        button->SetForegroundColour(labelColour);
        button->SetTextOffsetY(offsetY);
    }
    recoverButton->Bind(wxEVT_SIZE, &PvRecoveryKindWindow::OnRecoverButtonSize, this);
}

void PvRecoveryKindWindow::SetTexts(bool reset) {
    const wxFont font = ScreenFont::ButtonFont();
    backButton->SetLabel(_("Back"), font);
    recoverButton->SetLabel(_("Recover"), font);
    checkAllBox->SetLabel(_("Check All"));
    checkAllBox->SetSize(checkAllBox->GetBestSize());
    // A hidden screen gets no size events from the toolkit: lay the row out now as well.
    LayoutBottomRow();
    if (reset) {
        tree.ResetKindLabels();
        return;
    }
    tree.TranslateLabels();
    // The shown table kind's column titles follow the language; its rows stay.
    const KindInfo* selected = FindKind(static_cast<std::uint32_t>(tree.KindOf(selectedItem)));
    if (selected != nullptr && !selected->pictures) table.SetKindColumns(selected->kind);
}

void PvRecoveryKindWindow::UpdateLanguage() {
    SetTexts(false);
    Refresh(true);
    wxWindow::Update();
}

void PvRecoveryKindWindow::Update(TqmSubject* /*subject*/, TqmCode code) {
    device = CheckedPtr(reinterpret_cast<Device*>(code));
    Show();
    if (device->HasResults(KIND_CALL_HISTORY)) {
        tree.RestoreKindLabels(*device);
        tree.Select(KIND_CALL_HISTORY);
        return;
    }
    backButton->Disable();
    pendingJobs = static_cast<std::int32_t>(kKindCount);
    totalJobs = static_cast<std::int32_t>(kKindCount);
    relay->CountJobs(static_cast<int>(kKindCount));
    auto* request = new ScanRequest();
    request->device = device;
    request->target = relay;
    TaskThread::Start(new TaskThread(request, DomainIB::ScanTask));
}

void PvRecoveryKindWindow::StartJob(TaskCallback task, void* request) {
    BeginJob();
    backButton->Disable();
    relay->CountJobs(1);
    TaskThread::Start(new TaskThread(request, task));
}

void PvRecoveryKindWindow::OnKindLoaded(wxThreadEvent& event) {
    const auto kind = static_cast<std::uint32_t>(event.GetId());
    void* records = GetEventPointer<void>(event);
    if (device == nullptr) {
        DeleteKindRecords(kind, records);
        EndJob();
        return;
    }
    Device* d = CheckedPtr(device);
    d->StoreResults(kind, records);
    tree.SetKindLabel(kind, static_cast<int>(d->Count(kind)));
    // The call history comes first and is shown as soon as it is there.
    if (kind == KIND_CALL_HISTORY) tree.Select(KIND_CALL_HISTORY);
    EndJob();
}

void PvRecoveryKindWindow::BeginJob() {
    ++pendingJobs;
    ++totalJobs;
    gauge->SetValue((totalJobs - pendingJobs) * 100 / totalJobs);
}

void PvRecoveryKindWindow::EndJob() {
    // An end without a begin (never expected) must not drive the count below zero.
    if (pendingJobs > 0) --pendingJobs;
    if (pendingJobs == 0) {
        backButton->Enable();
        totalJobs = 0;
    }
    if (totalJobs == 0)
        gauge->SetValue(100);
    else
        gauge->SetValue((totalJobs - pendingJobs) * 100 / totalJobs);
}

void PvRecoveryKindWindow::HideViews() {
    table.GetGrid()->Show(true);
    pictures.ShowOnly(kKindCount);
    table.GetGrid()->ClearRows();
    pictures.ClearRows();
}

void PvRecoveryKindWindow::OnBackClicked(wxCommandEvent& /*event*/) {
    // Back is disabled while a job runs; a click that still arrives then is ignored, as the
    // jobs read the Device's records.
    if (pendingJobs > 0) return;
    pictures.ClearLoaded();
    HideViews();
    tree.ResetKindLabels();
    conversation.Clear();
    Hide();
    Notify(NOTIFY_BACK);
}

void PvRecoveryKindWindow::OnRecoverButtonSize(wxSizeEvent& event) {
    LayoutBottomRow();
    event.Skip();
}

void PvRecoveryKindWindow::LayoutBottomRow() {
    if (recoverButton != nullptr && backButton != nullptr && gauge != nullptr) {
        const int recoverX = GetSize().GetWidth() - recoverButton->GetSize().GetWidth() - 10;
        const int y = recoverButton->GetPosition().y;
        recoverButton->Move(recoverX, y);
        const int backX = recoverX - backButton->GetSize().GetWidth() - 10;
        backButton->Move(backX, y);
        const wxRect g = gauge->GetRect();
        gauge->SetSize(g.x, g.y, backX - g.x - 10, g.height);
    }
}

void PvRecoveryKindWindow::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    if (backgroundBitmap != nullptr && backgroundBitmap->IsOk())
        dc.DrawBitmap(*backgroundBitmap, 0, 0, false);
}

void PvRecoveryKindWindow::OnTreeSelChanged(wxTreeEvent& event) {
    selectedItem = event.GetItem();
    conversation.ResetMessageRow();
    table.RestoreMainGridSize();
    checkAllBox->SetValue(false);

    const int found = tree.KindOf(selectedItem);
    // A kind whose result has not arrived shows nothing new.
    if (device == nullptr || found < 0 || !CheckedPtr(device)->HasResults(found)) {
        event.Skip();
        return;
    }
    const KindInfo& info = *FindKind(static_cast<std::uint32_t>(found));
    view.shown = true;
    view.kind = info.kind;
    view.items = device->Slot(info.kind);
    if (info.pictures) {
        view.grid = pictures.GetGrid(info.kind);
        const int count = static_cast<int>(device->Count(info.kind));
        recovery.ClearPhotoChecks(view.grid->GetNumberRows(), count - 1);
        table.GetGrid()->Show(false);
        pictures.ShowOnly(info.kind);
        conversation.Show(false);
        pictures.ShowKind(device, info.kind, relay,
                          [this](TaskCallback task, void* request) { StartJob(task, request); });
    } else {
        view.grid = table.GetGrid();
        table.GetGrid()->Show(true);
        pictures.ShowOnly(kKindCount);
        conversation.Show(false);
        table.ShowKind(*device, info.kind);
        if (info.kind == KIND_MESSAGES) conversation.Show(true);
    }
    event.Skip();
}

void PvRecoveryKindWindow::OnThumbnailBatch(wxThreadEvent& event) {
    KindPicturePane::LayOutBatch(event);
}

void PvRecoveryKindWindow::OnThumbnailsDone(wxThreadEvent& /*event*/) {
    EndJob();
}

void PvRecoveryKindWindow::OnCheckAll(wxCommandEvent& /*event*/) {
    recovery.CheckAll(checkAllBox->GetValue());
}

void PvRecoveryKindWindow::OnRecoverClicked(wxCommandEvent& /*event*/) {
    recovery.Recover(this, relay,
                     [this](TaskCallback task, void* request) { StartJob(task, request); });
}

void PvRecoveryKindWindow::OnRecoverDone(wxThreadEvent& event) {
    EndJob();
    KindRecovery::Report(event);
}
