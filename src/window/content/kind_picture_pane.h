// The kind screen's picture grids, one per picture kind (camera roll, photos, message
// attachments), at the main grid's place: rows of five thumbnails, each with its file name and a
// check box. A kind's thumbnails are requested at its first visit after the screen was opened.
#pragma once

#include <wx/gdicmn.h>

#include <cstdint>
#include <vector>

#include "domain/kind_obj.h"
#include "window/content/kind_job_relay.h"

class RkGrid;
class wxWindow;
class wxThreadEvent;

class KindPicturePane {
  public:
    // Cells per row of a thumbnail grid.
    static constexpr int kPhotoColumns = 5;
    // A picture column: the 100-pixel thumbnail with its margins, and room under it for a file
    // name such as "IMG_0001.JPG" beside its check box; five of them and the row numbers fit the
    // grid with its scroll bar.
    static constexpr int kPhotoWidth = 124;

    // The three grids at rect, hidden, in the order camera roll, photos, attachments.
    void Create(wxWindow* parent, const wxRect& rect);

    // The grid of a picture kind; null for any other kind.
    RkGrid* GetGrid(std::uint32_t kind) const;
    // Shows the grid of kind and hides the others (a kind without a grid hides all three).
    void ShowOnly(std::uint32_t kind);
    // The first visit of a picture kind since ClearLoaded: its thumbnails are laid out from the
    // records when an earlier visit made them, else a thumbnail task with target as the
    // receiver of its events is started through startJob.
    void ShowKind(Device* device, std::uint32_t kind, wxEvtHandler* target,
                  const KindJobStart& startJob);
    // Forgets which kinds were visited.
    void ClearLoaded();
    // Empties the three grids (columns stay).
    void ClearRows();
    // Lays out a batch of thumbnails: the event's text "first:last" names the records of the
    // request it carries; each batch starts a new row. Deletes the request.
    static void LayOutBatch(wxThreadEvent& event);

  private:
    struct Grid {
        std::uint32_t kind;
        RkGrid* grid;
        bool loaded;
    };
    Grid* Find(std::uint32_t kind);

    std::vector<Grid> grids_;
};
