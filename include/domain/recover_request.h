// The job record of one recovery, with the texts it takes from the catalog on the GUI thread.
#pragma once

#include <wx/string.h>

#include <cstdint>
#include <string>
#include <vector>

#include "domain/export_failure_list.h"
#include "domain/export_folder.h"
#include "domain/export_outcome.h"
#include "domain/export_template.h"
#include "ib/wz_ib.h"

class wxEvtHandler;
class wxGrid;

// A table kind's page name (with its leading "/") and column titles in the user's language, as
// UTF-8. Empty for the media kinds.
struct ExportLabels {
    std::string page;
    std::vector<std::string> header;
};

// The job record of one recovery. Made and filled on the GUI thread; from the moment its
// TaskThread starts, the export task owns it and deletes it when it ends.
struct RecoverRequest {
    // Takes the page names and column titles of every table kind from the current catalog, so
    // make the request on the GUI thread: the worker never consults the catalog, which the GUI
    // thread replaces when the user switches the language.
    RecoverRequest();
    ~RecoverRequest();
    RecoverRequest(const RecoverRequest&) = delete;
    RecoverRequest& operator=(const RecoverRequest&) = delete;

    wxEvtHandler* target = nullptr;  // receives ID_RECOVER_DONE (the kind screen)
    wxGrid* grid = nullptr;          // the grid the records were checked in; carried only
    // The Device's record vector of this kind (CallHistoryList, ContactList, ... as the kind
    // says); not owned.
    void* items = nullptr;
    // The chosen folder as the user reads it. The table exporters append the page name to it.
    wxString outputDir;
    // The chosen folder as the system's bytes, which every file of the recovery goes into; when
    // empty, outputDir in the system's form of file names.
    std::string folder;
    // Sets folder to the system's bytes and outputDir to their readable form.
    void SetFolder(const std::string& bytes);
    // The folder the recovery writes into, the system's bytes.
    std::string FolderBytes() const;
    // That folder, opened once and checked by the export task (DomainExport::OpenFolder); every
    // file of the recovery is made in the folder opened.
    ExportFolder destination;
    std::uint32_t kind = 0;  // a RecoveryKind
    // Positions in items of the checked records, ascending.
    std::vector<std::int32_t> checked;
    // Translations taken at construction, indexed by RecoveryKind.
    ExportLabels labels[kKindCount];
    PageTexts pageTexts;
    // The name of the list of the items not recovered ("Not recovered.txt") and the reasons it
    // gives, in the user's language.
    std::string failureListName;
    ReasonTexts reasonTexts;
    // What the export did; the task hands it to the target with the done event.
    ExportOutcome outcome;
};
