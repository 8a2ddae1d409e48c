#include "common/app_util.h"

#include <unistd.h>
#include <wx/utils.h>

#include <vector>

namespace {

// The running program file, as the system names it.
wxString ExePath() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return wxString();
        if (static_cast<std::size_t>(n) < buffer.size())
            return wxString(buffer.data(), *wxConvFileName, static_cast<std::size_t>(n));
        if (buffer.size() >= (1u << 20)) return wxString();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

wxString AppUtil::DirName(const wxString& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == wxString::npos) return wxString();
    return path.substr(0, slash);
}

wxString AppUtil::GetExeDir() {
    return DirName(ExePath());
}

wxString AppUtil::GetAppRoot() {
    return DirName(GetExeDir());
}

void AppUtil::OpenInExplorer(const wxString& path) {
    wxLaunchDefaultApplication(path);
}
