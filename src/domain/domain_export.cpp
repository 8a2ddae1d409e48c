#include "domain/domain_export.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <sys/stat.h>
#include <wx/event.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/wz_base.h"
#include "common/app_util.h"
#include "common/task_thread.h"
#include "domain/kind_obj.h"
#include "util/wz_tool.h"

static_assert(wxUSE_UNICODE_WCHAR, "cells are converted from wide characters");

namespace {

const char kDataMarker[] = "var data = [];";
const char kTitleMarker[] = "<title></title>";
const char kTemplateName[] = "template.html";

// What a table kind's page is called and which columns it has. The page name and the titles are
// catalog keys; the page title stays English.
struct TableKind {
    std::uint32_t kind;
    const char* page;
    const char* title;
    std::vector<const char*> header;
};

const std::vector<TableKind>& TableKinds() {
    static const std::vector<TableKind> kinds = {
        {KIND_CALL_HISTORY,
         wxTRANSLATE("/Call History.html"),
         "Call History",
         {wxTRANSLATE("Name"), wxTRANSLATE("Phone Number"), wxTRANSLATE("Date Time"),
          wxTRANSLATE("Duration")}},
        {KIND_CONTACTS,
         wxTRANSLATE("/Contacts.html"),
         "Contacts",
         {wxTRANSLATE("ID"), wxTRANSLATE("Name"), wxTRANSLATE("Organization"),
          wxTRANSLATE("Department"), wxTRANSLATE("Note"), wxTRANSLATE("Birthday"),
          wxTRANSLATE("Job Title"), wxTRANSLATE("Nick Name"), wxTRANSLATE("Create Date"),
          wxTRANSLATE("Type"), wxTRANSLATE("Value")}},
        {KIND_MESSAGES,
         wxTRANSLATE("/Messages.html"),
         "Messages",
         {wxTRANSLATE("ID"), wxTRANSLATE("Name"), wxTRANSLATE("Phone Number"),
          wxTRANSLATE("Message"), wxTRANSLATE("Date Time"), wxTRANSLATE("Type"),
          wxTRANSLATE("Text")}},
        {KIND_NOTES,
         wxTRANSLATE("/Notes.html"),
         "Notes",
         {wxTRANSLATE("Date Time"), wxTRANSLATE("Title"), wxTRANSLATE("Contents")}},
        {KIND_SAFARI,
         wxTRANSLATE("/Safari.html"),
         "Safari",
         {wxTRANSLATE("Title"), wxTRANSLATE("Type"), wxTRANSLATE("Url")}},
        {KIND_CALENDAR,
         wxTRANSLATE("/Calendar.html"),
         "Calendar",
         {wxTRANSLATE("Title"), wxTRANSLATE("Location"), wxTRANSLATE("Description"),
          wxTRANSLATE("Url"), wxTRANSLATE("Start Date Time"), wxTRANSLATE("End Date Time"),
          wxTRANSLATE("Area"), wxTRANSLATE("All Day")}},
        {KIND_REMINDERS,
         wxTRANSLATE("/Reminders.html"),
         "Reminders",
         {wxTRANSLATE("Title"), wxTRANSLATE("Location"), wxTRANSLATE("Description"),
          wxTRANSLATE("Status"), wxTRANSLATE("Start Date Time"), wxTRANSLATE("Area")}},
    };
    return kinds;
}

const TableKind* FindTableKind(std::uint32_t kind) {
    for (const TableKind& k : TableKinds()) {
        if (k.kind == kind) return &k;
    }
    return nullptr;
}

// The record at a checked position, or null when the position lies outside the vector.
template <class T>
T* RecordAt(const std::vector<T*>* items, std::int32_t index) {
    if (items == nullptr || index < 0 || static_cast<std::size_t>(index) >= items->size()) {
        return nullptr;
    }
    return (*items)[static_cast<std::size_t>(index)];
}

// Cell texts of one row, converted once into buffers that are reused from row to row.
class RowTexts {
  public:
    explicit RowTexts(std::size_t n) : cells_(n) {}
    // Sets cell c from a record field.
    void Set(std::size_t c, const wxString& text) {
        cells_[c].clear();
        DomainExport::AppendUtf8(cells_[c], text);
    }
    // Sets cell c from a literal.
    void Set(std::size_t c, const char* text) { cells_[c].assign(text); }
    const std::string& operator[](std::size_t c) const { return cells_[c]; }

  private:
    std::vector<std::string> cells_;
};

// Appends a row whose cells are the texts of row (all of them).
void AddTextsRow(ExportTable& table, const RowTexts& row, std::size_t n) {
    switch (n) {
        case 3:
            DomainExport::AddRow(table, 3, row[0].c_str(), row[1].c_str(), row[2].c_str());
            break;
        case 4:
            DomainExport::AddRow(table, 4, row[0].c_str(), row[1].c_str(), row[2].c_str(),
                                 row[3].c_str());
            break;
        case 6:
            DomainExport::AddRow(table, 6, row[0].c_str(), row[1].c_str(), row[2].c_str(),
                                 row[3].c_str(), row[4].c_str(), row[5].c_str());
            break;
        case 7:
            DomainExport::AddRow(table, 7, row[0].c_str(), row[1].c_str(), row[2].c_str(),
                                 row[3].c_str(), row[4].c_str(), row[5].c_str(), row[6].c_str());
            break;
        case 8:
            DomainExport::AddRow(table, 8, row[0].c_str(), row[1].c_str(), row[2].c_str(),
                                 row[3].c_str(), row[4].c_str(), row[5].c_str(), row[6].c_str(),
                                 row[7].c_str());
            break;
        case 11:
            DomainExport::AddRow(table, 11, row[0].c_str(), row[1].c_str(), row[2].c_str(),
                                 row[3].c_str(), row[4].c_str(), row[5].c_str(), row[6].c_str(),
                                 row[7].c_str(), row[8].c_str(), row[9].c_str(), row[10].c_str());
            break;
        default:
            break;
    }
}

// The header row in the language the request was made in. A request made without labels for
// the kind falls back to the English titles.
void AddHeaderRow(ExportTable& table, const RecoverRequest& request, const TableKind& kind) {
    const ExportLabels& labels = request.labels[kind.kind];
    const std::size_t n = kind.header.size();
    RowTexts row(n);
    for (std::size_t c = 0; c < n; ++c) {
        if (labels.header.size() == n) {
            row.Set(c, labels.header[c].c_str());
        } else {
            row.Set(c, kind.header[c]);
        }
    }
    AddTextsRow(table, row, n);
}

// The common end of every table export: the JSON, the page path and the page.
void FinishPage(ExportTable& table, RecoverRequest& request, const TableKind& kind) {
    std::string json = DomainExport::RowsToJson(table);
    // The table is no longer needed once its JSON exists: release it before the page is built.
    DomainExport::FreeTable(table);

    std::string templatePath;
    DomainExport::AppendUtf8(templatePath, AppUtil::GetAppRoot() + "/" + kTemplateName);

    const ExportLabels& labels = request.labels[kind.kind];
    const std::string& page = labels.page.empty() ? std::string(kind.page) : labels.page;
    request.outputDir += wxString::FromUTF8(page.c_str());
    std::string pagePath;
    DomainExport::AppendUtf8(pagePath, request.outputDir);

    DomainExport::WriteHtml(templatePath.c_str(), pagePath.c_str(), json.c_str(), kind.title);
}

// Runs one table export: header, one or more rows per checked record through addRows, page.
template <class T, class AddRows>
void ExportKindTable(RecoverRequest* request, std::uint32_t kindId, AddRows addRows) {
    if (request == nullptr || request->checked.empty()) return;
    const TableKind* kind = FindTableKind(kindId);
    if (kind == nullptr) return;
    const auto* items = static_cast<const std::vector<T*>*>(request->items);

    ExportTable table;
    AddHeaderRow(table, *request, *kind);
    int number = 0;
    for (std::int32_t index : request->checked) {
        T* record = RecordAt(items, index);
        if (record == nullptr) continue;
        ++number;
        addRows(table, *record, number);
    }
    FinishPage(table, *request, *kind);
}

// RapidJSON output into a std::string that keeps the text safe inside an HTML script: "<" and
// the two line separators that old script engines refuse in string literals are escaped. The
// JSON value stays the same; these bytes occur only inside strings.
class ScriptSafeStream {
  public:
    typedef char Ch;
    explicit ScriptSafeStream(std::string& out) : out_(out) {}

    void Put(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (pending_ != 0) {
            // Inside E2 80 xx: only A8 and A9 are replaced.
            if (pending_ == 1) {
                if (u == 0x80) {
                    pending_ = 2;
                    return;
                }
                out_.push_back('\xE2');
                pending_ = 0;
            } else {
                pending_ = 0;
                if (u == 0xA8 || u == 0xA9) {
                    out_.append(u == 0xA8 ? "\\u2028" : "\\u2029");
                    return;
                }
                out_.append("\xE2\x80");
            }
        }
        if (u == 0xE2) {
            pending_ = 1;
        } else if (c == '<') {
            out_.append("\\u003c");
        } else {
            out_.push_back(c);
        }
    }
    void Flush() {
        if (pending_ == 1) out_.push_back('\xE2');
        if (pending_ == 2) out_.append("\xE2\x80");
        pending_ = 0;
    }

  private:
    std::string& out_;
    int pending_ = 0;  // bytes of a possible E2 80 A8 / E2 80 A9 held back
};

// Writes all of data; false on a short write.
bool WriteAll(FILE* f, const char* data, std::size_t n) {
    return n == 0 || std::fwrite(data, 1, n, f) == n;
}

// The whole file as text; false when it cannot be read to its end.
bool ReadWhole(FILE* f, std::string& text) {
    char buffer[64 * 1024];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
        text.append(buffer, n);
        if (n < sizeof buffer) return std::ferror(f) == 0;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Request and table

RecoverRequest::RecoverRequest() {
    DomainExport::TranslateLabels(labels);
}

RecoverRequest::~RecoverRequest() = default;

ExportTable::~ExportTable() {
    DomainExport::FreeTable(*this);
}

const char* ExportTable::Store(const char* text, std::size_t n) {
    constexpr std::size_t kBlock = 256 * 1024;
    ++cellCount_;
    textBytes_ += n;
    if (n + 1 > kBlock / 4) {
        // A long text gets a block of its own, kept behind the current one.
        std::unique_ptr<char[]> own(new char[n + 1]);
        std::memcpy(own.get(), text, n);
        own[n] = '\0';
        const char* result = own.get();
        blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(own));
        return result;
    }
    if (blocks_.empty() || blockSize_ - blockUsed_ < n + 1) {
        blocks_.emplace_back(new char[kBlock]);
        blockSize_ = kBlock;
        blockUsed_ = 0;
    }
    char* cell = blocks_.back().get() + blockUsed_;
    std::memcpy(cell, text, n);
    cell[n] = '\0';
    blockUsed_ += n + 1;
    return cell;
}

void ExportTable::ReleaseTexts() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    blockUsed_ = 0;
    blockSize_ = 0;
    textBytes_ = 0;
    cellCount_ = 0;
}

// ---------------------------------------------------------------------------------------------
// DomainExport

DomainExport::~DomainExport() = default;

void DomainExport::ExportTask(void* userData) {
    RecoverRequest* request = static_cast<RecoverRequest*>(userData);
    if (request == nullptr) return;
    switch (request->kind) {
        case KIND_CALL_HISTORY:
            ExportCallHistory(request);
            break;
        case KIND_CONTACTS:
            ExportContacts(request);
            break;
        case KIND_MESSAGES:
            ExportMessages(request);
            break;
        case KIND_SMS_ATTACHMENTS:
            ExportSmsAttachments(request);
            break;
        case KIND_NOTES:
            ExportNotes(request);
            break;
        case KIND_SAFARI:
            ExportSafari(request);
            break;
        case KIND_CALENDAR:
            ExportCalendar(request);
            break;
        case KIND_REMINDERS:
            ExportReminders(request);
            break;
        case KIND_VOICE_MEMOS:
            ExportVoiceMemos(request);
            break;
        case KIND_CAMERA_ROLL:
            ExportPhotos(request);
            break;
        case KIND_PHOTOS:
            ExportSmsAttachments(request);
            break;
        default:
            break;
    }
    if (request->target != nullptr) {
        wxThreadEvent* done = new wxThreadEvent(wxEVT_THREAD, ID_RECOVER_DONE);
        done->SetInt(0);
        request->target->QueueEvent(done);
    }
    TrackedDelete(__FILE__, __LINE__, request);
}

void DomainExport::ExportCallHistory(RecoverRequest* request) {
    RowTexts row(4);
    ExportKindTable<CallHistory>(request, KIND_CALL_HISTORY,
                                 [&](ExportTable& table, CallHistory& r, int) {
                                     const CallHistory* call = CheckedPtr(&r);
                                     row.Set(0, call->name);
                                     row.Set(1, call->address);
                                     row.Set(2, call->date);
                                     row.Set(3, call->duration);
                                     AddTextsRow(table, row, 4);
                                 });
}

void DomainExport::ExportContacts(RecoverRequest* request) {
    RowTexts row(11);
    RowTexts property(11);
    for (std::size_t c = 0; c < 9; ++c) property.Set(c, "");
    ExportKindTable<Contact>(request, KIND_CONTACTS,
                             [&](ExportTable& table, Contact& r, int number) {
                                 const Contact* contact = CheckedPtr(&r);
                                 row.Set(0, std::to_string(number).c_str());
                                 row.Set(1, contact->name);
                                 row.Set(2, contact->organization);
                                 row.Set(3, contact->department);
                                 row.Set(4, contact->note);
                                 row.Set(5, contact->birthday);
                                 row.Set(6, contact->jobTitle);
                                 row.Set(7, contact->nickName);
                                 row.Set(8, contact->creationDate);
                                 row.Set(9, "-");
                                 row.Set(10, "-");
                                 AddTextsRow(table, row, 11);
                                 for (const auto& entry : contact->properties) {
                                     property.Set(9, entry.first);
                                     property.Set(10, entry.second);
                                     AddTextsRow(table, property, 11);
                                 }
                             });
}

void DomainExport::ExportMessages(RecoverRequest* request) {
    RowTexts row(7);
    RowTexts message(7);
    for (std::size_t c = 0; c < 3; ++c) message.Set(c, "");
    message.Set(3, "->");
    ExportKindTable<Sms>(request, KIND_MESSAGES, [&](ExportTable& table, Sms& r, int number) {
        const Sms* sms = CheckedPtr(&r);
        row.Set(0, std::to_string(number).c_str());
        row.Set(1, sms->another);
        row.Set(2, sms->phone);
        row.Set(3, "->");
        row.Set(4, "-");
        row.Set(5, "-");
        row.Set(6, "-");
        AddTextsRow(table, row, 7);
        for (const Message* m : sms->messages) {
            if (m == nullptr) continue;
            message.Set(4, m->date);
            message.Set(5, m->type != 0 ? "Sent" : "Received");
            message.Set(6, m->text);
            AddTextsRow(table, message, 7);
        }
    });
}

void DomainExport::ExportNotes(RecoverRequest* request) {
    RowTexts row(3);
    ExportKindTable<Note>(request, KIND_NOTES, [&](ExportTable& table, Note& r, int) {
        const Note* note = CheckedPtr(&r);
        row.Set(0, note->create_date);
        row.Set(1, note->title);
        row.Set(2, note->body);
        AddTextsRow(table, row, 3);
    });
}

void DomainExport::ExportSafari(RecoverRequest* request) {
    RowTexts row(3);
    ExportKindTable<SafariHistory>(request, KIND_SAFARI,
                                   [&](ExportTable& table, SafariHistory& r, int) {
                                       const SafariHistory* visit = CheckedPtr(&r);
                                       row.Set(0, visit->title);
                                       row.Set(1, visit->type);
                                       row.Set(2, visit->url);
                                       AddTextsRow(table, row, 3);
                                   });
}

void DomainExport::ExportCalendar(RecoverRequest* request) {
    RowTexts row(8);
    ExportKindTable<Calendar>(request, KIND_CALENDAR, [&](ExportTable& table, Calendar& r, int) {
        const Calendar* event = CheckedPtr(&r);
        row.Set(0, event->title);
        row.Set(1, event->location);
        row.Set(2, event->description);
        row.Set(3, event->url);
        row.Set(4, event->start_date);
        row.Set(5, event->end_date);
        row.Set(6, event->area);
        row.Set(7, event->all_day);
        AddTextsRow(table, row, 8);
    });
}

void DomainExport::ExportReminders(RecoverRequest* request) {
    RowTexts row(6);
    ExportKindTable<Calendar>(request, KIND_REMINDERS, [&](ExportTable& table, Calendar& r, int) {
        const Calendar* reminder = CheckedPtr(&r);
        row.Set(0, reminder->title);
        row.Set(1, reminder->location);
        row.Set(2, reminder->description);
        row.Set(3, reminder->status);
        row.Set(4, reminder->start_date);
        row.Set(5, reminder->area);
        AddTextsRow(table, row, 6);
    });
}

namespace {

// Copies one record's stored file into the request's folder under the record's name.
void CopyRecordFile(const RecoverRequest& request, const wxString& source, const wxString& name) {
    std::string sourcePath;
    DomainExport::AppendUtf8(sourcePath, source);
    std::string fileName;
    DomainExport::AppendUtf8(fileName, name);
    std::string targetPath;
    DomainExport::AppendUtf8(targetPath, request.outputDir);
    targetPath += '/';
    targetPath += DomainExport::SafeFileName(fileName);
    DomainExport::CopyFile(sourcePath.c_str(), targetPath.c_str());
}

}  // namespace

void DomainExport::ExportVoiceMemos(RecoverRequest* request) {
    if (request == nullptr || request->checked.empty()) return;
    const auto* items = static_cast<const VoiceMemosList*>(request->items);
    for (std::int32_t index : request->checked) {
        VoiceMemos* memo = RecordAt(items, index);
        if (memo == nullptr) continue;
        CheckedPtr(memo);
        CopyRecordFile(*request, memo->path, memo->name);
    }
}

void DomainExport::ExportPhotos(RecoverRequest* request) {
    if (request == nullptr || request->checked.empty()) return;
    const auto* items = static_cast<const PhotoList*>(request->items);
    for (std::int32_t index : request->checked) {
        const Photo* photo = RecordAt(items, index);
        if (photo == nullptr) continue;
        CopyRecordFile(*request, photo->path, photo->file_name);
    }
}

void DomainExport::ExportSmsAttachments(RecoverRequest* request) {
    ExportPhotos(request);
}

void DomainExport::AddRow(ExportTable& table, int n, ...) {
    if (n <= 0) return;
    ExportRow* row = new ExportRow();
    row->reserve(static_cast<std::size_t>(n));
    va_list args;
    va_start(args, n);
    for (int i = 0; i < n; ++i) {
        const char* text = va_arg(args, const char*);
        if (text == nullptr) text = "";
        row->push_back(table.Store(text, std::strlen(text)));
    }
    va_end(args);
    table.rows.push_back(row);
}

std::string DomainExport::RowsToJson(const ExportTable& table) {
    if (table.rows.empty()) return "[]";
    std::string out;
    // Every cell costs its text, two quotation marks and a comma; escapes add a little.
    const std::size_t estimate = table.TextBytes() + table.TextBytes() / 32 +
                                 table.CellCount() * 3 + table.rows.size() * 3 + 16;
    out.reserve(estimate);
    ScriptSafeStream stream(out);
    rapidjson::Writer<ScriptSafeStream> writer(stream);
    writer.StartArray();
    for (const ExportRow* row : table.rows) {
        writer.StartArray();
        if (row != nullptr) {
            for (const char* cell : *row) {
                const char* text = cell != nullptr ? cell : "";
                writer.String(text, static_cast<rapidjson::SizeType>(std::strlen(text)));
            }
        }
        writer.EndArray();
    }
    writer.EndArray();
    stream.Flush();
    return out;
}

void DomainExport::WriteHtml(const char* templatePath, const char* pagePath, const char* json,
                             const char* title) {
    if (templatePath == nullptr || pagePath == nullptr) return;
    if (json == nullptr) json = "[]";
    if (title == nullptr) title = "";

    FILE* in = WZfopen(templatePath, "r");
    if (in == nullptr) return;
    std::string text;
    const bool read = ReadWhole(in, text);
    std::fclose(in);
    if (!read) return;

    // Without the data marker the page would show an empty table as if nothing had been
    // exported: write no page then.
    const std::size_t data = text.find(kDataMarker);
    if (data == std::string::npos) return;
    const std::size_t dataEnd = data + sizeof kDataMarker - 1;

    // The inserted data holds no "<" (RowsToJson escapes it), so the first title marker of the
    // page is the first one of the template, before or after the data.
    std::size_t titlePos = text.find(kTitleMarker);
    const std::size_t titleLen = sizeof kTitleMarker - 1;

    // The page as pieces written in order: template text, the data, the title.
    struct Piece {
        const char* p;
        std::size_t n;
    };
    const std::string dataText = std::string("var data = ");
    std::vector<Piece> pieces;
    auto addTemplate = [&](std::size_t from, std::size_t to) {
        if (to > from) pieces.push_back({text.data() + from, to - from});
    };
    auto addTitle = [&]() {
        pieces.push_back({"<title>", 7});
        pieces.push_back({title, std::strlen(title)});
        pieces.push_back({"</title>", 8});
    };
    auto addData = [&]() {
        pieces.push_back({dataText.data(), dataText.size()});
        pieces.push_back({json, std::strlen(json)});
        pieces.push_back({";", 1});
    };
    if (titlePos == std::string::npos) {
        addTemplate(0, data);
        addData();
        addTemplate(dataEnd, text.size());
    } else if (titlePos < data) {
        addTemplate(0, titlePos);
        addTitle();
        addTemplate(titlePos + titleLen, data);
        addData();
        addTemplate(dataEnd, text.size());
    } else {
        addTemplate(0, data);
        addData();
        addTemplate(dataEnd, titlePos);
        addTitle();
        addTemplate(titlePos + titleLen, text.size());
    }

    FILE* out = WZfopen(pagePath, "w");
    if (out == nullptr) return;
    bool ok = true;
    for (const Piece& piece : pieces) {
        if (!WriteAll(out, piece.p, piece.n)) {
            ok = false;
            break;
        }
    }
    if (std::fclose(out) != 0) ok = false;
    // A page cut short by a full disk must not pass for a complete one.
    if (!ok) std::remove(pagePath);
}

void DomainExport::FreeTable(ExportTable& table) {
    for (ExportRow*& row : table.rows) TrackedDelete(__FILE__, __LINE__, row);
    table.rows.clear();
    table.rows.shrink_to_fit();
    table.ReleaseTexts();
}

int DomainExport::CopyFile(const char* sourcePath, const char* targetPath) {
    if (sourcePath == nullptr || targetPath == nullptr) return -1;
    FILE* in = WZfopen(sourcePath, "rb");
    if (in == nullptr) return -1;

    // Opening the target truncates it: never when it is the source itself (an output folder
    // chosen inside the backup), which would destroy the stored file.
    struct stat source;
    struct stat target;
    if (fstat(fileno(in), &source) == 0 && stat(targetPath, &target) == 0 &&
        source.st_dev == target.st_dev && source.st_ino == target.st_ino) {
        std::fclose(in);
        return -1;
    }

    FILE* out = WZfopen(targetPath, "wb");
    if (out == nullptr) {
        std::fclose(in);
        return -1;
    }
    bool ok = true;
    char buffer[256];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, in);
        if (n > 0 && std::fwrite(buffer, 1, n, out) != n) {
            ok = false;
            break;
        }
        if (n < sizeof buffer - 1) {
            if (std::ferror(in) != 0) ok = false;
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0) ok = false;
    if (!ok) {
        // No truncated copy that looks complete.
        std::remove(targetPath);
        return -1;
    }
    return 0;
}

std::string DomainExport::SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/') c = '_';
    }
    if (safe.empty()) return "_";
    if (safe == ".") return "_";
    if (safe == "..") return "__";
    return safe;
}

void DomainExport::TranslateLabels(ExportLabels (&labels)[kKindCount]) {
    for (ExportLabels& l : labels) {
        l.page.clear();
        l.header.clear();
    }
    for (const TableKind& kind : TableKinds()) {
        ExportLabels& l = labels[kind.kind];
        AppendUtf8(l.page, wxGetTranslation(wxString::FromUTF8(kind.page)));
        for (const char* title : kind.header) {
            l.header.emplace_back();
            AppendUtf8(l.header.back(), wxGetTranslation(wxString::FromUTF8(title)));
        }
    }
}

void DomainExport::AppendUtf8(std::string& out, const wxString& text) {
    const wxStringCharType* p = text.wx_str();
    const std::size_t n = text.length();
    out.reserve(out.size() + n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(p[i]);
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
            const std::uint32_t low = static_cast<std::uint32_t>(p[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}
