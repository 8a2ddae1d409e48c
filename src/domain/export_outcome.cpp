#include "domain/export_outcome.h"

#include <sys/stat.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "common/string_util.h"
#include "domain/domain_export.h"
#include "domain/export_destination.h"
#include "domain/kind_table.h"

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

// A failed item's name as the message shows it: on one line, at most 80 characters.
wxString ShownName(const std::string& name) {
    wxString text = ExportOutcome::DisplayPath(name);
    if (text.empty()) return _("(no name)");
    for (auto it = text.begin(); it != text.end(); ++it) {
        if (*it < 0x20 || *it == 0x7F) *it = ' ';
    }
    const std::size_t kMax = 80;
    if (text.length() > kMax) text = text.Left(kMax - 1) + wxString::FromUTF8("\xE2\x80\xA6");
    return text;
}

// Every checked item recovered: n items of kind, into the page (table kinds) in folder.
wxString AllRecovered(std::uint32_t kind, int n, const wxString& page, const wxString& folder) {
    switch (kind) {
        case KIND_CALL_HISTORY:
            // TRANSLATORS: the number of items, the page's file name, the folder.
            return wxString::Format(wxPLURAL("%d call was recovered into %s in \"%s\".",
                                             "%d calls were recovered into %s in \"%s\".", n),
                                    n, page, folder);
        case KIND_CONTACTS:
            return wxString::Format(wxPLURAL("%d contact was recovered into %s in \"%s\".",
                                             "%d contacts were recovered into %s in \"%s\".", n),
                                    n, page, folder);
        case KIND_MESSAGES:
            return wxString::Format(
                wxPLURAL("%d conversation was recovered into %s in \"%s\".",
                         "%d conversations were recovered into %s in \"%s\".", n),
                n, page, folder);
        case KIND_NOTES:
            return wxString::Format(wxPLURAL("%d note was recovered into %s in \"%s\".",
                                             "%d notes were recovered into %s in \"%s\".", n),
                                    n, page, folder);
        case KIND_SAFARI:
            return wxString::Format(
                wxPLURAL("%d Safari item was recovered into %s in \"%s\".",
                         "%d Safari items were recovered into %s in \"%s\".", n),
                n, page, folder);
        case KIND_CALENDAR:
            return wxString::Format(wxPLURAL("%d event was recovered into %s in \"%s\".",
                                             "%d events were recovered into %s in \"%s\".", n),
                                    n, page, folder);
        case KIND_REMINDERS:
            return wxString::Format(wxPLURAL("%d reminder was recovered into %s in \"%s\".",
                                             "%d reminders were recovered into %s in \"%s\".", n),
                                    n, page, folder);
        case KIND_SMS_ATTACHMENTS:
            // TRANSLATORS: the number of copies, the folder.
            return wxString::Format(wxPLURAL("%d attachment was recovered into \"%s\".",
                                             "%d attachments were recovered into \"%s\".", n),
                                    n, folder);
        case KIND_VOICE_MEMOS:
            return wxString::Format(wxPLURAL("%d voice memo was recovered into \"%s\".",
                                             "%d voice memos were recovered into \"%s\".", n),
                                    n, folder);
        case KIND_CAMERA_ROLL:
            return wxString::Format(wxPLURAL("%d picture was recovered into \"%s\".",
                                             "%d pictures were recovered into \"%s\".", n),
                                    n, folder);
        case KIND_PHOTOS:
            return wxString::Format(wxPLURAL("%d photo was recovered into \"%s\".",
                                             "%d photos were recovered into \"%s\".", n),
                                    n, folder);
        default:
            return wxString::Format(wxPLURAL("%d file was recovered into \"%s\".",
                                             "%d files were recovered into \"%s\".", n),
                                    n, folder);
    }
}

// n of the items checked recovered into folder.
wxString SomeRecovered(std::uint32_t kind, int n, int of, const wxString& folder) {
    switch (kind) {
        case KIND_CALL_HISTORY:
            // TRANSLATORS: the number recovered, the number checked, the folder.
            return wxString::Format(wxPLURAL("%d of %d calls was recovered into \"%s\".",
                                             "%d of %d calls were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_CONTACTS:
            return wxString::Format(wxPLURAL("%d of %d contacts was recovered into \"%s\".",
                                             "%d of %d contacts were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_MESSAGES:
            return wxString::Format(
                wxPLURAL("%d of %d conversations was recovered into \"%s\".",
                         "%d of %d conversations were recovered into \"%s\".", n),
                n, of, folder);
        case KIND_SMS_ATTACHMENTS:
            return wxString::Format(wxPLURAL("%d of %d attachments was recovered into \"%s\".",
                                             "%d of %d attachments were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_NOTES:
            return wxString::Format(wxPLURAL("%d of %d notes was recovered into \"%s\".",
                                             "%d of %d notes were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_SAFARI:
            return wxString::Format(
                wxPLURAL("%d of %d Safari items was recovered into \"%s\".",
                         "%d of %d Safari items were recovered into \"%s\".", n),
                n, of, folder);
        case KIND_CALENDAR:
            return wxString::Format(wxPLURAL("%d of %d events was recovered into \"%s\".",
                                             "%d of %d events were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_REMINDERS:
            return wxString::Format(wxPLURAL("%d of %d reminders was recovered into \"%s\".",
                                             "%d of %d reminders were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_VOICE_MEMOS:
            return wxString::Format(wxPLURAL("%d of %d voice memos was recovered into \"%s\".",
                                             "%d of %d voice memos were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_CAMERA_ROLL:
            return wxString::Format(wxPLURAL("%d of %d pictures was recovered into \"%s\".",
                                             "%d of %d pictures were recovered into \"%s\".", n),
                                    n, of, folder);
        case KIND_PHOTOS:
            return wxString::Format(wxPLURAL("%d of %d photos was recovered into \"%s\".",
                                             "%d of %d photos were recovered into \"%s\".", n),
                                    n, of, folder);
        default:
            return AllRecovered(kind, n, wxString(), folder);
    }
}

// What the message says of a group of failures: that they are not in the backup, could not be
// read from it, or could not be written into the folder.
enum class Cause { kNotInBackup, kUnreadable, kUnwritable };

Cause CauseOf(const ExportFailure& f) {
    if (f.cause.place == ExportError::kStored) {
        return f.reason == kNotInBackup ? Cause::kNotInBackup : Cause::kUnreadable;
    }
    return Cause::kUnwritable;
}

// n failures of one cause, with its reason where the cause has more than one.
wxString DescribeCause(Cause cause, const std::string& reason, int n) {
    const wxString why = wxGetTranslation(wxString::FromUTF8(reason.c_str()));
    switch (cause) {
        case Cause::kNotInBackup:
            // TRANSLATORS: a number of checked items, one of the causes in the message at the
            // end of a recovery ("145 are not in the backup").
            return wxString::Format(
                wxPLURAL("%d is not in the backup", "%d are not in the backup", n), n);
        case Cause::kUnreadable:
            // TRANSLATORS: a number of checked items and why their files could not be read.
            return wxString::Format(wxPLURAL("%d could not be read from the backup: %s",
                                             "%d could not be read from the backup: %s", n),
                                    n, why);
        case Cause::kUnwritable:
        default:
            // TRANSLATORS: a number of checked items and why they could not be written into the
            // chosen folder ("1207 could not be written: No space left on device").
            return wxString::Format(
                wxPLURAL("%d could not be written: %s", "%d could not be written: %s", n), n, why);
    }
}

// The failures counted by cause, the cause of the most first (of equal counts, the one met
// first), in one sentence: "1207 could not be written: No space left on device; 145 are not in
// the backup."
wxString DescribeCauses(const std::vector<ExportFailure>& failures) {
    struct Group {
        Cause cause;
        const std::string* reason;
        int count;
    };
    std::vector<Group> groups;
    for (const ExportFailure& f : failures) {
        const Cause cause = CauseOf(f);
        auto same = [&](const Group& g) { return g.cause == cause && *g.reason == f.reason; };
        auto it = std::find_if(groups.begin(), groups.end(), same);
        if (it == groups.end()) {
            groups.push_back(Group{cause, &f.reason, 1});
        } else {
            ++it->count;
        }
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return a.count > b.count; });
    wxString text;
    for (const Group& g : groups) {
        const wxString part = DescribeCause(g.cause, *g.reason, g.count);
        // TRANSLATORS: joins two causes of failure in the message at the end of a recovery.
        text = text.empty()
                   ? part
                   : wxString::Format(wxGETTEXT_IN_CONTEXT("causes", "%s; %s"), text, part);
    }
    // TRANSLATORS: ends the sentence of the causes of failure.
    return wxString::Format(wxGETTEXT_IN_CONTEXT("causes", "%s."), text);
}

}  // namespace

void ExportOutcome::Failed(const std::string& name, const ExportError& error) {
    const std::string why = ReasonText(error);
    if (failed == 0) reason = why;
    ++failed;
    failures.push_back(ExportFailure{name, why, error});
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

std::vector<std::string> ExportOutcome::ReasonKeys() {
    std::vector<std::string> keys = {kNotInBackup, kNotRegular, kNoTemplate};
    for (const Reason& r : kReasons) {
        if (std::find(keys.begin(), keys.end(), r.text) == keys.end()) keys.push_back(r.text);
    }
    return keys;
}

wxString ExportOutcome::Describe() const {
    const wxString where = DisplayPath(folder);
    if (refused) return ExportDestination::DescribeRefusal(folder, refusedIn, refusedRoot);
    const KindInfo* info = FindKind(kind);
    const bool pageKind = info != nullptr && info->page != nullptr;
    wxString text;
    if (info == nullptr || (recovered == checked && (!pageKind || !page.empty()))) {
        text = AllRecovered(kind, recovered, wxString::FromUTF8(page.c_str()), where);
    } else {
        text = SomeRecovered(kind, recovered, checked, where);
    }
    if (failed == 0) return text;
    text += "\n" + DescribeCauses(failures);
    if (listFile.empty() && !listReason.empty()) {
        // Beside the counts: without the list, the names below are all the user gets.
        text += "\n";
        text += wxString::Format(_("The list of the items not recovered could not be written: %s."),
                                 wxGetTranslation(wxString::FromUTF8(listReason.c_str())));
    }
    const std::size_t shown = std::min<std::size_t>(failures.size(), kNamesShown);
    for (std::size_t i = 0; i < shown; ++i) text += "\n- " + ShownName(failures[i].name);
    if (failures.size() > shown) {
        const int more = static_cast<int>(failures.size() - shown);
        text += "\n";
        text += wxString::Format(wxPLURAL("and %d more.", "and %d more.", more), more);
    }
    if (!listFile.empty()) {
        text += "\n";
        // TRANSLATORS: the name of the text file beside the recovered files.
        text += wxString::Format(_("The items not recovered are listed in \"%s\"."),
                                 DisplayPath(listFile));
    }
    return text;
}

bool ExportOutcome::MakeFolder(const std::string& folder, std::string* reason) {
    const std::string& path = folder;
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

wxString ExportOutcome::DisplayPath(const std::string& bytes) {
    // A path is shown as a text; the path itself stays the bytes it is.
    return StringUtil::FromUtf8(bytes.data(), bytes.size());
}
