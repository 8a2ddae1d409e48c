#include "domain/export_destination.h"

#include <sys/stat.h>
#include <unistd.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "domain/export_outcome.h"

namespace {

// The files that make a folder a backup's.
const char* const kBackupFiles[] = {"Manifest.mbdb", "Info.plist"};
// Links followed by their text before a path counts as resolved (as the system's own bound).
const int kMaxLinks = 40;

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The path with every link resolved, or empty when it cannot be (it does not exist).
std::string RealPath(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return std::string();
    std::string out(real);
    std::free(real);
    return out;
}

std::string Parent(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// An absolute path resolved part by part: each part that exists is resolved with the links in
// it, so that ".." after a link leads where the system would go; a link that leads nowhere yet
// is followed by its text; a part that does not exist is taken as it stands.
std::string ResolveAbsolute(const std::string& path, int depth) {
    std::string resolved = "/";
    std::size_t from = 0;
    while (from < path.size()) {
        std::size_t end = path.find('/', from);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(from, end - from);
        from = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            resolved = Parent(resolved);
            continue;
        }
        const std::string next = Join(resolved, part);
        struct stat st;
        if (lstat(next.c_str(), &st) != 0) {
            resolved = next;
            continue;
        }
        const std::string real = RealPath(next);
        if (!real.empty()) {
            resolved = real;
        } else if (S_ISLNK(st.st_mode) && depth < kMaxLinks) {
            std::vector<char> target(PATH_MAX + 1);
            const ssize_t n = readlink(next.c_str(), target.data(), PATH_MAX);
            std::string text =
                n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : std::string();
            if (text.empty() || text[0] != '/') text = Join(resolved, text);
            resolved = ResolveAbsolute(text, depth + 1);
        } else {
            resolved = next;
        }
    }
    return resolved;
}

}  // namespace

ExportDestination::~ExportDestination() = default;

std::string ExportDestination::Resolve(const std::string& folder) {
    std::string path = folder;
    if (path.empty() || path[0] != '/') {
        std::vector<char> cwd(PATH_MAX);
        if (getcwd(cwd.data(), cwd.size()) != nullptr) path = std::string(cwd.data()) + "/" + path;
    }
    return ResolveAbsolute(path, 0);
}

std::string ExportDestination::BackupRoot() {
    // The same application-data folder as the reader's: $APPDATA, else $XDG_CONFIG_HOME, else
    // ~/.config.
    std::string base;
    const char* appdata = std::getenv("APPDATA");
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (appdata != nullptr && *appdata != 0) {
        base = appdata;
    } else if (xdg != nullptr && *xdg != 0) {
        base = xdg;
    } else if (home != nullptr && *home != 0) {
        base = std::string(home) + "/.config";
    } else {
        return std::string();
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base + "/Apple Computer/MobileSync/Backup";
}

bool ExportDestination::MayWriteInto(const std::string& folder, std::string* backup, bool* root) {
    const std::string rootFolder = BackupRoot();
    const std::string resolvedRoot = rootFolder.empty() ? std::string() : Resolve(rootFolder);
    auto refuse = [&](const std::string& where, bool isRoot) {
        if (backup != nullptr) *backup = where;
        if (root != nullptr) *root = isRoot;
        return false;
    };
    // The folder and every folder above it, as the system finds them.
    for (std::string p = Resolve(folder);; p = Parent(p)) {
        if (!resolvedRoot.empty() && p == resolvedRoot) return refuse(p, true);
        for (const char* file : kBackupFiles) {
            if (Exists(Join(p, file))) return refuse(p, false);
        }
        if (p == "/") break;
    }
    return true;
}

wxString ExportDestination::DescribeRefusal(const std::string& folder, const std::string& backup,
                                            bool root) {
    const wxString where = ExportOutcome::DisplayPath(folder);
    const wxString in = ExportOutcome::DisplayPath(backup);
    if (root) {
        return wxString::Format(_("Nothing was recovered into \"%s\": it lies in the folder of "
                                  "the backups \"%s\", which is never changed. Choose a folder "
                                  "outside it."),
                                where, in);
    }
    return wxString::Format(_("Nothing was recovered into \"%s\": it lies in the backup \"%s\", "
                              "which is never changed. Choose a folder outside it."),
                            where, in);
}
