#include "domain/export_failure_list.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include "common/string_util.h"
#include "domain/domain_export.h"
#include "domain/export_free_names.h"
#include "domain/kind_table.h"
#include "util/wz_tool.h"

namespace {

// The most texts a record of any kind has.
constexpr std::size_t kMaxTexts = 16;

void AppendOneLine(std::string& out, const std::string& text) {
    for (char c : text) out += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
}

}  // namespace

ExportFailureList::~ExportFailureList() = default;

std::string ExportFailureList::ItemName(std::uint32_t kind, const void* items, std::size_t i) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || i >= info->count(items) || info->textCount > kMaxTexts) return "";
    std::array<const wxString*, kMaxTexts> texts{};
    info->texts(items, i, texts.data());
    std::string name;
    if (info->copyName >= 0) {
        StringUtil::AppendUtf8(name, *texts[static_cast<std::size_t>(info->copyName)]);
        return name;
    }
    for (const KindColumn& column : info->gridColumns) {
        if (column.field < 0 || texts[static_cast<std::size_t>(column.field)] == nullptr) continue;
        StringUtil::AppendUtf8(name, *texts[static_cast<std::size_t>(column.field)]);
        if (name.find_first_not_of(" \t\r\n") != std::string::npos) return name;
        name.clear();
    }
    return name;
}

std::string ExportFailureList::Text(const std::vector<ExportFailure>& failures,
                                    const ReasonTexts& reasons) {
    std::string text;
    for (const ExportFailure& f : failures) {
        AppendOneLine(text, f.name);
        text += '\t';
        const std::string* reason = &f.reason;
        for (const auto& r : reasons) {
            if (r.first == f.reason && !r.second.empty()) reason = &r.second;
        }
        AppendOneLine(text, *reason);
        text += '\n';
    }
    return text;
}

void ExportFailureList::Write(const std::string& folder, const std::string& name,
                              const ReasonTexts& reasons, ExportOutcome& outcome) {
    if (outcome.failures.empty()) return;
    const std::string text = Text(outcome.failures, reasons);
    ExportFreeNames names(folder);
    ExportError error;
    const bool written = names.Write(
        name.empty() ? std::string("Not recovered.txt") : name,
        [&text](const std::string& path, ExportError* e) {
            // A new file only ("x"), like every file of a recovery.
            FILE* out = WZfopen(path.c_str(), "wbx");
            if (out == nullptr) {
                *e = ExportError{errno, ExportError::kTarget};
                return false;
            }
            bool ok = text.empty() || std::fwrite(text.data(), 1, text.size(), out) == text.size();
            int code = ok ? 0 : (errno != 0 ? errno : EIO);
            if (std::fclose(out) != 0 && ok) {
                ok = false;
                code = errno != 0 ? errno : EIO;
            }
            if (ok) return true;
            std::remove(path.c_str());
            *e = ExportError{code, ExportError::kTarget};
            return false;
        },
        &outcome.listFile, &error);
    if (!written) {
        outcome.listFile.clear();
        outcome.listReason = ExportOutcome::ReasonText(error);
    }
}
