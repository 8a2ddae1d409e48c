#include "domain/domain_export.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <sys/stat.h>
#include <wx/event.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <new>

#include "base/wz_base.h"
#include "common/app_util.h"
#include "common/task_thread.h"
#include "domain/export_destination.h"
#include "domain/export_free_names.h"
#include "domain/kind_obj.h"
#include "domain/kind_table.h"
#include "util/wz_tool.h"

static_assert(wxUSE_UNICODE_WCHAR, "cells are converted from wide characters");

namespace {

const char kDataMarker[] = "var data = [];";
const char kTitleMarker[] = "<title></title>";
const char kTemplateName[] = "template.html";

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

// Appends a row whose cells are the first n texts of row.
void AddTextsRow(ExportTable& table, const RowTexts& row, std::size_t n) {
    const char* small[16];
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

    std::string templatePath;
    DomainExport::AppendUtf8(templatePath, AppUtil::GetAppRoot() + "/" + kTemplateName);

    const ExportLabels& labels = request.labels[kind.kind];
    const std::string& page = labels.page.empty() ? std::string(kind.page) : labels.page;
    // The folder is taken before the page name joins outputDir: a request that carries only
    // outputDir would otherwise have its page written into a folder named after the page.
    const std::string folder = request.FolderBytes();
    request.outputDir += wxString::FromUTF8(page.c_str());

    // Like a copy, the page never replaces a file: an earlier page of the same kind, or a file
    // of the user's under that name, stays, and the page takes the next free name.
    // The page name comes with the separator in front ("/Notes.html").
    const std::string name = page.substr(std::min(page.find_first_not_of('/'), page.size()));
    ExportFreeNames names(folder);
    ExportError error;
    const bool written = names.Write(
        name,
        [&](const std::string& pagePath, ExportError* e) {
            return DomainExport::WriteHtml(templatePath.c_str(), pagePath.c_str(), json.c_str(),
                                           kind.name, &request.pageTexts, e);
        },
        &request.outcome.page, &error);
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
    if (request == nullptr || request->checked.empty() || kind == nullptr || kind->page == nullptr)
        return;
    const void* items = request->items;
    const std::size_t count = kind->count(items);
    const std::size_t n = kind->pageColumns.size();

    ExportTable table;
    AddHeaderRow(table, *request, *kind);
    RowTexts row(n);
    std::vector<const wxString*> texts(kind->textCount);
    std::vector<const wxString*> detail(n);
    std::vector<std::size_t> rows;
    rows.reserve(request->checked.size());
    int number = 0;
    for (std::int32_t index : request->checked) {
        if (index < 0 || static_cast<std::size_t>(index) >= count) {
            request->outcome.Failed(std::string(), ExportError{ENOENT, ExportError::kStored});
            continue;
        }
        const auto i = static_cast<std::size_t>(index);
        rows.push_back(i);
        ++number;
        kind->texts(items, i, texts.data());
        for (std::size_t c = 0; c < n; ++c) {
            const KindColumn& column = kind->pageColumns[c];
            if (column.field == KindColumn::kNumber)
                row.Set(c, std::to_string(number).c_str());
            else if (column.field == KindColumn::kLiteral)
                row.Set(c, column.literal);
            else
                row.Set(c, *texts[static_cast<std::size_t>(column.field)]);
        }
        AddTextsRow(table, row, n);
        const std::size_t lines = kind->detailCount(items, i);
        for (std::size_t j = 0; j < lines; ++j) {
            kind->detail(items, i, j, detail.data());
            for (std::size_t c = 0; c < n; ++c) row.Set(c, *detail[c]);
            AddTextsRow(table, row, n);
        }
    }
    FinishPage(table, *request, *kind, rows);
}

// A media kind: a copy of each checked record's stored file, named after the record.
void ExportCopies(RecoverRequest* request, std::uint32_t kindId) {
    const KindInfo* kind = FindKind(kindId);
    if (request == nullptr || request->checked.empty() || kind == nullptr || kind->copySource < 0)
        return;
    const void* items = request->items;
    const std::size_t count = kind->count(items);
    std::vector<const wxString*> texts(kind->textCount);
    ExportFreeNames names(request->FolderBytes());
    for (std::int32_t index : request->checked) {
        if (index < 0 || static_cast<std::size_t>(index) >= count) {
            request->outcome.Failed(std::string(), ExportError{ENOENT, ExportError::kStored});
            continue;
        }
        kind->texts(items, static_cast<std::size_t>(index), texts.data());
        std::string sourcePath;
        DomainExport::AppendUtf8(sourcePath, *texts[static_cast<std::size_t>(kind->copySource)]);
        std::string fileName;
        DomainExport::AppendUtf8(fileName, *texts[static_cast<std::size_t>(kind->copyName)]);
        ExportError error;
        const bool copied = names.Write(
            fileName,
            [&sourcePath](const std::string& target, ExportError* e) {
                return DomainExport::CopyFile(sourcePath.c_str(), target.c_str(), e) == 0;
            },
            nullptr, &error);
        if (copied)
            request->outcome.Recovered();
        else
            request->outcome.Failed(fileName, error);
    }
}

// RapidJSON output into a std::string that keeps the text safe inside an HTML script: "<" and
// the two line separators that old script engines refuse in string literals are escaped. The
// JSON value stays the same; these bytes occur only inside strings. The caller sizes the string
// beforehand (JsonSize), so writing never moves it; a wrong size only costs a reallocation.
class ScriptSafeStream {
  public:
    typedef char Ch;
    explicit ScriptSafeStream(std::string& out) : out_(out) {
        p_ = &out_[0];
        end_ = p_ + out_.size();
    }

    void Put(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (RAPIDJSON_LIKELY(pending_ == 0 && c != '<' && u != 0xE2 && p_ != end_)) {
            *p_++ = c;
            return;
        }
        PutSpecial(c);
    }
    void Flush() {
        if (pending_ == 1) Raw('\xE2');
        if (pending_ == 2) Raw("\xE2\x80", 2);
        pending_ = 0;
    }
    // Cuts the string to what was written.
    void Finish() {
        Flush();
        out_.resize(static_cast<std::size_t>(p_ - out_.data()));
    }

  private:
    __attribute__((noinline)) void PutSpecial(char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (pending_ != 0) {
            // Inside E2 80 xx: only A8 and A9 are replaced.
            if (pending_ == 1) {
                if (u == 0x80) {
                    pending_ = 2;
                    return;
                }
                Raw('\xE2');
                pending_ = 0;
            } else {
                pending_ = 0;
                if (u == 0xA8 || u == 0xA9) {
                    Raw(u == 0xA8 ? "\\u2028" : "\\u2029", 6);
                    return;
                }
                Raw("\xE2\x80", 2);
            }
        }
        if (u == 0xE2) {
            pending_ = 1;
        } else if (c == '<') {
            Raw("\\u003c", 6);
        } else {
            Raw(c);
        }
    }
    void Raw(char c) {
        if (p_ == end_) Grow(1);
        *p_++ = c;
    }
    void Raw(const char* text, std::size_t n) {
        if (static_cast<std::size_t>(end_ - p_) < n) Grow(n);
        std::memcpy(p_, text, n);
        p_ += n;
    }
    void Grow(std::size_t n) {
        const std::size_t used = static_cast<std::size_t>(p_ - out_.data());
        out_.resize(std::max(out_.size() * 2, used + n + 64));
        p_ = &out_[0] + used;
        end_ = &out_[0] + out_.size();
    }

    std::string& out_;
    char* p_;
    char* end_;
    int pending_ = 0;  // bytes of a possible E2 80 A8 / E2 80 A9 held back
};

// Bytes that RapidJSON's writer and ScriptSafeStream add to each input byte inside a string.
struct EscapeExtra {
    unsigned char extra[256];
    EscapeExtra() {
        for (int c = 0; c < 256; ++c) extra[c] = 0;
        for (int c = 0; c < 0x20; ++c) extra[c] = 5;
        for (int c : {'\b', '\t', '\n', '\f', '\r', '"', '\\'}) extra[c] = 1;
        extra[static_cast<unsigned char>('<')] = 5;
    }
};

// The exact length of the table's JSON text.
std::size_t JsonSize(const ExportTable& table) {
    static const EscapeExtra escape;
    std::size_t size = 2 + (table.rows.size() - 1);  // [ ] and the commas between rows
    for (const ExportRow* row : table.rows) {
        const std::size_t n = row->size();
        size += 2 + (n > 0 ? n - 1 : 0) + 2 * n;  // [ ], commas, quotation marks
        // The cells follow one another, each with its zero: one pass over the row's bytes.
        const unsigned char* p = reinterpret_cast<const unsigned char*>(*row->begin());
        const unsigned char* end = reinterpret_cast<const unsigned char*>(*row->end());
        size += static_cast<std::size_t>(end - p) - n;
        std::size_t extra = 0;
        bool separators = false;
        for (; p != end; ++p) {
            extra += escape.extra[*p];
            separators |= *p == 0xE2;
        }
        // Each zero that ends a cell counted as a control byte.
        size += extra - 5 * n;
        if (separators) {
            // E2 80 A8 / E2 80 A9: three bytes become six.
            for (const char* cell : *row) {
                for (const char* q = std::strchr(cell, '\xE2'); q != nullptr;
                     q = std::strchr(q + 1, '\xE2')) {
                    if (q[1] == '\x80' && (q[2] == '\xA8' || q[2] == '\xA9')) size += 3;
                }
            }
        }
    }
    return size;
}

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

// The page's own texts: the template writes each as "{{English text}}".
const char* const kPageTexts[] = {
    wxTRANSLATE("Search"),
    wxTRANSLATE("No matching rows."),
    wxTRANSLATE("This page needs JavaScript to show its table."),
    wxTRANSLATE("Click a column header to sort; click it again to reverse the order."),
    wxTRANSLATE("1 row"),
    wxTRANSLATE("%1 rows"),
    wxTRANSLATE("1 sub-row"),
    wxTRANSLATE("%1 sub-rows"),
    wxTRANSLATE("%1 with %2"),
    wxTRANSLATE("Showing %1 of %2"),
    wxTRANSLATE("Rows %1 to %2 of %3"),
    wxTRANSLATE("Previous"),
    wxTRANSLATE("Next"),
    wxTRANSLATE("Show all"),
};

// Appends text to out as HTML text, fit for an element's content and a quoted attribute.
void AppendHtmlText(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
}

// A piece of the template with each "{{text}}" replaced by the text's translation.
std::string FillTexts(const char* p, std::size_t n, const PageTexts* texts) {
    std::string out;
    out.reserve(n);
    const std::string piece(p, n);
    std::size_t from = 0;
    for (;;) {
        const std::size_t open = piece.find("{{", from);
        const std::size_t close = open == std::string::npos ? open : piece.find("}}", open + 2);
        if (close == std::string::npos) {
            out.append(piece, from, std::string::npos);
            return out;
        }
        out.append(piece, from, open - from);
        const std::string key = piece.substr(open + 2, close - open - 2);
        const std::string* translated = &key;
        if (texts != nullptr) {
            for (const auto& t : *texts) {
                if (t.first == key && !t.second.empty()) translated = &t.second;
            }
        }
        AppendHtmlText(out, *translated);
        from = close + 2;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Request and table

RecoverRequest::RecoverRequest() {
    DomainExport::TranslateLabels(labels);
    DomainExport::TranslatePageTexts(pageTexts);
    DomainExport::TranslateFailureTexts(failureListName, reasonTexts);
}

RecoverRequest::~RecoverRequest() = default;

void RecoverRequest::SetFolder(const std::string& bytes) {
    folder = bytes;
    outputDir = ExportOutcome::DisplayPath(bytes);
}

std::string RecoverRequest::FolderBytes() const {
    if (!folder.empty()) return folder;
    std::string bytes;
    DomainExport::AppendUtf8(bytes, outputDir);
    return bytes;
}

ExportTable::~ExportTable() {
    DomainExport::FreeTable(*this);
}

char* ExportTable::Allocate(std::size_t n) {
    constexpr std::size_t kBlock = 256 * 1024;
    constexpr std::size_t kAlign = alignof(ExportRow);
    n = (n + kAlign - 1) / kAlign * kAlign;
    if (n > kBlock / 4) {
        // A long row gets a block of its own.
        ownBlocks_.emplace_back(new char[n]);
        return ownBlocks_.back().get();
    }
    if (blocks_.empty() || blockSize_ - blockUsed_ < n) {
        blocks_.emplace_back(new char[kBlock]);
        blockSize_ = kBlock;
        blockUsed_ = 0;
    }
    char* p = blocks_.back().get() + blockUsed_;
    blockUsed_ += n;
    return p;
}

void ExportTable::Append(std::size_t n, const char* const* texts) {
    std::size_t small[16];
    std::vector<std::size_t> large;
    std::size_t* lengths = small;
    if (n > 16) {
        large.resize(n);
        lengths = large.data();
    }
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        lengths[i] = texts[i] != nullptr ? std::strlen(texts[i]) : 0;
        bytes += lengths[i];
    }
    char* p = Allocate(sizeof(ExportRow) + bytes + n);
    ExportRow* row = new (p) ExportRow();
    char* cell = p + sizeof(ExportRow);
    row->first_ = cell;
    row->count_ = n;
    for (std::size_t i = 0; i < n; ++i) {
        if (lengths[i] > 0) std::memcpy(cell, texts[i], lengths[i]);
        cell[lengths[i]] = '\0';
        cell += lengths[i] + 1;
    }
    row->end_ = cell;
    textBytes_ += bytes;
    cellCount_ += n;
    rows.push_back(row);
}

void ExportTable::Clear() {
    // Rows are plain records inside the blocks: releasing the blocks releases them.
    rows.clear();
    rows.shrink_to_fit();
    blocks_.clear();
    blocks_.shrink_to_fit();
    ownBlocks_.clear();
    ownBlocks_.shrink_to_fit();
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
    ExportOutcome& outcome = request->outcome;
    outcome = ExportOutcome();
    outcome.kind = request->kind;
    outcome.folder = request->FolderBytes();
    const KindInfo* kind = FindKind(request->kind);
    if (kind != nullptr) outcome.checked = static_cast<int>(request->checked.size());
    // Refused here, whoever asks: a backup is never written into.
    if (kind != nullptr && !ExportDestination::MayWriteInto(outcome.folder, &outcome.refusedIn,
                                                            &outcome.refusedRoot)) {
        outcome.refused = true;
    } else if (kind != nullptr && outcome.folder.empty()) {
        // Without a folder nothing is written: the names would land in "/" instead.
        for (std::int32_t index : request->checked) {
            outcome.Failed(index < 0 ? std::string()
                                     : ExportFailureList::ItemName(request->kind, request->items,
                                                                   static_cast<std::size_t>(index)),
                           ExportError{ENOENT, ExportError::kTarget});
        }
    } else if (kind != nullptr) {
        if (kind->page != nullptr)
            ExportPage(request, request->kind);
        else
            ExportCopies(request, request->kind);
        ExportFailureList::Write(outcome.folder, request->failureListName, request->reasonTexts,
                                 outcome);
    }
    if (request->target != nullptr) {
        wxThreadEvent* done = new wxThreadEvent(wxEVT_THREAD, ID_RECOVER_DONE);
        done->SetInt(0);
        done->SetPayload(outcome);
        request->target->QueueEvent(done);
    }
    TrackedDelete(__FILE__, __LINE__, request);
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
    const char* small[16];
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
    if (table.rows.empty()) return "[]";
    // Sized exactly beforehand: the text of a large export is held once, never copied to grow.
    std::string out(JsonSize(table), '\0');
    ScriptSafeStream stream(out);
    rapidjson::Writer<ScriptSafeStream> writer(stream);
    writer.StartArray();
    for (const ExportRow* row : table.rows) {
        writer.StartArray();
        const char* cell = *row->begin();
        for (std::size_t i = 0; i < row->size(); ++i) {
            const std::size_t len = std::strlen(cell);
            writer.String(cell, static_cast<rapidjson::SizeType>(len));
            cell += len + 1;
        }
        writer.EndArray();
    }
    writer.EndArray();
    stream.Finish();
    return out;
}

bool DomainExport::WriteHtml(const char* templatePath, const char* pagePath, const char* json,
                             const char* title, const PageTexts* texts, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    auto fail = [error](ExportError::Place place, int code) {
        error->place = place;
        error->code = code;
        return false;
    };
    if (templatePath == nullptr) return fail(ExportError::kTemplate, ENOENT);
    if (pagePath == nullptr) return fail(ExportError::kTarget, ENOENT);
    if (json == nullptr) json = "[]";
    if (title == nullptr) title = "";

    FILE* in = WZfopen(templatePath, "r");
    if (in == nullptr) return fail(ExportError::kTemplate, errno);
    std::string text;
    const bool read = ReadWhole(in, text);
    const int readError = errno;
    std::fclose(in);
    if (!read) return fail(ExportError::kTemplate, readError);

    // Without the data marker the page would show an empty table as if nothing had been
    // exported: write no page then.
    const std::size_t data = text.find(kDataMarker);
    if (data == std::string::npos) return fail(ExportError::kTemplate, EINVAL);
    const std::size_t dataEnd = data + sizeof kDataMarker - 1;

    // The inserted data holds no "<" (RowsToJson escapes it), so the first title marker of the
    // page is the first one of the template, before or after the data.
    std::size_t titlePos = text.find(kTitleMarker);
    const std::size_t titleLen = sizeof kTitleMarker - 1;

    // The page as pieces written in order: template text (its texts filled in), the data, the
    // title. Only the template's own text holds texts to fill in, never a cell or the title.
    std::vector<std::string> filled;
    filled.reserve(3);
    struct Piece {
        const char* p;
        std::size_t n;
    };
    const std::string dataText = std::string("var data = ");
    std::vector<Piece> pieces;
    auto addTemplate = [&](std::size_t from, std::size_t to) {
        if (to <= from) return;
        filled.push_back(FillTexts(text.data() + from, to - from, texts));
        pieces.push_back({filled.back().data(), filled.back().size()});
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
    text.clear();
    text.shrink_to_fit();

    // A new file only ("x"): a page never replaces a file, and a failed page removes only
    // what this call wrote.
    FILE* out = WZfopen(pagePath, "wx");
    if (out == nullptr) return fail(ExportError::kTarget, errno);
    int writeError = 0;
    for (const Piece& piece : pieces) {
        if (!WriteAll(out, piece.p, piece.n)) {
            writeError = errno != 0 ? errno : EIO;
            break;
        }
    }
    if (std::fclose(out) != 0 && writeError == 0) writeError = errno != 0 ? errno : EIO;
    if (writeError == 0) return true;
    // A page cut short by a full disk must not pass for a complete one.
    std::remove(pagePath);
    return fail(ExportError::kTarget, writeError);
}

void DomainExport::FreeTable(ExportTable& table) {
    table.Clear();
}

int DomainExport::CopyFile(const char* sourcePath, const char* targetPath, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    auto fail = [error](ExportError::Place place, int code) {
        error->place = place;
        error->code = code;
        return -1;
    };
    if (sourcePath == nullptr) return fail(ExportError::kStored, ENOENT);
    if (targetPath == nullptr) return fail(ExportError::kTarget, ENOENT);
    // Only a regular file is read: a FIFO would block the export for ever, a device or a link
    // would copy something that is not in the backup.
    FILE* in = WZfopen(sourcePath, "rb");
    if (in == nullptr) {
        const int openError = errno;
        struct stat st;
        if (lstat(sourcePath, &st) != 0) return fail(ExportError::kStored, errno);
        if (!S_ISREG(st.st_mode)) return fail(ExportError::kStored, kNotRegular);
        return fail(ExportError::kStored, openError);
    }

    // A new file only ("x"): a copy never replaces a file, be it an earlier copy, a file of the
    // user's, or the stored file itself when the folder lies inside the backup.
    FILE* out = WZfopen(targetPath, "wbx");
    if (out == nullptr) {
        const int openError = errno;
        std::fclose(in);
        return fail(ExportError::kTarget, openError);
    }
    ExportError failure;
    char buffer[256];
    for (;;) {
        std::memset(buffer, 0, sizeof buffer);
        const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, in);
        if (n > 0 && std::fwrite(buffer, 1, n, out) != n) {
            failure = {errno != 0 ? errno : EIO, ExportError::kTarget};
            break;
        }
        if (n < sizeof buffer - 1) {
            if (std::ferror(in) != 0) failure = {errno != 0 ? errno : EIO, ExportError::kStored};
            break;
        }
    }
    std::fclose(in);
    if (std::fclose(out) != 0 && failure.code == 0) {
        failure = {errno != 0 ? errno : EIO, ExportError::kTarget};
    }
    if (failure.code != 0) {
        // No truncated copy that looks complete.
        std::remove(targetPath);
        return fail(failure.place, failure.code);
    }
    return 0;
}

namespace {

const std::size_t kMaxNameBytes = 255;
// An extension longer than this is part of the name.
const std::size_t kMaxExtensionBytes = 16;

// The name's stem and extension (with its dot); a leading dot starts no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > kMaxExtensionBytes) {
        return {name, ""};
    }
    return {name.substr(0, dot), name.substr(dot)};
}

// stem + tail, with stem cut (between characters) so that the whole fits in 255 bytes.
std::string FitName(std::string stem, const std::string& tail) {
    if (stem.size() + tail.size() > kMaxNameBytes) {
        std::size_t keep = kMaxNameBytes - tail.size();
        // Never inside a UTF-8 character: back up over continuation bytes.
        while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
        stem.resize(keep);
    }
    return stem + tail;
}

}  // namespace

std::string DomainExport::SafeFileName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/') c = '_';
    }
    if (safe.empty()) return "_";
    if (safe == "." || safe == "..") return "_" + safe;
    if (safe.size() <= kMaxNameBytes) return safe;
    const auto parts = SplitExtension(safe);
    return FitName(parts.first, parts.second);
}

std::string DomainExport::NumberedFileName(const std::string& safeName, int n) {
    const auto parts = SplitExtension(safeName);
    return FitName(parts.first, " (" + std::to_string(n) + ")" + parts.second);
}

void DomainExport::TranslatePageTexts(PageTexts& texts) {
    texts.clear();
    for (const char* text : kPageTexts) {
        texts.emplace_back(text, std::string());
        AppendUtf8(texts.back().second, wxGetTranslation(wxString::FromUTF8(text)));
    }
}

void DomainExport::TranslateFailureTexts(std::string& listName, ReasonTexts& reasons) {
    listName.clear();
    // TRANSLATORS: the file beside the recovered files that names the items not recovered.
    AppendUtf8(listName, _("Not recovered.txt"));
    reasons.clear();
    for (const std::string& key : ExportOutcome::ReasonKeys()) {
        reasons.emplace_back(key, std::string());
        AppendUtf8(reasons.back().second, wxGetTranslation(wxString::FromUTF8(key.c_str())));
    }
}

void DomainExport::TranslateLabels(ExportLabels (&labels)[kKindCount]) {
    for (ExportLabels& l : labels) {
        l.page.clear();
        l.header.clear();
    }
    for (std::uint32_t k = 0; k < kKindCount; ++k) {
        const KindInfo& kind = *FindKind(k);
        if (kind.page == nullptr) continue;
        ExportLabels& l = labels[k];
        AppendUtf8(l.page, wxGetTranslation(wxString::FromUTF8(kind.page)));
        for (const KindColumn& column : kind.pageColumns) {
            l.header.emplace_back();
            AppendUtf8(l.header.back(), wxGetTranslation(wxString::FromUTF8(column.title)));
        }
    }
}

void DomainExport::AppendUtf8(std::string& out, const wxString& text) {
    const wxStringCharType* p = text.wx_str();
    const std::size_t n = text.length();
    const std::size_t start = out.size();
    out.resize(start + 4 * n);
    char* d = &out[0] + start;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c = static_cast<std::uint32_t>(p[i]);
        if (c < 0x80) {
            if (c == 0) break;
            *d++ = static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
            const std::uint32_t low = static_cast<std::uint32_t>(p[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = 0xFFFD;
        if (c < 0x800) {
            *d++ = static_cast<char>(0xC0 | (c >> 6));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *d++ = static_cast<char>(0xE0 | (c >> 12));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            *d++ = static_cast<char>(0xF0 | (c >> 18));
            *d++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            *d++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            *d++ = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    out.resize(static_cast<std::size_t>(d - out.data()));
}
