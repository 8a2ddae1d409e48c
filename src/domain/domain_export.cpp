#include "domain/domain_export.h"

#include <wx/event.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>

#include "base/wz_base.h"
#include "common/app_util.h"
#include "common/string_util.h"
#include "common/task_thread.h"
#include "domain/export_destination.h"
#include "domain/export_free_names.h"
#include "domain/export_json.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "util/wz_tool.h"

namespace {

const char kTemplateName[] = "template.html";

// Cell texts of one row, converted once into buffers that are reused from row to row.
class RowTexts {
  public:
    explicit RowTexts(std::size_t n) : cells_(n) {}
    // Sets cell c from a record field.
    void Set(std::size_t c, const wxString& text) {
        cells_[c].clear();
        StringUtil::AppendUtf8(cells_[c], text);
    }
    // Sets cell c from a literal.
    void Set(std::size_t c, const char* text) { cells_[c].assign(text); }
    const std::string& operator[](std::size_t c) const { return cells_[c]; }

  private:
    std::vector<std::string> cells_;
};

// Appends a row whose cells are the first n texts of row.
void AddTextsRow(ExportTable& table, const RowTexts& row, std::size_t n) {
    const char* small[16] = {};
    std::vector<const char*> large;
    const char** texts = small;
    if (n > 16) {
        large.resize(n);
        texts = large.data();
    }
    for (std::size_t c = 0; c < n; ++c) texts[c] = row[c].c_str();
    table.Append(n, texts);
}

// The header row in the language the request was made in. A request made without labels for
// the kind falls back to the English titles.
void AddHeaderRow(ExportTable& table, const RecoverRequest& request, const KindInfo& kind) {
    const ExportLabels& labels = request.labels[kind.kind];
    const std::size_t n = kind.pageColumns.size();
    RowTexts row(n);
    for (std::size_t c = 0; c < n; ++c) {
        if (labels.header.size() == n) {
            row.Set(c, labels.header[c].c_str());
        } else {
            row.Set(c, kind.pageColumns[c].title);
        }
    }
    AddTextsRow(table, row, n);
}

// The common end of every table export: the JSON, the page path and the page. A page is all or
// nothing: written, it recovers every row counted in rows; not written, each of them failed.
void FinishPage(ExportTable& table, RecoverRequest& request, const KindInfo& kind,
                const std::vector<std::size_t>& rows) {
    std::string json = DomainExport::RowsToJson(table);
    // The table is no longer needed once its JSON exists: release it before the page is built.
    DomainExport::FreeTable(table);

    // A path, in the form the system gave the application root in.
    const std::string templatePath(
        static_cast<const char*>((AppUtil::GetAppRoot() + "/" + kTemplateName).fn_str()));

    const ExportLabels& labels = request.labels[kind.kind];
    const std::string& page = labels.page.empty() ? std::string(kind.page) : labels.page;
    request.outputDir += StringUtil::FromUtf8(page.c_str());

    // Like a copy, the page never replaces a file: an earlier page of the same kind, or a file
    // of the user's under that name, stays, and the page takes the next free name.
    // The page name comes with the separator in front ("/Notes.html").
    const std::string name = page.substr(std::min(page.find_first_not_of('/'), page.size()));
    ExportFreeNames names(request.destination);
    ExportError error;
    const bool written = ExportTemplate::WritePage(
        templatePath.c_str(), json.c_str(), kind.name, &request.pageTexts,
        [&](const ExportFolder::Fill& fill, ExportError* e) {
            return names.Write(name, fill, &request.outcome.page, e);
        },
        &error);
    if (written) {
        request.outcome.Recovered(static_cast<int>(rows.size()));
        return;
    }
    request.outcome.page.clear();
    for (std::size_t i : rows) {
        request.outcome.Failed(ExportFailureList::ItemName(kind.kind, request.items, i), error);
    }
}

// A table kind's page: the header, then per checked record its line and the lines under it.
void ExportPage(RecoverRequest* request, std::uint32_t kindId) {
    const KindInfo* kind = FindKind(kindId);
    if (request == nullptr || request->checked.empty() || kind == nullptr ||
        kind->page == nullptr || !DomainExport::OpenFolder(request))
        return;
    const void* items = request->items;
    const std::size_t count = kind->count(items);
    const std::size_t n = kind->pageColumns.size();

    ExportTable table;
    AddHeaderRow(table, *request, *kind);
    RowTexts row(n);
    wxString number;
    std::vector<std::size_t> rows;
    rows.reserve(request->checked.size());
    for (std::int32_t index : request->checked) {
        if (index < 0 || static_cast<std::size_t>(index) >= count) {
            request->outcome.Failed(std::string(), ExportError{ENOENT, ExportError::kStored});
            continue;
        }
        const auto i = static_cast<std::size_t>(index);
        rows.push_back(i);
        number.Printf(wxS("%zu"), rows.size());
        for (std::size_t c = 0; c < n; ++c) row.Set(c, kind->pageColumns[c].cell(items, i, number));
        AddTextsRow(table, row, n);
        const std::size_t lines = kind->lineCount(items, i);
        for (std::size_t j = 0; j < lines; ++j) {
            for (std::size_t c = 0; c < n; ++c) row.Set(c, kind->pageColumns[c].line(items, i, j));
            AddTextsRow(table, row, n);
        }
    }
    FinishPage(table, *request, *kind, rows);
}

// A media kind: a copy of each checked record's stored file, named after the record.
void ExportCopies(RecoverRequest* request, std::uint32_t kindId) {
    const KindInfo* kind = FindKind(kindId);
    if (request == nullptr || request->checked.empty() || kind == nullptr ||
        kind->copySource == nullptr || !DomainExport::OpenFolder(request))
        return;
    const void* items = request->items;
    const std::size_t count = kind->count(items);
    ExportFreeNames names(request->destination);
    for (std::int32_t index : request->checked) {
        if (index < 0 || static_cast<std::size_t>(index) >= count) {
            request->outcome.Failed(std::string(), ExportError{ENOENT, ExportError::kStored});
            continue;
        }
        const auto i = static_cast<std::size_t>(index);
        const std::string& sourcePath = kind->copySource(items, i);
        std::string fileName;
        StringUtil::AppendUtf8(fileName, kind->copyName(items, i, wxString()));
        ExportError error;
        // The stored file first: one that cannot be read leaves no file in the folder at all.
        FILE* in = ExportCopy::OpenSource(sourcePath.c_str(), &error);
        const bool copied = in != nullptr && names.Write(
                                                 fileName,
                                                 [in](FILE* out, ExportError* e) {
                                                     return ExportCopy::CopyStream(in, out, e);
                                                 },
                                                 nullptr, &error);
        if (in != nullptr) std::fclose(in);
        if (copied)
            request->outcome.Recovered();
        else
            request->outcome.Failed(fileName, error);
    }
}

// Every checked item failed with the same error in the chosen folder.
void FailAll(RecoverRequest& request, int code) {
    for (std::int32_t index : request.checked) {
        request.outcome.Failed(index < 0
                                   ? std::string()
                                   : ExportFailureList::ItemName(request.kind, request.items,
                                                                 static_cast<std::size_t>(index)),
                               ExportError{code != 0 ? code : EIO, ExportError::kTarget});
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// DomainExport

DomainExport::~DomainExport() = default;

DomainExport::KindExporter DomainExport::Exporter(std::uint32_t kind) {
    // Indexed by RecoveryKind. Sms Attachments (3) and Photos (10) are copied as Camera Roll is.
    static const KindExporter kExporters[kKindCount] = {
        ExportCallHistory, ExportContacts, ExportMessages,       ExportSmsAttachments,
        ExportNotes,       ExportSafari,   ExportCalendar,       ExportReminders,
        ExportVoiceMemos,  ExportPhotos,   ExportSmsAttachments,
    };
    return kind < kKindCount ? kExporters[kind] : nullptr;
}

void DomainExport::ExportTask(void* userData) {
    RecoverRequest* request = static_cast<RecoverRequest*>(userData);
    if (request == nullptr) return;
    ExportOutcome& outcome = request->outcome;
    outcome = ExportOutcome();
    outcome.kind = request->kind;
    outcome.folder = request->FolderBytes();
    const KindInfo* kind = FindKind(request->kind);
    if (kind != nullptr) outcome.checked = static_cast<int>(request->checked.size());
    if (kind != nullptr && outcome.folder.empty()) {
        // Without a folder nothing is written: the names would land in "/" instead.
        FailAll(*request, ENOENT);
    } else if (kind != nullptr) {
        // Refused here, whoever asks: a backup is never written into.
        int openError = 0;
        if (OpenFolder(request, &openError)) {
            Exporter(request->kind)(request);
            ExportFailureList::Write(request->destination, request->failureListName,
                                     request->reasonTexts, outcome);
        } else if (!outcome.refused) {
            // Nor can the list of them be written there.
            FailAll(*request, openError);
            outcome.listReason =
                ExportOutcome::ReasonText(ExportError{openError, ExportError::kTarget});
        }
    }
    if (request->target != nullptr) {
        wxThreadEvent* done = new wxThreadEvent(wxEVT_THREAD, ID_RECOVER_DONE);
        done->SetInt(0);
        done->SetPayload(outcome);
        request->target->QueueEvent(done);
    }
    TrackedDelete(__FILE__, __LINE__, request);
}

bool DomainExport::OpenFolder(RecoverRequest* request, int* error) {
    if (request == nullptr) return false;
    if (request->destination.IsOpen()) return true;
    ExportOutcome& outcome = request->outcome;
    const std::string folder = request->FolderBytes();
    // The path first, so that a folder not made yet in a backup is refused as such; then what
    // was opened, which is what every file goes into.
    if (!ExportDestination::MayWriteInto(folder, &outcome.refusedIn, &outcome.refusedRoot)) {
        outcome.refused = true;
        return false;
    }
    int code = 0;
    if (!request->destination.Open(folder, &code)) {
        if (error != nullptr) *error = code;
        return false;
    }
    if (!ExportDestination::MayWriteIntoOpened(request->destination.Fd(), &outcome.refusedIn,
                                               &outcome.refusedRoot)) {
        outcome.refused = true;
        request->destination.Open(std::string());
        return false;
    }
    return true;
}

void DomainExport::ExportCallHistory(RecoverRequest* request) {
    ExportPage(request, KIND_CALL_HISTORY);
}

void DomainExport::ExportContacts(RecoverRequest* request) {
    ExportPage(request, KIND_CONTACTS);
}

void DomainExport::ExportMessages(RecoverRequest* request) {
    ExportPage(request, KIND_MESSAGES);
}

void DomainExport::ExportNotes(RecoverRequest* request) {
    ExportPage(request, KIND_NOTES);
}

void DomainExport::ExportSafari(RecoverRequest* request) {
    ExportPage(request, KIND_SAFARI);
}

void DomainExport::ExportCalendar(RecoverRequest* request) {
    ExportPage(request, KIND_CALENDAR);
}

void DomainExport::ExportReminders(RecoverRequest* request) {
    ExportPage(request, KIND_REMINDERS);
}

void DomainExport::ExportVoiceMemos(RecoverRequest* request) {
    ExportCopies(request, KIND_VOICE_MEMOS);
}

void DomainExport::ExportPhotos(RecoverRequest* request) {
    ExportCopies(request, KIND_CAMERA_ROLL);
}

void DomainExport::ExportSmsAttachments(RecoverRequest* request) {
    ExportPhotos(request);
}

void DomainExport::AddRow(ExportTable& table, int n, ...) {
    if (n <= 0) return;
    const std::size_t count = static_cast<std::size_t>(n);
    const char* small[16] = {};
    std::vector<const char*> large;
    const char** texts = small;
    if (count > 16) {
        large.resize(count);
        texts = large.data();
    }
    va_list args;
    va_start(args, n);
    for (std::size_t i = 0; i < count; ++i) texts[i] = va_arg(args, const char*);
    va_end(args);
    table.Append(count, texts);
}

std::string DomainExport::RowsToJson(const ExportTable& table) {
    return ExportJson::Write(table);
}

bool DomainExport::WriteHtml(const char* templatePath, const char* pagePath, const char* json,
                             const char* title, const PageTexts* texts, ExportError* error) {
    return ExportTemplate::WritePage(templatePath, pagePath, json, title, texts, error);
}

void DomainExport::FreeTable(ExportTable& table) {
    table.Clear();
}

int DomainExport::CopyFile(const char* sourcePath, const char* targetPath, ExportError* error) {
    return ExportCopy::Copy(sourcePath, targetPath, error);
}

std::string DomainExport::SafeFileName(const std::string& name) {
    return ExportFreeNames::SafeName(name);
}

std::string DomainExport::NumberedFileName(const std::string& safeName, int n) {
    return ExportFreeNames::NumberedName(safeName, n);
}
