#include "common/file_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <wx/datetime.h>
#include <wx/dir.h>
#include <wx/file.h>
#include <wx/log.h>

#include <cerrno>
#include <charconv>

#include "common/app_info.h"

bool FileUtil::MakeDir(const wxString& path, int mode) {
    return ::mkdir(path.fn_str(), static_cast<mode_t>(mode)) == 0;
}

bool FileUtil::ReplaceFile(const wxString& path, const std::string& bytes) {
    const std::string target(path.fn_str());
    // A name of this process's own beside the target: the rename stays within one file system.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        wxLogSysError(wxS("can't open file '%s'"), path);
        return false;
    }
    struct stat old;
    if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
    bool ok = true;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        wxLogSysError(wxS("can't write file '%s'"), path);
        ::unlink(temp.c_str());
    }
    return ok;
}

namespace {

// "%.1f" of value with a point whatever the locale: the runtime's conversion (and the toolkit's
// "C" formatting, which goes through it) writes the locale's separator, a comma in German.
wxString OneDecimal(double value) {
    char text[64];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    return wxString::FromAscii(text, static_cast<size_t>(r.ptr - text));
}

}  // namespace

wxString FileUtil::FormatSize(std::uint64_t bytes) {
    const double d = static_cast<double>(bytes);
    const double k = d / 1024;
    if (k < 1) return OneDecimal(d) + wxS(" B");
    const double m = k / 1024;
    if (m < 1) return OneDecimal(k) + wxS(" KB");
    const double g = m / 1024;
    if (g < 1) return OneDecimal(m) + wxS(" MB");
    return OneDecimal(g) + wxS(" GB");
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
