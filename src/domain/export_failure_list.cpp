#include "domain/export_failure_list.h"

#include <cerrno>
#include <cstdio>

#include "common/string_util.h"
#include "domain/domain_export.h"
#include "domain/export_free_names.h"
#include "domain/kind_table.h"

namespace {

void AppendOneLine(std::string& out, const std::string& text) {
    for (char c : text) out += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
}

}  // namespace

ExportFailureList::~ExportFailureList() = default;

std::string ExportFailureList::ItemName(std::uint32_t kind, const void* items, std::size_t i) {
    const KindInfo* info = FindKind(kind);
    if (info == nullptr || i >= info->count(items)) return "";
    std::string name;
    if (info->copyName != nullptr) {
        StringUtil::AppendUtf8(name, info->copyName(items, i, wxString()));
        return name;
    }
    for (const KindColumn& column : info->gridColumns) {
        if (!column.ofRecord) continue;
        StringUtil::AppendUtf8(name, column.cell(items, i, wxString()));
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

void ExportFailureList::Write(ExportFolder& folder, const std::string& name,
                              const ReasonTexts& reasons, ExportOutcome& outcome) {
    if (outcome.failures.empty()) return;
    const std::string text = Text(outcome.failures, reasons);
    ExportFreeNames names(folder);
    ExportError error;
    // A new file, whole or not at all, like every file of a recovery.
    const bool written = names.Write(
        name.empty() ? std::string("Not recovered.txt") : name,
        [&text](FILE* out, ExportError* e) {
            if (text.empty() || std::fwrite(text.data(), 1, text.size(), out) == text.size()) {
                return true;
            }
            *e = ExportError{errno != 0 ? errno : EIO, ExportError::kTarget};
            return false;
        },
        &outcome.listFile, &error);
    if (!written) {
        outcome.listFile.clear();
        outcome.listReason = ExportOutcome::ReasonText(error);
    }
}
