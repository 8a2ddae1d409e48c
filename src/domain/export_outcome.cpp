#include "domain/export_outcome.h"

#include <sys/stat.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <cerrno>
#include <cstring>

#include "domain/domain_export.h"

namespace {

// The reasons the user may read, in English as the system words them; each is a catalog key.
struct Reason {
    int code;
    const char* text;
};

const Reason kReasons[] = {
    {EACCES, wxTRANSLATE("Permission denied")},
    {EPERM, wxTRANSLATE("Permission denied")},
    {ENOSPC, wxTRANSLATE("No space left on device")},
    {EDQUOT, wxTRANSLATE("Disk quota exceeded")},
    {EROFS, wxTRANSLATE("Read-only file system")},
    {EIO, wxTRANSLATE("Input/output error")},
    {EFBIG, wxTRANSLATE("File too large")},
    {ENAMETOOLONG, wxTRANSLATE("File name too long")},
    {ENOENT, wxTRANSLATE("No such file or directory")},
    {ENOTDIR, wxTRANSLATE("Not a directory")},
    {EEXIST, wxTRANSLATE("File exists")},
    {EINVAL, wxTRANSLATE("Invalid argument")},
};

const char kNotInBackup[] = wxTRANSLATE("not in the backup");
const char kNotRegular[] = wxTRANSLATE("not a regular file");
const char kNoTemplate[] = wxTRANSLATE("the page template cannot be read");

// The system's own words for an error number that no entry above covers (not translated).
std::string SystemText(int code) {
    char buffer[256] = {};
    // The GNU strerror_r returns its text, which may or may not live in the buffer.
    const char* text = strerror_r(code, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string("error ") + std::to_string(code);
}

}  // namespace

void ExportOutcome::Failed(const ExportError& error) {
    Failed(ReasonText(error));
}

void ExportOutcome::Failed(const std::string& why) {
    if (failed == 0) reason = why;
    ++failed;
}

std::string ExportOutcome::ReasonText(const ExportError& error) {
    if (error.place == ExportError::kTemplate) return kNoTemplate;
    if (error.place == ExportError::kStored) {
        if (error.code == ENOENT || error.code == ENOTDIR) return kNotInBackup;
        if (error.code == DomainExport::kNotRegular) return kNotRegular;
    }
    for (const Reason& r : kReasons) {
        if (r.code == error.code) return r.text;
    }
    return SystemText(error.code);
}

wxString ExportOutcome::Describe() const {
    const wxString where = wxString::FromUTF8(folder.c_str());
    wxString text = wxString::Format(wxPLURAL("%d file was recovered into \"%s\".",
                                              "%d files were recovered into \"%s\".", written),
                                     written, where);
    if (failed > 0) {
        text += "\n";
        text += wxString::Format(wxPLURAL("%d item could not be recovered: %s.",
                                          "%d items could not be recovered: %s.", failed),
                                 failed, wxGetTranslation(wxString::FromUTF8(reason.c_str())));
    }
    return text;
}

bool ExportOutcome::MakeFolder(const wxString& folder, std::string* reason) {
    std::string path;
    DomainExport::AppendUtf8(path, folder);
    auto fail = [&](int code) {
        ExportError error;
        error.code = code;
        if (reason != nullptr) *reason = ReasonText(error);
        return false;
    };
    if (path.empty()) return fail(ENOENT);
    // Each parent in turn, then the folder itself; a part that exists must be a folder.
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        const std::string part = path.substr(0, end);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
        } else if (errno != ENOENT) {
            return fail(errno);
        } else if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            return fail(errno);
        }
        if (end == std::string::npos) break;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return fail(errno);
    if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
    return true;
}

wxString ExportOutcome::DescribeFolderFailure(const wxString& folder, const std::string& reason) {
    return wxString::Format(_("The folder \"%s\" cannot be created: %s."), folder,
                            wxGetTranslation(wxString::FromUTF8(reason.c_str())));
}
