// One description per kind of content, indexed by RecoveryKind: its name, the columns of its grid
// and of its export page, how its property list becomes records, and how its records are counted
// and freed. This is the only place that knows which record class a kind holds; the columns are
// made from the record's members and its conversion from its fields (domain/kind_fields.h), so a
// new kind is one more row here, its record's fields, and its reader in the library.
#pragma once

#include <plist/plist.h>
#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>
#include <vector>

#include "base/wz_base.h"
#include "ib/wz_ib.h"

// The text of a cell: record i of a kind's record vector (checked through CheckedPtr); number
// is the record's number on a page ("1", "2" ...), empty elsewhere.
using KindCell = const wxString& (*)(const void* records, std::size_t i, const wxString& number);
// The stored file of record i of a kind's record vector, in the system's bytes (never decoded:
// the folder of a backup need not be named in UTF-8).
using KindPath = const std::string& (*)(const void* records, std::size_t i);
// The text of a cell in line j of the lines that record i adds under its own on a page.
using KindLineCell = const wxString& (*)(const void* records, std::size_t i, std::size_t j);

// One column of a kind's grid or export page: its title (a catalog key; empty for a hidden
// column) and what each row shows in it.
struct KindColumn {
    const char* title;
    // Grid only: the column's width in a grid gridWidth pixels wide.
    int (*width)(int gridWidth);
    KindCell cell;
    // Page only: the column's cell in each line under the record.
    KindLineCell line;
    // Whether cell shows one of the record's own texts (rather than a fixed text or a number).
    bool ofRecord;

    int WidthIn(int gridWidth) const { return width(gridWidth); }
};

struct KindInfo {
    RecoveryKind kind;
    // The kind's name, a catalog key ("Call History"); also the English title of its page.
    const char* name;
    // Shown as thumbnails (and recovered as file copies) rather than as table rows.
    bool pictures;
    // The class of the records in the kind's vector.
    const std::type_info* record;
    // Table kinds: the grid's columns. Empty for the picture kinds.
    std::vector<KindColumn> gridColumns;
    // Kinds recovered as a page: the page's file name with its leading "/" (a catalog key) and
    // its columns. Null for the kinds recovered as file copies.
    const char* page;
    std::vector<KindColumn> pageColumns;
    // Kinds recovered as file copies: the stored file of a record and the copy's name. Null for
    // the kinds recovered as a page.
    KindPath copySource;
    KindCell copyName;

    // A new vector of the kind's records from its property list (an array of dictionaries, or
    // null); the list is not freed.
    void* (*convert)(plist_t list);
    // The number of records in the kind's vector; 0 for null.
    std::size_t (*count)(const void* records);
    // Deletes the vector and every record in it; null is left alone.
    void (*free)(void* records);
    // How many lines record i adds under its own on the export page (a contact's properties, a
    // conversation's messages); each column's line gives their cells.
    std::size_t (*lineCount)(const void* records, std::size_t i);
};

// The description of a kind; null above 10.
const KindInfo* FindKind(std::uint32_t kind);
// The order in which a scan asks for the kinds: call history first, the pictures last.
const std::vector<RecoveryKind>& KindScanOrder();

// The kind's name in the user's language.
wxString TranslatedKindName(std::uint32_t kind);

// A kind's record vector, typed. Record must be the kind's record class; any other class, or a
// kind above 10, stops the process, as a failed CheckedPtr does.
template <class Record>
std::vector<Record*>* KindRecordsAs(std::uint32_t kind, void* records) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || *info->record != typeid(Record)) WzFatal();
    return static_cast<std::vector<Record*>*>(records);
}

// Deletes a kind's record vector (as delivered by a KindResultEvent) and every record in it.
// records may be null; a kind above 10 deletes nothing.
void DeleteKindRecords(std::uint32_t kind, void* records);

// Number of records in a kind's record vector; 0 for null and for a kind above 10.
std::size_t KindRecordCount(std::uint32_t kind, const void* records);
