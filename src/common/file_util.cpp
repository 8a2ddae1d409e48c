#include "common/file_util.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <wx/datetime.h>
#include <wx/dir.h>
#include <wx/file.h>

#include "common/app_info.h"

bool FileUtil::MakeDir(const wxString& path, int mode) {
    return ::mkdir(path.fn_str(), static_cast<mode_t>(mode)) == 0;
}

wxString FileUtil::FormatSize(std::uint64_t bytes) {
    // Formatted without the locale, so that a German locale does not turn the point into a comma.
    const double d = static_cast<double>(bytes);
    const double k = d / 1024;
    if (k < 1) return wxString::FromCDouble(d, 1) + wxS(" B");
    const double m = k / 1024;
    if (m < 1) return wxString::FromCDouble(k, 1) + wxS(" KB");
    const double g = m / 1024;
    if (g < 1) return wxString::FromCDouble(m, 1) + wxS(" MB");
    return wxString::FromCDouble(g, 1) + wxS(" GB");
}

bool FileUtil::FileExists(const wxString& path) {
    return wxFile::Exists(path);
}

bool FileUtil::RemoveDir(const wxString& path, int flags) {
    return wxDir::Remove(path, flags);
}

wxFileOffset FileUtil::GetFileSize(const wxString& path) {
    wxFile file;
    if (!wxFile::Exists(path) || !file.Open(path, wxFile::read)) return -1;
    return file.Length();
}

bool FileUtil::Exists(const wxString& path) {
    return FileExists(path) || wxDir::Exists(path);
}

void FileUtil::ListFilesByExtension(const wxString& directory, wxArrayString& output,
                                    const wxString& extension) {
    if (!wxDir::Exists(directory)) return;
    wxDir dir(directory);
    if (!dir.IsOpened()) return;
    const wxString wanted = extension.AfterLast('.');
    wxString name;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES); more;
         more = dir.GetNext(&name)) {
        if (!name.Contains(wxS("."))) continue;
        if (name.AfterLast('.').Lower() == wanted) output.Add(directory + wxS("/") + name);
    }
}

wxString FileUtil::GetLogFilePath() {
    wxString folder = AppInfo::GetUserDataDir() + wxS("/Log");
    if (!wxDir::Exists(folder)) MakeDir(folder, 0777);
    wxString day = wxDateTime::Now().Format(wxS("%Y-%m-%d"));
    day.Replace(wxS("-"), wxEmptyString);
    return folder + wxS("/") + day + wxS(".log");
}

void FileUtil::WriteLog(const wxString& text) {
    const wxString path = GetLogFilePath();
    wxString entry = wxS("# ");
    if (!text.empty())
        entry += wxDateTime::Now().Format(wxS("%H:%M:%S")) + wxS(" ") + text;
    else
        entry += wxString(wxS('.'), 45) + wxS("\n");
    wxFile file;
    const bool opened =
        FileExists(path) ? file.Open(path, wxFile::write_append) : file.Create(path, false);
    if (!opened) return;
    file.Write(entry, wxConvUTF8);
    file.Close();
}
