// The kind screen's checks and recovery: check boxes of table rows and pictures, "Check All",
// and "Recover", which hands the checked records of the shown kind to an export job.
#pragma once

#include <cstdint>
#include <vector>

#include "ib/wz_ib.h"
#include "window/content/kind_job_relay.h"

class RkGrid;
class wxGridEvent;
class wxThreadEvent;
class wxWindow;

// What the kind screen shows: the kind, its grid and the device's records of it. Nothing before
// the first kind is shown.
struct KindView {
    bool shown = false;
    RecoveryKind kind = KIND_CALL_HISTORY;
    RkGrid* grid = nullptr;
    void* items = nullptr;
};

class KindRecovery {
  public:
    explicit KindRecovery(const KindView& view) : view_(view) {}

    // A click on column 0 of a table row toggles its check; the grid handles the click further.
    void OnGridCellClick(wxGridEvent& event);
    // A click on a picture toggles its check; the empty end of a short last row is left alone.
    void OnPhotoCellClick(wxGridEvent& event);
    // "Check All": every row or picture of the shown kind to state.
    void CheckAll(bool state);
    // Sets or clears the checks of the shown picture grid's cells in rows 0 to rows - 1 whose
    // index (row * 5 + column) is at most lastIndex.
    void SetPhotoChecks(int rows, int lastIndex, bool checked);
    void ClearPhotoChecks(int rows, int lastIndex) { SetPhotoChecks(rows, lastIndex, false); }
    // The positions of the checked items of the shown kind, ascending; returns the shown grid.
    RkGrid* GetCheckedItems(std::vector<std::int32_t>& checked) const;
    // "Recover": the checked items into a folder the user chooses, as a job reporting to
    // target. Nothing checked: a message and no job; a cancelled folder dialog: no job.
    // A folder in a backup is refused with a message before anything is made. A chosen folder
    // that does not exist is made first; when it cannot be, the user is told and no job starts.
    void Recover(wxWindow* parent, wxEvtHandler* target, const KindJobStart& startJob);
    // A recovery ended: tells the user where it wrote how much, and what it could not write.
    static void Report(const wxThreadEvent& done);

  private:
    bool IsPictureKind() const;
    void GetCheckedPhotos(int rows, int lastIndex, std::vector<std::int32_t>& out) const;

    const KindView& view_;
};
