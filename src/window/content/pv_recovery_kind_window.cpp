#include "window/content/pv_recovery_kind_window.h"

#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/gauge.h>
#include <wx/grid.h>
#include <wx/tokenzr.h>

#include "common/face_layout.h"
#include "common/image_util.h"
#include "common/task_thread.h"
#include "domain/domain_export.h"
#include "domain/domain_ib.h"
#include "window/base/pv_photo_check_cell_render.h"
#include "window/base/pv_tree_ctrl.h"
#include "window/base/pv_word_button.h"
#include "window/base/rk_grid.h"
#include "window/content/pv_kind_message_window.h"
#include "window/content/screen_font.h"
#include "window/content/screen_prompt.h"

wxIMPLEMENT_DYNAMIC_CLASS(PvRecoveryKindWindow, wxControl);

wxBEGIN_EVENT_TABLE(PvRecoveryKindWindow, wxControl)
    EVT_PAINT(PvRecoveryKindWindow::OnPaint)
    EVT_BUTTON(PvRecoveryKindWindow::ID_BACK, PvRecoveryKindWindow::OnBackClicked)
    EVT_BUTTON(PvRecoveryKindWindow::ID_RECOVER, PvRecoveryKindWindow::OnRecoverClicked)
    EVT_THREAD(KIND_CALL_HISTORY, PvRecoveryKindWindow::OnCallHistoryLoaded)
    EVT_THREAD(KIND_CONTACTS, PvRecoveryKindWindow::OnContactsLoaded) EVT_THREAD(
        KIND_MESSAGES, PvRecoveryKindWindow::OnMessagesLoaded)
        EVT_THREAD(KIND_SMS_ATTACHMENTS, PvRecoveryKindWindow::OnSmsAttachmentsLoaded) EVT_THREAD(
            KIND_NOTES, PvRecoveryKindWindow::OnNotesLoaded)
            EVT_THREAD(KIND_SAFARI, PvRecoveryKindWindow::OnSafariLoaded) EVT_THREAD(
                KIND_CALENDAR, PvRecoveryKindWindow::OnCalendarLoaded)
                EVT_THREAD(KIND_REMINDERS, PvRecoveryKindWindow::OnRemindersLoaded) EVT_THREAD(
                    KIND_VOICE_MEMOS, PvRecoveryKindWindow::OnVoiceMemosLoaded)
                    EVT_THREAD(KIND_CAMERA_ROLL, PvRecoveryKindWindow::OnCameraRollLoaded)
                        EVT_THREAD(KIND_PHOTOS, PvRecoveryKindWindow::OnPhotosLoaded) EVT_THREAD(
                            ID_THUMBNAIL_BATCH, PvRecoveryKindWindow::OnThumbnailBatch)
                            EVT_THREAD(ID_THUMBNAILS_DONE, PvRecoveryKindWindow::OnThumbnailsDone)
                                EVT_THREAD(ID_RECOVER_DONE, PvRecoveryKindWindow::OnRecoverDone)
                                    EVT_TREE_SEL_CHANGED(PvRecoveryKindWindow::ID_KIND_TREE,
                                                         PvRecoveryKindWindow::OnTreeSelChanged)
                                        EVT_CHECKBOX(PvRecoveryKindWindow::ID_CHECK_ALL,
                                                     PvRecoveryKindWindow::OnCheckAll)
wxEND_EVENT_TABLE()

namespace {
wxColour FaceColour(const char* key) {
    const FaceRect c = GetFaceRect(wxString::FromUTF8(key));
    return wxColour(static_cast<unsigned char>(c.x & 0xFF), static_cast<unsigned char>(c.y & 0xFF),
                    static_cast<unsigned char>(c.width & 0xFF), 255);
}

// A cell value is never empty.
wxString CellText(const wxString& text) {
    return text.IsEmpty() ? wxString(wxS(" ")) : text;
}

PvPhotoCheckCellRender* CheckRenderer(RkGrid* grid, int row, int col) {
    if (grid == nullptr || row < 0 || col < 0 || row >= grid->GetNumberRows() ||
        col >= grid->GetNumberCols())
        return nullptr;
    return dynamic_cast<PvPhotoCheckCellRender*>(grid->PeekCellRenderer(row, col));
}

}  // namespace

PvRecoveryKindWindow::PvRecoveryKindWindow() = default;

PvRecoveryKindWindow::~PvRecoveryKindWindow() = default;

const char* PvRecoveryKindWindow::KindName(std::uint32_t kind) {
    const KindInfo* info = FindKind(kind);
    return info != nullptr ? info->name : "";
}

wxString PvRecoveryKindWindow::KindLabel(const wxString& name, int count) {
    return name + wxString::Format(wxS(" (%d)"), count);
}

int PvRecoveryKindWindow::CountInLabel(const wxString& label) {
    const int open = label.Find(wxS('('), true);
    if (open == wxNOT_FOUND) return 0;
    const int close = label.Find(wxS(')'), true);
    if (close == wxNOT_FOUND || close <= open) return 0;
    long count = 0;
    if (!label.Mid(open + 1, close - open - 1).ToLong(&count)) return 0;
    if (count < 0 || count > 0x7FFFFFFF) return 0;
    return static_cast<int>(count);
}

wxTreeItemId PvRecoveryKindWindow::GetKindItem(std::uint32_t kind) const {
    return kind < kKindCount ? kindItems[kind] : wxTreeItemId();
}

bool PvRecoveryKindWindow::Create(wxBitmap* background, wxWindow* parent, wxWindowID id,
                                  const wxPoint& pos, const wxSize& size, long /*style*/,
                                  const wxValidator& validator) {
    backgroundBitmap = background;
    if (!wxControl::Create(parent, id, pos, size, wxBORDER_NONE, validator,
                           wxASCII_STR(wxControlNameStr)))
        return false;
    SetBackgroundStyle(wxBG_STYLE_PAINT);

    CreateMainGrid();

    const wxPoint gridPos(gridX, gridY);
    const wxSize gridSize(gridWidth, gridHeight);
    for (RkGrid** photoGrid : {&cameraRollGrid, &photosGrid, &smsAttachmentsGrid}) {
        *photoGrid = new RkGrid();
        (*photoGrid)
            ->Create(this, wxID_ANY, gridPos, gridSize, wxWANTS_CHARS, wxASCII_STR(wxGridNameStr));
        SetupPhotoGrid(*photoGrid);
        (*photoGrid)
            ->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &PvRecoveryKindWindow::OnPhotoCellClick, this);
        (*photoGrid)->Hide();
    }

    checkAllBox = new wxCheckBox(this, ID_CHECK_ALL, wxS(".."),
                                 wxPoint(gridX + 4, gridY + gridHeight + 2), wxDefaultSize, 0);
    checkAllBox->SetBackgroundColour(*wxWHITE);
    checkAllBox->SetForegroundColour(*wxBLACK);

    messageView = new PvKindMessageWindow(this, wxID_ANY, wxPoint(gridX + 280, gridY),
                                          wxSize(gridWidth - 280, gridHeight));
    messageView->Hide();

    const FaceRect g = GetFaceRect(wxS("/face/kindwindow/gauge"));
    gauge = new wxGauge(this, wxID_ANY, 100, wxPoint(g.x, g.y), wxSize(g.width, g.height),
                        wxBORDER_NONE | wxGA_HORIZONTAL);

    const FaceRect backAt = GetFaceRect(wxS("/face/kindwindow/back-button"));
    const FaceRect recoverAt = GetFaceRect(wxS("/face/kindwindow/recover-button"));
    const FaceRect crop = GetFaceRect(wxS("/face/base-button/big-button-crop"));
    const wxColour labelColour = FaceColour("/face/base-button/big-button-crop/colour");
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

    CreateTree();
    SetTexts(true);
    return true;
}

void PvRecoveryKindWindow::CreateMainGrid() {
    const FaceRect g = GetFaceRect(wxS("/face/kindwindow/grid"));
    gridX = g.x;
    gridY = g.y;
    gridWidth = g.width;
    gridHeight = g.height;
    mainGrid = new RkGrid();
    mainGrid->Create(this, wxID_ANY, wxPoint(gridX, gridY), wxSize(gridWidth, gridHeight),
                     wxWANTS_CHARS, wxASCII_STR(wxGridNameStr));
    SetupMainGrid(mainGrid);
    selectedMessageRow = -1;
    mainGrid->Bind(wxEVT_GRID_SELECT_CELL, &PvRecoveryKindWindow::OnMessageRowSelected, this);
    mainGrid->Bind(wxEVT_GRID_CELL_LEFT_CLICK, &PvRecoveryKindWindow::OnGridCellClick, this);
}

void PvRecoveryKindWindow::SetupMainGrid(RkGrid* grid) {
    grid->CreateGrid(0, 0, wxGrid::wxGridSelectCells);
    grid->SetSelectionMode(wxGrid::wxGridSelectRows);
    grid->SetColLabelSize(12);
    grid->SetRowLabelSize(0);
    grid->SetDefaultRowSize(36, false);
    grid->SetScrollLineX(1);
    grid->SetLabelFont(
        ScreenFont::ArialFont(GetFaceRect(wxS("/face/kindwindow/grid-label")).height));
    grid->HideCellEditControl();
    grid->EnableEditing(true);
    grid->SetCellHighlightPenWidth(0);
    grid->EnableDragGridSize(false);
    grid->UseNativeColHeader(true);
    for (int i = 0; i < kMainColumns; ++i) AddColumn(grid, wxS("."), 1, true);
}

void PvRecoveryKindWindow::SetupPhotoGrid(RkGrid* grid) {
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
    for (int i = 0; i < kPhotoColumns; ++i) AddColumn(grid, wxS("."), 112, true);
    grid->SetColLabelSize(0);
}

wxString PvRecoveryKindWindow::AddColumn(RkGrid* grid, const wxString& label, int width,
                                         bool visible) {
    grid->AppendColumn(label, width, visible);
    return label;
}

void PvRecoveryKindWindow::CreateTree() {
    const FaceRect t = GetFaceRect(wxS("/face/kindwindow/treectrl"));
    tree = new PvTreeCtrl(this, ID_KIND_TREE, wxPoint(t.x, t.y), wxSize(t.width, t.height),
                          wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxBORDER_NONE);
    tree->SetBackgroundColour(FaceColour("/face/kindwindow/treectrl/colour"));
    tree->SetIndent(2);
    const wxTreeItemId root = tree->AddRoot(wxS("root"));
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        const int image = static_cast<int>(kind);
        kindItems[kind] = tree->AppendItem(root, wxString(), image, image);
    }
    SetKindLabel(kindItems[KIND_CALL_HISTORY], TranslatedKindName(KIND_CALL_HISTORY), 0);
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
        ResetKindLabels();
        return;
    }
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        const int count = CountInLabel(tree->GetItemText(kindItems[kind]));
        SetKindLabel(kindItems[kind], TranslatedKindName(kind), count);
    }
    if (selectedItem.IsOk()) {
        for (std::uint32_t kind : {KIND_CALL_HISTORY, KIND_CONTACTS, KIND_MESSAGES, KIND_NOTES,
                                   KIND_SAFARI, KIND_CALENDAR, KIND_REMINDERS, KIND_VOICE_MEMOS}) {
            if (selectedItem == kindItems[kind]) {
                SetKindColumns(kind);
                break;
            }
        }
    }
}

void PvRecoveryKindWindow::UpdateLanguage() {
    SetTexts(false);
    Refresh(true);
    wxWindow::Update();
}

void PvRecoveryKindWindow::SetKindLabel(const wxTreeItemId& item, const wxString& name, int count) {
    if (!item.IsOk()) return;
    tree->SetItemText(item, KindLabel(name, count));
}

void PvRecoveryKindWindow::RestoreKindLabels() {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind) {
        const std::size_t count = device != nullptr ? CheckedPtr(device)->Count(kind) : 0;
        SetKindLabel(kindItems[kind], TranslatedKindName(kind), static_cast<int>(count));
    }
}

void PvRecoveryKindWindow::ResetKindLabels() {
    for (std::uint32_t kind = 0; kind < kKindCount; ++kind)
        SetKindLabel(kindItems[kind], TranslatedKindName(kind), 0);
    // Unselect also forgets the current item, so that the next selection of the same kind is
    // reported again.
    tree->Unselect();
    tree->UnselectAll();
}

void PvRecoveryKindWindow::Update(TqmSubject* /*subject*/, TqmCode code) {
    device = CheckedPtr(reinterpret_cast<Device*>(code));
    Show();
    if (device->HasResults(KIND_CALL_HISTORY)) {
        RestoreKindLabels();
        tree->SelectItem(kindItems[KIND_CALL_HISTORY]);
        return;
    }
    backButton->Disable();
    pendingJobs = static_cast<std::int32_t>(kKindCount);
    totalJobs = static_cast<std::int32_t>(kKindCount);
    auto* request = new ScanRequest();
    request->device = device;
    request->target = GetEventHandler();
    TaskThread::Start(new TaskThread(request, DomainIB::ScanTask));
}

void PvRecoveryKindWindow::OnKindLoaded(std::uint32_t kind, wxThreadEvent& event) {
    void* records = GetEventPointer<void>(event);
    if (device == nullptr) {
        DeleteKindRecords(kind, records);
        EndJob();
        return;
    }
    Device* d = CheckedPtr(device);
    d->StoreResults(kind, records);
    SetKindLabel(kindItems[kind], TranslatedKindName(kind), static_cast<int>(d->Count(kind)));
    if (kind == KIND_CALL_HISTORY) tree->SelectItem(kindItems[KIND_CALL_HISTORY]);
    EndJob();
}

void PvRecoveryKindWindow::OnCallHistoryLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_CALL_HISTORY, event);
}
void PvRecoveryKindWindow::OnContactsLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_CONTACTS, event);
}
void PvRecoveryKindWindow::OnMessagesLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_MESSAGES, event);
}
void PvRecoveryKindWindow::OnSmsAttachmentsLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_SMS_ATTACHMENTS, event);
}
void PvRecoveryKindWindow::OnNotesLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_NOTES, event);
}
void PvRecoveryKindWindow::OnSafariLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_SAFARI, event);
}
void PvRecoveryKindWindow::OnCalendarLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_CALENDAR, event);
}
void PvRecoveryKindWindow::OnRemindersLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_REMINDERS, event);
}
void PvRecoveryKindWindow::OnVoiceMemosLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_VOICE_MEMOS, event);
}
void PvRecoveryKindWindow::OnCameraRollLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_CAMERA_ROLL, event);
}
void PvRecoveryKindWindow::OnPhotosLoaded(wxThreadEvent& event) {
    OnKindLoaded(KIND_PHOTOS, event);
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
    ShowGrids(true, false, false, false);
    mainGrid->ClearRows();
    cameraRollGrid->ClearRows();
    photosGrid->ClearRows();
    smsAttachmentsGrid->ClearRows();
}

void PvRecoveryKindWindow::ClearLoaded() {
    cameraRollLoaded = false;
    photosLoaded = false;
    smsAttachmentsLoaded = false;
}

void PvRecoveryKindWindow::OnBackClicked(wxCommandEvent& /*event*/) {
    // Back is disabled while a job runs; a click that still arrives then is ignored, as the
    // jobs read the Device's records.
    if (pendingJobs > 0) return;
    ClearLoaded();
    HideViews();
    ResetKindLabels();
    messageView->Clear();
    messageView->Hide();
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

// ---------------------------------------------------------------------------------------------
// Browsing the kinds

void PvRecoveryKindWindow::ShowGrids(bool main, bool cameraRoll, bool photos, bool attachments) {
    mainGrid->Show(main);
    cameraRollGrid->Show(cameraRoll);
    photosGrid->Show(photos);
    smsAttachmentsGrid->Show(attachments);
}

void PvRecoveryKindWindow::RestoreMainGridSize() {
    if (mainGrid->GetSize().GetWidth() != gridWidth)
        mainGrid->SetSize(mainGrid->GetPosition().x, mainGrid->GetPosition().y, gridWidth,
                          gridHeight);
}

void PvRecoveryKindWindow::OnTreeSelChanged(wxTreeEvent& event) {
    selectedItem = event.GetItem();
    ResetMessageRow();
    RestoreMainGridSize();
    checkAllBox->SetValue(false);

    static const std::uint32_t kOrder[kKindCount] = {
        KIND_CALL_HISTORY, KIND_CONTACTS,    KIND_MESSAGES, KIND_SMS_ATTACHMENTS,
        KIND_NOTES,        KIND_SAFARI,      KIND_CALENDAR, KIND_REMINDERS,
        KIND_VOICE_MEMOS,  KIND_CAMERA_ROLL, KIND_PHOTOS};
    int found = -1;
    if (device != nullptr && selectedItem.IsOk()) {
        for (std::uint32_t kind : kOrder) {
            if (kindItems[kind] == selectedItem) {
                if (CheckedPtr(device)->HasResults(kind)) found = static_cast<int>(kind);
                break;
            }
        }
    }
    if (found < 0) {
        event.Skip();
        return;
    }
    const auto kind = static_cast<RecoveryKind>(found);
    void* items = device->Slot(kind);
    switch (kind) {
        case KIND_CAMERA_ROLL:
        case KIND_PHOTOS:
        case KIND_SMS_ATTACHMENTS: {
            currentKind = kind;
            hasCurrentKind = true;
            currentGrid = kind == KIND_CAMERA_ROLL ? cameraRollGrid
                          : kind == KIND_PHOTOS    ? photosGrid
                                                   : smsAttachmentsGrid;
            currentItems = items;
            const int count = static_cast<int>(KindRecordCount(kind, items));
            ClearPhotoChecks(currentGrid->GetNumberRows(), count - 1);
            ShowGrids(false, kind == KIND_CAMERA_ROLL, kind == KIND_PHOTOS,
                      kind == KIND_SMS_ATTACHMENTS);
            messageView->Hide();
            if (kind == KIND_CAMERA_ROLL)
                ShowCameraRoll();
            else if (kind == KIND_SMS_ATTACHMENTS)
                ShowSmsAttachments();
            else
                ShowPhotos();
            break;
        }
        default: {
            currentKind = kind;
            hasCurrentKind = true;
            currentGrid = mainGrid;
            currentItems = items;
            ShowGrids(true, false, false, false);
            messageView->Hide();
            switch (kind) {
                case KIND_CALL_HISTORY:
                    ShowCallHistory();
                    break;
                case KIND_CONTACTS:
                    ShowContacts();
                    break;
                case KIND_MESSAGES:
                    ShowMessages();
                    break;
                case KIND_NOTES:
                    ShowNotes();
                    break;
                case KIND_SAFARI:
                    ShowSafari();
                    break;
                case KIND_CALENDAR:
                    ShowCalendar();
                    break;
                case KIND_REMINDERS:
                    ShowReminders();
                    break;
                default:
                    ShowVoiceMemos();
                    break;
            }
            if (kind == KIND_MESSAGES) messageView->Show();
            break;
        }
    }
    event.Skip();
}

void PvRecoveryKindWindow::SetKindColumns(std::uint32_t kind) {
    switch (kind) {
        case KIND_CALL_HISTORY:
            SetCallHistoryColumns();
            break;
        case KIND_CONTACTS:
            SetContactsColumns();
            break;
        case KIND_MESSAGES:
            SetMessagesColumns();
            break;
        case KIND_NOTES:
            SetNotesColumns();
            break;
        case KIND_SAFARI:
            SetSafariColumns();
            break;
        case KIND_CALENDAR:
            SetCalendarColumns();
            break;
        case KIND_REMINDERS:
            SetRemindersColumns();
            break;
        case KIND_VOICE_MEMOS:
            SetVoiceMemosColumns();
            break;
        default:
            break;
    }
}

void PvRecoveryKindWindow::SetCallHistoryColumns() {
    mainGrid->SetColumnLabel(0, _("Name"), 140);
    mainGrid->SetColumnLabel(1, _("Phone Number"), 150);
    mainGrid->SetColumnLabel(2, _("Date Time"), 130);
    mainGrid->SetColumnLabel(3, _("Type"), 100);
    mainGrid->SetColumnLabel(4, _("Duration"), 102);
}

void PvRecoveryKindWindow::SetContactsColumns() {
    mainGrid->SetColumnLabel(0, _("Name"), 140);
    mainGrid->SetColumnLabel(1, _("Organization"), 100);
    mainGrid->SetColumnLabel(2, _("Department"), 130);
    mainGrid->SetColumnLabel(3, _("Note"), 140);
    mainGrid->SetColumnLabel(4, _("Birthday"), 100);
    mainGrid->SetColumnLabel(5, _("Job Title"), 100);
    mainGrid->SetColumnLabel(6, _("Nick Name"), 100);
    mainGrid->SetColumnLabel(7, _("Create Date"), 140);
    mainGrid->SetColumnLabel(8, _("Others"), 100);
}

void PvRecoveryKindWindow::SetMessagesColumns() {
    mainGrid->SetColumnLabel(0, _("Name"), 140);
    mainGrid->SetColumnLabel(1, _("Phone Number"), 140);
}

void PvRecoveryKindWindow::SetNotesColumns() {
    mainGrid->SetColumnLabel(0, _("Date Time"), 144);
    mainGrid->SetColumnLabel(1, _("Title"), 200);
    mainGrid->SetColumnLabel(2, _("Contents"), gridWidth - 344);
}

void PvRecoveryKindWindow::SetSafariColumns() {
    mainGrid->SetColumnLabel(0, _("Title"), 260);
    mainGrid->SetColumnLabel(1, _("Type"), 80);
    mainGrid->SetColumnLabel(2, _("Url"), gridWidth - 344);
}

void PvRecoveryKindWindow::SetCalendarColumns() {
    mainGrid->SetColumnLabel(0, _("Title"), 140);
    mainGrid->SetColumnLabel(1, _("Location"), 100);
    mainGrid->SetColumnLabel(2, _("Description"), 130);
    mainGrid->SetColumnLabel(3, _("Url"), 150);
    mainGrid->SetColumnLabel(4, _("Start Date Time"), 140);
    mainGrid->SetColumnLabel(5, _("End Date Time"), 140);
    mainGrid->SetColumnLabel(6, _("Area"), 102);
    mainGrid->SetColumnLabel(7, _("All Day"), 102);
}

void PvRecoveryKindWindow::SetRemindersColumns() {
    mainGrid->SetColumnLabel(0, _("Title"), 140);
    mainGrid->SetColumnLabel(1, _("Location"), 100);
    mainGrid->SetColumnLabel(2, _("Description"), 130);
    mainGrid->SetColumnLabel(3, _("Status"), 102);
    mainGrid->SetColumnLabel(4, _("Start Date Time"), 140);
    mainGrid->SetColumnLabel(5, _("Area"), 102);
}

void PvRecoveryKindWindow::SetVoiceMemosColumns() {
    mainGrid->SetColumnLabel(0, _("Name"), gridWidth - 380);
    mainGrid->SetColumnLabel(1, _("Date Time"), 150);
    mainGrid->SetColumnLabel(2, _("Duration"), 130);
    mainGrid->SetColumnLabel(3, _("Size"), 100);
    // The fifth value of a row is the stored file's place in the backup, of no use to read: its
    // column stays hidden.
    mainGrid->SetColumnLabel(4, wxString(), 0);
}

void PvRecoveryKindWindow::BeginTableFill(std::uint32_t kind, int visibleColumns) {
    mainGrid->ClearRows();
    mainGrid->HideColumnsFrom(visibleColumns);
    SetKindColumns(kind);
}

namespace {

// Rows of the kinds whose fills refresh the grid every hundred rows.
bool RefreshAt(std::size_t index) {
    return index % 100 == 0;
}

}  // namespace

void PvRecoveryKindWindow::ShowCallHistory() {
    BeginTableFill(KIND_CALL_HISTORY, 5);
    const auto* list = device->Records<CallHistory>(KIND_CALL_HISTORY);
    for (CallHistory* item : *list) {
        const CallHistory* r = CheckedPtr(item);
        wxArrayString texts;
        texts.Add(r->name);
        texts.Add(r->address);
        texts.Add(r->date);
        texts.Add(r->type);
        texts.Add(r->duration);
        AddTableRow(texts);
    }
}

void PvRecoveryKindWindow::ShowContacts() {
    BeginTableFill(KIND_CONTACTS, 9);
    const auto* list = device->Records<Contact>(KIND_CONTACTS);
    for (Contact* item : *list) {
        const Contact* r = CheckedPtr(item);
        wxArrayString texts;
        texts.Add(r->name);
        texts.Add(r->organization);
        texts.Add(r->department);
        texts.Add(r->note);
        texts.Add(r->birthday);
        texts.Add(r->jobTitle);
        texts.Add(r->nickName);
        texts.Add(r->creationDate);
        texts.Add(wxS("..."));
        AddTableRow(texts);
    }
}

void PvRecoveryKindWindow::ShowMessages() {
    BeginTableFill(KIND_MESSAGES, 2);
    mainGrid->SetSize(mainGrid->GetPosition().x, mainGrid->GetPosition().y, 280, gridHeight);
    const auto* list = device->Records<Sms>(KIND_MESSAGES);
    for (std::size_t i = 0; i < list->size(); ++i) {
        const Sms* r = CheckedPtr((*list)[i]);
        wxArrayString texts;
        texts.Add(r->another);
        texts.Add(r->phone);
        AddTableRow(texts);
        if (RefreshAt(i)) mainGrid->ForceRefresh();
    }
}

void PvRecoveryKindWindow::ShowNotes() {
    BeginTableFill(KIND_NOTES, 3);
    const auto* list = device->Records<Note>(KIND_NOTES);
    for (std::size_t i = 0; i < list->size(); ++i) {
        const Note* r = CheckedPtr((*list)[i]);
        wxArrayString texts;
        texts.Add(r->create_date);
        texts.Add(r->title);
        texts.Add(r->body);
        AddTableRow(texts);
        if (RefreshAt(i)) mainGrid->ForceRefresh();
    }
}

void PvRecoveryKindWindow::ShowSafari() {
    BeginTableFill(KIND_SAFARI, 3);
    const auto* list = device->Records<SafariHistory>(KIND_SAFARI);
    for (std::size_t i = 0; i < list->size(); ++i) {
        const SafariHistory* r = CheckedPtr((*list)[i]);
        wxArrayString texts;
        texts.Add(r->title);
        texts.Add(r->type);
        texts.Add(r->url);
        AddTableRow(texts);
        if (RefreshAt(i)) mainGrid->ForceRefresh();
    }
}

void PvRecoveryKindWindow::ShowCalendar() {
    BeginTableFill(KIND_CALENDAR, 8);
    const auto* list = device->Records<Calendar>(KIND_CALENDAR);
    for (Calendar* item : *list) {
        const Calendar* r = CheckedPtr(item);
        wxArrayString texts;
        texts.Add(r->title);
        texts.Add(r->location);
        texts.Add(r->description);
        texts.Add(r->url);
        texts.Add(r->start_date);
        texts.Add(r->end_date);
        texts.Add(r->area);
        texts.Add(r->all_day);
        AddTableRow(texts);
    }
}

void PvRecoveryKindWindow::ShowReminders() {
    BeginTableFill(KIND_REMINDERS, 6);
    const auto* list = device->Records<Calendar>(KIND_REMINDERS);
    for (std::size_t i = 0; i < list->size(); ++i) {
        const Calendar* r = CheckedPtr((*list)[i]);
        wxArrayString texts;
        texts.Add(r->title);
        texts.Add(r->location);
        texts.Add(r->description);
        texts.Add(r->status);
        texts.Add(r->start_date);
        texts.Add(r->area);
        AddTableRow(texts);
        if (RefreshAt(i)) mainGrid->ForceRefresh();
    }
}

void PvRecoveryKindWindow::ShowVoiceMemos() {
    BeginTableFill(KIND_VOICE_MEMOS, 5);
    const auto* list = device->Records<VoiceMemos>(KIND_VOICE_MEMOS);
    for (std::size_t i = 0; i < list->size(); ++i) {
        const VoiceMemos* r = CheckedPtr((*list)[i]);
        wxArrayString texts;
        texts.Add(r->name);
        texts.Add(r->date);
        texts.Add(r->duration);
        texts.Add(r->size);
        texts.Add(r->path);
        AddTableRow(texts);
        if (RefreshAt(i)) mainGrid->ForceRefresh();
    }
}

void PvRecoveryKindWindow::AddTableRow(const wxArrayString& texts) {
    if (texts.IsEmpty()) return;
    mainGrid->AppendRows(1, false);
    const int row = mainGrid->GetNumberRows() - 1;
    auto* renderer = new PvPhotoCheckCellRender();
    renderer->SetText(texts[0]);
    renderer->SetChecked(false);
    renderer->SetCentred();
    mainGrid->SetCellRenderer(row, 0, renderer);
    mainGrid->SetReadOnly(row, 0, true);
    mainGrid->SetCellValue(row, 0, wxS(" "));
    const int columns = std::min(static_cast<int>(texts.GetCount()), mainGrid->GetNumberCols());
    for (int i = 1; i < columns; ++i) {
        mainGrid->SetCellAlignment(row, i, wxALIGN_LEFT, wxALIGN_CENTRE);
        mainGrid->SetReadOnly(row, i, true);
        mainGrid->SetCellValue(row, i, CellText(texts[static_cast<std::size_t>(i)]));
    }
}

void PvRecoveryKindWindow::OnMessageRowSelected(wxGridEvent& event) {
    const int row = event.GetRow();
    if (row != selectedMessageRow && device != nullptr &&
        tree->GetSelection() == kindItems[KIND_MESSAGES]) {
        const auto* list = device->Records<Sms>(KIND_MESSAGES);
        if (list != nullptr && row >= 0 && static_cast<std::size_t>(row) < list->size()) {
            selectedMessageRow = row;
            messageView->ShowConversation((*list)[static_cast<std::size_t>(row)]);
        }
    }
    event.Skip();
}

void PvRecoveryKindWindow::BindThumbTrackRefresh() {
    mainGrid->Bind(wxEVT_SCROLLWIN_THUMBTRACK, &PvRecoveryKindWindow::OnThumbTrack, this);
}

void PvRecoveryKindWindow::OnThumbTrack(wxScrollWinEvent& event) {
    mainGrid->ForceRefresh();
    event.Skip();
}

void PvRecoveryKindWindow::ShowCameraRoll() {
    if (cameraRollLoaded) return;
    cameraRollLoaded = true;
    LoadThumbnails(device->Records<Photo>(KIND_CAMERA_ROLL));
}

void PvRecoveryKindWindow::ShowSmsAttachments() {
    if (smsAttachmentsLoaded) return;
    smsAttachmentsLoaded = true;
    LoadThumbnails(device->Records<Photo>(KIND_SMS_ATTACHMENTS));
}

void PvRecoveryKindWindow::ShowPhotos() {
    if (photosLoaded) return;
    photosLoaded = true;
    LoadThumbnails(device->Records<Photo>(KIND_PHOTOS));
}

void PvRecoveryKindWindow::LoadThumbnails(PhotoList* photos) {
    if (photos != nullptr && !photos->empty() &&
        CheckedPtr(photos->front())->thumbnail != nullptr) {
        // A visit earlier in the run made the thumbnails: lay them out at once, without a job.
        wxThreadEvent batch(wxEVT_THREAD, ID_THUMBNAIL_BATCH);
        batch.SetString(wxString::Format(wxS("%d:%d"), 0, static_cast<int>(photos->size()) - 1));
        auto* request = new ScanRequest();
        request->grid = currentGrid;
        request->photos = photos;
        SetEventPointer(batch, request);
        OnThumbnailBatch(batch);
        return;
    }
    BeginJob();
    backButton->Disable();
    auto* request = new ScanRequest();
    request->device = device;
    request->target = GetEventHandler();
    request->grid = currentGrid;
    request->photos = photos;
    TaskThread::Start(new TaskThread(request, DomainIB::ThumbnailTask));
}

void PvRecoveryKindWindow::OnThumbnailBatch(wxThreadEvent& event) {
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

void PvRecoveryKindWindow::OnThumbnailsDone(wxThreadEvent& /*event*/) {
    EndJob();
}

// ---------------------------------------------------------------------------------------------
// Checks and recovery

bool PvRecoveryKindWindow::IsPictureKind() const {
    return hasCurrentKind && (currentKind == KIND_CAMERA_ROLL || currentKind == KIND_PHOTOS ||
                              currentKind == KIND_SMS_ATTACHMENTS);
}

void PvRecoveryKindWindow::OnGridCellClick(wxGridEvent& event) {
    if (event.GetCol() == 0) {
        PvPhotoCheckCellRender* renderer = CheckRenderer(mainGrid, event.GetRow(), 0);
        if (renderer != nullptr) {
            renderer->Toggle();
            mainGrid->RefreshCell(event.GetRow(), 0);
        }
    }
    event.Skip();
}

void PvRecoveryKindWindow::OnPhotoCellClick(wxGridEvent& event) {
    auto* grid = dynamic_cast<RkGrid*>(event.GetEventObject());
    PvPhotoCheckCellRender* renderer = CheckRenderer(grid, event.GetRow(), event.GetCol());
    if (renderer != nullptr) {
        renderer->Toggle();
        grid->RefreshCell(event.GetRow(), event.GetCol());
    }
    event.Skip();
}

void PvRecoveryKindWindow::SetPhotoChecks(int rows, int lastIndex, bool checked) {
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < kPhotoColumns; ++col) {
            if (row * kPhotoColumns + col > lastIndex) return;
            PvPhotoCheckCellRender* renderer = CheckRenderer(currentGrid, row, col);
            if (renderer != nullptr) renderer->SetChecked(checked);
        }
    }
}

void PvRecoveryKindWindow::ClearPhotoChecks(int rows, int lastIndex) {
    SetPhotoChecks(rows, lastIndex, false);
}

void PvRecoveryKindWindow::GetCheckedPhotos(int rows, int lastIndex,
                                            std::vector<std::int32_t>& out) {
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < kPhotoColumns; ++col) {
            const int index = row * kPhotoColumns + col;
            if (index > lastIndex) return;
            PvPhotoCheckCellRender* renderer = CheckRenderer(currentGrid, row, col);
            if (renderer != nullptr && renderer->IsChecked()) out.push_back(index);
        }
    }
}

RkGrid* PvRecoveryKindWindow::GetCheckedItems(std::vector<std::int32_t>& checked) {
    if (!hasCurrentKind || currentGrid == nullptr) return currentGrid;
    if (IsPictureKind()) {
        const int count = static_cast<int>(KindRecordCount(currentKind, currentItems));
        GetCheckedPhotos(currentGrid->GetNumberRows(), count - 1, checked);
    } else {
        // Rows beyond the kind's records (none are expected) are never handed to the export.
        const int count = static_cast<int>(KindRecordCount(currentKind, currentItems));
        const int rows = std::min(currentGrid->GetNumberRows(), count);
        for (int row = 0; row < rows; ++row) {
            PvPhotoCheckCellRender* renderer = CheckRenderer(currentGrid, row, 0);
            if (renderer != nullptr && renderer->IsChecked()) checked.push_back(row);
        }
    }
    return currentGrid;
}

void PvRecoveryKindWindow::OnCheckAll(wxCommandEvent& /*event*/) {
    if (!hasCurrentKind || currentGrid == nullptr) return;
    const bool state = checkAllBox->GetValue();
    if (IsPictureKind()) {
        const int count = static_cast<int>(KindRecordCount(currentKind, currentItems));
        SetPhotoChecks(currentGrid->GetNumberRows(), count - 1, state);
    } else {
        for (int row = 0; row < currentGrid->GetNumberRows(); ++row) {
            PvPhotoCheckCellRender* renderer = CheckRenderer(currentGrid, row, 0);
            if (renderer != nullptr) renderer->SetChecked(state);
        }
    }
    currentGrid->Refresh(false);
}

void PvRecoveryKindWindow::OnRecoverClicked(wxCommandEvent& /*event*/) {
    auto* request = new RecoverRequest();
    request->target = GetEventHandler();
    request->kind = currentKind;
    request->items = currentItems;
    RkGrid* grid = GetCheckedItems(request->checked);
    if (request->checked.empty()) {
        ScreenPrompt::ShowMessage(_("No item selected!"));
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    wxString folder;
    if (!ScreenPrompt::ChooseFolder(this, _("Select a output folder"), &folder)) {
        TrackedDelete(__FILE__, __LINE__, request);
        return;
    }
    request->outputDir = folder;
    request->grid = grid;
    BeginJob();
    backButton->Disable();
    TaskThread::Start(new TaskThread(request, DomainExport::ExportTask));
}

void PvRecoveryKindWindow::OnRecoverDone(wxThreadEvent& /*event*/) {
    EndJob();
}
