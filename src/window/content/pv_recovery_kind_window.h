// The second screen of the main window: the kinds of one backup. It holds its parts (the kind
// tree with counts, the table grid, the picture grids, the conversation, checks and recovery),
// the progress gauge, "Back", "Recover" and "Check All". The list screen hands it a Device; the
// scan runs on a worker and reports kind by kind.
#pragma once

#include <wx/bitmap.h>
#include <wx/control.h>
#include <wx/treebase.h>

#include <cstdint>
#include <vector>

#include "common/tqm_subject.h"
#include "domain/kind_obj.h"
#include "ib/wz_ib.h"
#include "window/content/kind_conversation_pane.h"
#include "window/content/kind_picture_pane.h"
#include "window/content/kind_recovery.h"
#include "window/content/kind_table_pane.h"
#include "window/content/kind_tree_pane.h"

class KindJobRelay;
class PvKindMessageWindow;
class PvTreeCtrl;
class PvWordButton;
class RkGrid;
class wxCheckBox;
class wxGauge;
class wxPaintEvent;
class wxSizeEvent;
class wxThreadEvent;
class wxTreeEvent;

class PvRecoveryKindWindow : public wxControl, public TqmObserver, public TqmSubject {
  public:
    enum { ID_BACK = 0, ID_RECOVER = 1, ID_KIND_TREE = 2, ID_CHECK_ALL = 3 };
    static constexpr int kMainColumns = KindTablePane::kMainColumns;
    static constexpr int kPhotoColumns = KindPicturePane::kPhotoColumns;

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
    PvTreeCtrl* GetTree() const { return tree.GetTree(); }
    RkGrid* GetMainGrid() const { return table.GetGrid(); }
    RkGrid* GetCameraRollGrid() const { return pictures.GetGrid(KIND_CAMERA_ROLL); }
    RkGrid* GetPhotosGrid() const { return pictures.GetGrid(KIND_PHOTOS); }
    RkGrid* GetSmsAttachmentsGrid() const { return pictures.GetGrid(KIND_SMS_ATTACHMENTS); }
    RkGrid* GetCurrentGrid() const { return view.grid; }
    PvKindMessageWindow* GetMessageView() const { return conversation.GetView(); }
    wxTreeItemId GetKindItem(std::uint32_t kind) const { return tree.GetItem(kind); }
    Device* GetDevice() const { return device; }
    int GetPendingJobs() const { return pendingJobs; }
    int GetTotalJobs() const { return totalJobs; }
    // -1 before the first kind is shown.
    int GetCurrentKind() const { return view.shown ? static_cast<int>(view.kind) : -1; }

    // Makes the main grid repaint itself wholly while its scroll thumb is dragged (not
    // installed by default).
    void BindThumbTrackRefresh() { table.BindThumbTrackRefresh(); }

    // The positions of the checked items of the shown kind, ascending; returns the shown grid.
    RkGrid* GetCheckedItems(std::vector<std::int32_t>& checked) {
        return recovery.GetCheckedItems(checked);
    }

  private:
    void CreateButtons();
    void SetTexts(bool reset);
    void HideViews();
    // Counts a job, keeps Back disabled until it ends and runs the task on a worker.
    void StartJob(TaskCallback task, void* request);

    // Events.
    void OnPaint(wxPaintEvent& event);
    void OnBackClicked(wxCommandEvent& event);
    void OnRecoverClicked(wxCommandEvent& event);
    void OnRecoverButtonSize(wxSizeEvent& event);
    // Recover 10 pixels from the right edge, Back 10 pixels before it, the gauge up to 10 pixels
    // before Back.
    void LayoutBottomRow();
    // The result of any kind: the event's id is the kind, its payload the records.
    void OnKindLoaded(wxThreadEvent& event);
    void OnThumbnailBatch(wxThreadEvent& event);
    void OnThumbnailsDone(wxThreadEvent& event);
    void OnRecoverDone(wxThreadEvent& event);
    void OnTreeSelChanged(wxTreeEvent& event);
    void OnCheckAll(wxCommandEvent& event);

    PvWordButton* backButton = nullptr;
    PvWordButton* recoverButton = nullptr;
    std::int32_t pendingJobs = 0;
    std::int32_t totalJobs = 0;
    wxGauge* gauge = nullptr;
    wxCheckBox* checkAllBox = nullptr;
    Device* device = nullptr;
    wxBitmap* backgroundBitmap = nullptr;
    wxTreeItemId selectedItem;
    KindView view;
    // Where the workers of this screen report; it outlives the screen while they may.
    KindJobRelay* relay = nullptr;

    KindTablePane table;
    KindPicturePane pictures;
    KindConversationPane conversation;
    KindTreePane tree;
    KindRecovery recovery{view};

    wxDECLARE_DYNAMIC_CLASS(PvRecoveryKindWindow);
    wxDECLARE_EVENT_TABLE();
};
