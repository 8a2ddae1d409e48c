#include "domain/export_template.h"

#include <wx/intl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/wz_tool.h"

namespace {

const char kDataMarker[] = "var data = [];";
const char kTitleMarker[] = "<title></title>";

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
const char* const kPageTextKeys[] = {
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

std::vector<const char*> ExportTemplate::PageTextKeys() {
    return std::vector<const char*>(std::begin(kPageTextKeys), std::end(kPageTextKeys));
}

bool ExportTemplate::WritePage(const char* templatePath, const char* pagePath, const char* json,
                               const char* title, const PageTexts* texts, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    if (pagePath == nullptr && templatePath != nullptr) {
        *error = ExportError{ENOENT, ExportError::kTarget};
        return false;
    }
    return WritePage(
        templatePath, json, title, texts,
        [pagePath](const ExportFolder::Fill& fill, ExportError* e) {
            return ExportFolder::WriteNewAt(pagePath, fill, e);
        },
        error);
}

bool ExportTemplate::WritePage(const char* templatePath, const char* json, const char* title,
                               const PageTexts* texts, const CreatePage& create,
                               ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    auto fail = [error](ExportError::Place place, int code) {
        error->place = place;
        error->code = code;
        return false;
    };
    if (templatePath == nullptr) return fail(ExportError::kTemplate, ENOENT);
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

    // A new file only, whole or not at all: a page never replaces a file, and a page cut short
    // by a full disk never passes for a complete one.
    return create(
        [&pieces](FILE* out, ExportError* e) {
            for (const Piece& piece : pieces) {
                if (!WriteAll(out, piece.p, piece.n)) {
                    *e = ExportError{errno != 0 ? errno : EIO, ExportError::kTarget};
                    return false;
                }
            }
            return true;
        },
        error);
}
