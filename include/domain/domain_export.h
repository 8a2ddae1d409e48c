// Recovery: checked records become files the user keeps. Every table kind becomes one HTML page
// built from template.html with the rows as JSON; every media kind becomes copies of the stored
// files. DomainExport::ExportTask runs on the export's own TaskThread.
#pragma once

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "domain/export_failure_list.h"
#include "domain/export_outcome.h"
#include "ib/wz_ib.h"

class wxEvtHandler;
class wxGrid;

// A table kind's page name (with its leading "/") and column titles in the user's language, as
// UTF-8. Empty for the media kinds.
struct ExportLabels {
    std::string page;
    std::vector<std::string> header;
};

// The page's own texts (search box, counts, notes) as pairs of the English text and its
// translation, UTF-8.
using PageTexts = std::vector<std::pair<std::string, std::string>>;

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
    // empty, outputDir in UTF-8.
    std::string folder;
    // Sets folder to the system's bytes and outputDir to their readable form.
    void SetFolder(const std::string& bytes);
    // The folder the recovery writes into, the system's bytes.
    std::string FolderBytes() const;
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

// One line of a page: its cells, UTF-8 texts that follow one another in the table's storage,
// each ending with a zero. Rows live in the storage of their table.
class ExportRow {
  public:
    class const_iterator {
      public:
        explicit const_iterator(const char* p) : p_(p) {}
        const char* operator*() const { return p_; }
        const_iterator& operator++() {
            p_ += std::strlen(p_) + 1;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return p_ != other.p_; }
        bool operator==(const const_iterator& other) const { return p_ == other.p_; }

      private:
        const char* p_;
    };

    std::size_t size() const { return count_; }
    // The text of cell i (< size()).
    const char* operator[](std::size_t i) const {
        const char* p = first_;
        while (i-- > 0) p += std::strlen(p) + 1;
        return p;
    }
    const_iterator begin() const { return const_iterator(first_); }
    const_iterator end() const { return const_iterator(end_); }

  private:
    friend class ExportTable;
    const char* first_ = nullptr;
    const char* end_ = nullptr;
    std::size_t count_ = 0;
};

// The rows of one page in memory: row 0 holds the column titles, every later row one line. Rows
// and cell texts live in blocks that the table owns, so that a page of many short cells costs
// little more than its text; FreeTable (or the destructor) releases them.
class ExportTable {
  public:
    ExportTable() = default;
    ~ExportTable();
    ExportTable(const ExportTable&) = delete;
    ExportTable& operator=(const ExportTable&) = delete;

    std::vector<ExportRow*> rows;

    // Appends a row of n cells, copies of texts[0..n) (null counts as empty).
    void Append(std::size_t n, const char* const* texts);
    // Bytes of cell text stored (without the terminating zeros) and number of cells.
    std::size_t TextBytes() const { return textBytes_; }
    std::size_t CellCount() const { return cellCount_; }
    // Releases every row and text; the table is empty afterwards.
    void Clear();

  private:
    // n bytes of storage aligned for a row.
    char* Allocate(std::size_t n);

    std::vector<std::unique_ptr<char[]>> blocks_;     // shared by many rows; the last is open
    std::vector<std::unique_ptr<char[]>> ownBlocks_;  // one long row each
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::size_t textBytes_ = 0;
    std::size_t cellCount_ = 0;
};

class DomainExport {
  public:
    virtual ~DomainExport();

    // The task of a recovery (a TaskCallback): userData is the RecoverRequest, which this
    // deletes. Runs the kind's exporter, writes the list of the items it could not recover
    // beside them, then queues ID_RECOVER_DONE to the request's target, whatever the exporter
    // did, with the ExportOutcome as its payload. A folder in a backup (ExportDestination) is
    // refused: nothing is written.
    static void ExportTask(void* userData);

    // Table kinds: one page named after the kind in the request's folder. Nothing is written when
    // nothing is checked.
    static void ExportCallHistory(RecoverRequest* request);
    static void ExportContacts(RecoverRequest* request);
    static void ExportMessages(RecoverRequest* request);
    static void ExportNotes(RecoverRequest* request);
    static void ExportSafari(RecoverRequest* request);
    static void ExportCalendar(RecoverRequest* request);
    static void ExportReminders(RecoverRequest* request);

    // Media kinds: a copy of each checked record's stored file, named after the record, in the
    // request's folder. Sms Attachments and Photos do what Camera Roll does.
    static void ExportVoiceMemos(RecoverRequest* request);
    static void ExportPhotos(RecoverRequest* request);
    static void ExportSmsAttachments(RecoverRequest* request);

    // Appends a row of n cells, copies of the n zero-terminated texts that follow (const char*,
    // in column order). n <= 0 adds nothing.
    static void AddRow(ExportTable& table, int n, ...);
    // The table as JSON: an array of arrays of strings, compact, RapidJSON's escaping; besides,
    // "<" is written as \u003c and U+2028, U+2029 as \u2028, \u2029, so that the text can stand
    // inside an HTML script. A table without rows gives "[]".
    static std::string RowsToJson(const ExportTable& table);
    // Writes the page: the template's text with its first "var data = [];" replaced by
    // "var data = " json ";" and then its first "<title></title>" by the title. Each "{{text}}"
    // of the template becomes the text's translation from texts (the text itself without one),
    // written as HTML text. No page is written when the template cannot be read or holds no
    // "var data = [];"; an existing file at pagePath is never replaced (EEXIST); a page whose
    // writing fails is removed. False, with the error, when no page was written.
    static bool WriteHtml(const char* templatePath, const char* pagePath, const char* json,
                          const char* title, const PageTexts* texts = nullptr,
                          ExportError* error = nullptr);
    // Releases every row and cell text; the table is empty afterwards.
    static void FreeTable(ExportTable& table);

    // The error code of a stored file that is not a regular file (a FIFO, a device, a socket, a
    // folder or a symbolic link), which is never opened for reading.
    static constexpr int kNotRegular = -1;

    // Copies a regular file byte for byte into a new file. Returns 0 after a complete copy; -1
    // when the source is not a regular file or cannot be read, or the target exists already or
    // cannot be created or written (the error tells which). An existing target is never
    // replaced, and a failed copy leaves no target behind.
    static int CopyFile(const char* sourcePath, const char* targetPath,
                        ExportError* error = nullptr);

    // The name a media copy gets for a record name: unchanged when it is an ordinary file name;
    // each "/" becomes "_", an empty name becomes "_" and "." and ".." get a "_" in front, so
    // that a copy lands inside the chosen folder; a name longer than a file system takes (255
    // bytes) is shortened between characters, keeping its extension.
    static std::string SafeFileName(const std::string& name);
    // The n-th name (n >= 2) for a safe name: "IMG_1000 (2).JPG", kept within 255 bytes.
    static std::string NumberedFileName(const std::string& safeName, int n);

    // The page names and column titles of every table kind in the current catalog's language.
    static void TranslateLabels(ExportLabels (&labels)[kKindCount]);
    // The page's own texts in the current catalog's language.
    static void TranslatePageTexts(PageTexts& texts);
    // The failure list's name and reasons in the current catalog's language.
    static void TranslateFailureTexts(std::string& listName, ReasonTexts& reasons);

    // Appends the UTF-8 form of text (up to its first zero character, if any) to out. Code points
    // that UTF-8 cannot carry become U+FFFD.
    static void AppendUtf8(std::string& out, const wxString& text);
};
