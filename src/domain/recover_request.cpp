#include "domain/recover_request.h"

#include <wx/intl.h>
#include <wx/translation.h>

#include "domain/domain_export.h"
#include "domain/kind_table.h"

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

// The translations a request takes, members of DomainExport.

void DomainExport::TranslatePageTexts(PageTexts& texts) {
    texts.clear();
    for (const char* text : ExportTemplate::PageTextKeys()) {
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
