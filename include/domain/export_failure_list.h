// The items a recovery could not write, named in a small text file beside the ones it wrote, so
// that what is missing from the folder can still be found out later.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "domain/export_folder.h"
#include "domain/export_outcome.h"

// English reasons with their translations (UTF-8), taken on the GUI thread.
using ReasonTexts = std::vector<std::pair<std::string, std::string>>;

class ExportFailureList {
  public:
    virtual ~ExportFailureList();

    // The name of a checked record as the user saw it: its first non-empty text in the columns
    // of the kind's grid, or for a kind recovered as copies the copy's name (UTF-8). Empty when
    // it has none.
    static std::string ItemName(std::uint32_t kind, const void* items, std::size_t i);

    // The text of the list: one line per failure, the item's name and, after a tab, the reason in
    // the language of reasons (the English reason without a translation). Line breaks and tabs
    // in a name become spaces.
    static std::string Text(const std::vector<ExportFailure>& failures, const ReasonTexts& reasons);

    // Writes the list of outcome's failures into the open folder of the recovery as a new file
    // named name (or the next free numbered name); sets outcome.listFile to the name written, or
    // outcome.listReason to why it could not be. Nothing when nothing failed.
    static void Write(ExportFolder& folder, const std::string& name, const ReasonTexts& reasons,
                      ExportOutcome& outcome);
};
