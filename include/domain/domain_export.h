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

#include "domain/export_copy.h"
#include "domain/export_failure_list.h"
#include "domain/export_outcome.h"
#include "domain/export_table.h"
#include "domain/export_template.h"
#include "domain/recover_request.h"
#include "ib/wz_ib.h"

class wxEvtHandler;
class wxGrid;

class DomainExport {
  public:
    virtual ~DomainExport();

    // The task of a recovery (a TaskCallback): userData is the RecoverRequest, which this
    // deletes. Runs the kind's exporter, writes the list of the items it could not recover
    // beside them, then queues ID_RECOVER_DONE to the request's target, whatever the exporter
    // did, with the ExportOutcome as its payload. A folder in a backup (ExportDestination) is
    // refused: nothing is written.
    static void ExportTask(void* userData);

    // Opens the request's folder once and checks what was opened (ExportDestination); every file
    // of the recovery is then made in that open folder, whatever its path leads to later. True
    // when it is open (also when it was before); false when it is refused (the request's outcome
    // says so) or cannot be opened (the error number in *error). The export task calls it first.
    static bool OpenFolder(RecoverRequest* request, int* error = nullptr);

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

    // The exporter of a RecoveryKind, the one path by which ExportTask reaches a kind; null
    // above 10.
    using KindExporter = void (*)(RecoverRequest* request);
    static KindExporter Exporter(std::uint32_t kind);

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
    static constexpr int kNotRegular = ExportCopy::kNotRegular;

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
};
