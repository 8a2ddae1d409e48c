// The second screen of the main window: the kinds of one backup. A tree of the eleven kinds with
// a count per kind, one grid for the table kinds, three thumbnail grids for the picture kinds,
// the conversation view for messages, a progress gauge, "Back", "Recover" and "Check All". The
// list screen hands it a Device; the scan runs on a worker and reports kind by kind.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>
#include <wx/treebase.h>

#include <cstdint>
#include <vector>

#include "common/tqm_subject.h"
#include "domain/kind_obj.h"
#include "ib/wz_ib.h"

class PvKindMessageWindow;
class PvTreeCtrl;
class PvWordButton;
class RkGrid;
class wxCheckBox;
class wxGauge;
class wxGridEvent;
class wxPaintEvent;
class wxScrollWinEvent;
class wxSizeEvent;
class wxThreadEvent;
class wxTreeEvent;
struct RecoverRequest;

class PvRecoveryKindWindow : public wxControl, public TqmObserver, public TqmSubject {
  public:
    enum { ID_BACK = 0, ID_RECOVER = 1, ID_KIND_TREE = 2, ID_CHECK_ALL = 3 };
    // Columns of the main grid, enough for the widest kind.
    static constexpr int kMainColumns = 10;
    // Cells per row of a thumbnail grid.
    static constexpr int kPhotoColumns = 5;

    PvRecoveryKindWindow();
    ~PvRecoveryKindWindow() override;

    // Builds the screen over background (not owned; it must outlive the screen). The style is
    // not used (always borderless). False when the toolkit cannot make the window.
    bool Create(wxBitmap* background, wxWindow* parent, wxWindowID id, const wxPoint& pos,
                const wxSize& size, long style = 0,
                const wxValidator& validator = wxDefaultValidator);

    // The list screen chose a Device (code = its address): show it, scanning it the first time.
    void Update(TqmSubject* subject, TqmCode code) override;
    using wxControl::Update;

    // After a language change: every text again, counts and rows kept.
    void UpdateLanguage();

    // Job counting behind the gauge and Back.
    void BeginJob();
    void EndJob();

    // Read access for the window tests.
    PvWordButton* GetBackButton() const { return backButton; }
    PvWordButton* GetRecoverButton() const { return recoverButton; }
    wxGauge* GetGauge() const { return gauge; }
    wxCheckBox* GetCheckAllBox() const { return checkAllBox; }
    PvTreeCtrl* GetTree() const { return tree; }
    RkGrid* GetMainGrid() const { return mainGrid; }
    RkGrid* GetCameraRollGrid() const { return cameraRollGrid; }
    RkGrid* GetPhotosGrid() const { return photosGrid; }
    RkGrid* GetSmsAttachmentsGrid() const { return smsAttachmentsGrid; }
    RkGrid* GetCurrentGrid() const { return currentGrid; }
    PvKindMessageWindow* GetMessageView() const { return messageView; }
    wxTreeItemId GetKindItem(std::uint32_t kind) const;
    Device* GetDevice() const { return device; }
    int GetPendingJobs() const { return pendingJobs; }
    int GetTotalJobs() const { return totalJobs; }
    // -1 before the first kind is shown.
    int GetCurrentKind() const { return hasCurrentKind ? static_cast<int>(currentKind) : -1; }

    // Makes the main grid repaint itself wholly while its scroll thumb is dragged (not
    // installed by default).
    void BindThumbTrackRefresh();

    // The positions of the checked items of the shown kind, ascending; returns the shown grid.
    RkGrid* GetCheckedItems(std::vector<std::int32_t>& checked);

    // The untranslated name of a kind ("Call History", ...); empty above 10.
    static const char* KindName(std::uint32_t kind);
    // The tree label of a kind: the name, a blank and the count in parentheses.
    static wxString KindLabel(const wxString& name, int count);
    // The count in a tree label: the number between its last "(" and the last ")" after it;
    // 0 when there is none.
    static int CountInLabel(const wxString& label);

  private:
    // Layout and texts.
    void CreateMainGrid();
    void SetupMainGrid(RkGrid* grid);
    void SetupPhotoGrid(RkGrid* grid);
    wxString AddColumn(RkGrid* grid, const wxString& label, int width, bool visible);
    void CreateTree();
    void SetTexts(bool reset);
    void SetKindLabel(const wxTreeItemId& item, const wxString& name, int count);
    void RestoreKindLabels();
    void ResetKindLabels();
    void HideViews();
    void ClearLoaded();
    void ShowGrids(bool main, bool cameraRoll, bool photos, bool attachments);
    void RestoreMainGridSize();
    void ResetMessageRow() { selectedMessageRow = -1; }

    // Columns of the table kinds.
    void SetKindColumns(std::uint32_t kind);
    void SetCallHistoryColumns();
    void SetContactsColumns();
    void SetMessagesColumns();
    void SetNotesColumns();
    void SetSafariColumns();
    void SetCalendarColumns();
    void SetRemindersColumns();
    void SetVoiceMemosColumns();

    // Filling the views.
    void BeginTableFill(std::uint32_t kind, int visibleColumns);
    void ShowCallHistory();
    void ShowContacts();
    void ShowMessages();
    void ShowNotes();
    void ShowSafari();
    void ShowCalendar();
    void ShowReminders();
    void ShowVoiceMemos();
    void ShowCameraRoll();
    void ShowSmsAttachments();
    void ShowPhotos();
    void AddTableRow(const wxArrayString& texts);
    void LoadThumbnails(PhotoList* photos);

    // Checks.
    void SetPhotoChecks(int rows, int lastIndex, bool checked);
    void ClearPhotoChecks(int rows, int lastIndex);
    void GetCheckedPhotos(int rows, int lastIndex, std::vector<std::int32_t>& out);
    bool IsPictureKind() const;

    // Events.
    void OnPaint(wxPaintEvent& event);
    void OnBackClicked(wxCommandEvent& event);
    void OnRecoverClicked(wxCommandEvent& event);
    void OnRecoverButtonSize(wxSizeEvent& event);
    // Recover 10 pixels from the right edge, Back 10 pixels before it, the gauge up to 10 pixels
    // before Back.
    void LayoutBottomRow();
    void OnKindLoaded(std::uint32_t kind, wxThreadEvent& event);
    void OnCallHistoryLoaded(wxThreadEvent& event);
    void OnContactsLoaded(wxThreadEvent& event);
    void OnMessagesLoaded(wxThreadEvent& event);
    void OnSmsAttachmentsLoaded(wxThreadEvent& event);
    void OnNotesLoaded(wxThreadEvent& event);
    void OnSafariLoaded(wxThreadEvent& event);
    void OnCalendarLoaded(wxThreadEvent& event);
    void OnRemindersLoaded(wxThreadEvent& event);
    void OnVoiceMemosLoaded(wxThreadEvent& event);
    void OnCameraRollLoaded(wxThreadEvent& event);
    void OnPhotosLoaded(wxThreadEvent& event);
    void OnThumbnailBatch(wxThreadEvent& event);
    void OnThumbnailsDone(wxThreadEvent& event);
    void OnRecoverDone(wxThreadEvent& event);
    void OnTreeSelChanged(wxTreeEvent& event);
    void OnCheckAll(wxCommandEvent& event);
    void OnMessageRowSelected(wxGridEvent& event);
    void OnGridCellClick(wxGridEvent& event);
    void OnPhotoCellClick(wxGridEvent& event);
    void OnThumbTrack(wxScrollWinEvent& event);

    PvWordButton* backButton = nullptr;
    PvWordButton* recoverButton = nullptr;
    std::int32_t pendingJobs = 0;
    std::int32_t totalJobs = 0;
    wxGauge* gauge = nullptr;
    wxCheckBox* checkAllBox = nullptr;
    RkGrid* mainGrid = nullptr;
    std::int32_t selectedMessageRow = -1;
    std::int32_t gridWidth = 0;
    std::int32_t gridHeight = 0;
    std::int32_t gridX = 0;
    std::int32_t gridY = 0;
    PvTreeCtrl* tree = nullptr;
    Device* device = nullptr;
    wxBitmap* backgroundBitmap = nullptr;
    wxTreeItemId selectedItem;
    RecoveryKind currentKind = KIND_CALL_HISTORY;
    bool hasCurrentKind = false;
    void* currentItems = nullptr;
    wxTreeItemId kindItems[kKindCount];
    PvKindMessageWindow* messageView = nullptr;
    RkGrid* cameraRollGrid = nullptr;
    bool cameraRollLoaded = false;
    RkGrid* photosGrid = nullptr;
    bool photosLoaded = false;
    RkGrid* smsAttachmentsGrid = nullptr;
    bool smsAttachmentsLoaded = false;
    RkGrid* currentGrid = nullptr;

    wxDECLARE_DYNAMIC_CLASS(PvRecoveryKindWindow);
    wxDECLARE_EVENT_TABLE();
};
