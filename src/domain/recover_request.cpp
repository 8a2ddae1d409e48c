#include "domain/recover_request.h"

#include <wx/intl.h>
#include <wx/translation.h>

#include "common/string_util.h"
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
    // A path: in the system's form of file names, as the folder dialog's path is taken.
    return std::string(static_cast<const char*>(outputDir.fn_str()));
}

// The translations a request takes, members of DomainExport.

void DomainExport::TranslatePageTexts(PageTexts& texts) {
    texts.clear();
    for (const char* text : ExportTemplate::PageTextKeys()) {
        texts.emplace_back(text, std::string());
        StringUtil::AppendUtf8(texts.back().second, wxGetTranslation(StringUtil::FromUtf8(text)));
    }
}

void DomainExport::TranslateFailureTexts(std::string& listName, ReasonTexts& reasons) {
    listName.clear();
    // TRANSLATORS: the file beside the recovered files that names the items not recovered.
    StringUtil::AppendUtf8(listName, _("Not recovered.txt"));
    reasons.clear();
    for (const std::string& key : ExportOutcome::ReasonKeys()) {
        reasons.emplace_back(key, std::string());
        StringUtil::AppendUtf8(reasons.back().second,
                               wxGetTranslation(StringUtil::FromUtf8(key.c_str())));
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
        StringUtil::AppendUtf8(l.page, wxGetTranslation(StringUtil::FromUtf8(kind.page)));
        for (const KindColumn& column : kind.pageColumns) {
            l.header.emplace_back();
            StringUtil::AppendUtf8(l.header.back(),
                                   wxGetTranslation(StringUtil::FromUtf8(column.title)));
        }
    }
}
