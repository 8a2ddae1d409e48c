#include "domain/export_destination.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "domain/export_folder.h"
#include "domain/export_outcome.h"
#include "util/wz_tool.h"

namespace {

// The files that make a folder a backup's.
const char* const kBackupFiles[] = {"Manifest.mbdb", "Info.plist"};
// Links followed by their text before a path counts as resolved (as the system's own bound).
const int kMaxLinks = 40;

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

// A folder by device and inode: what a link, a bind mount or a rename cannot disguise.
struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId& other) const { return dev == other.dev && ino == other.ino; }
};

// A descriptor closed at the end of its scope.
struct Fd {
    explicit Fd(int f) : fd(f) {}
    ~Fd() {
        if (fd >= 0) close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd;
};

// Folders above a folder looked at before the walk up gives up (deeper than any real path).
const int kMaxLevels = 4096;

// The folders in the folder open at fd, links followed (the reader follows them too).
std::vector<FolderId> FoldersIn(int fd) {
    std::vector<FolderId> folders;
    for (const std::string& name : ExportFolder::NamesIn(fd)) {
        struct stat st;
        if (fstatat(fd, name.c_str(), &st, 0) == 0 && S_ISDIR(st.st_mode)) {
            folders.push_back(FolderId{st.st_dev, st.st_ino});
        }
    }
    return folders;
}

// The path of the folder open at fd as the system names it now, for the message.
std::string PathOf(int fd) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::vector<char> target(PATH_MAX + 1);
    const ssize_t n = readlink(link.c_str(), target.data(), PATH_MAX);
    return n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : std::string();
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
    // The reader's own root (WZ_Tool), without its trailing "/".
    char* found = WZGetBackupRoot();
    if (found == nullptr) return std::string();
    std::string root(found);
    std::free(found);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

bool ExportDestination::MayWriteInto(const std::string& folder, std::string* backup, bool* root) {
    // The deepest folder of the path that exists, as the system finds it; the parts still to be
    // made lie inside it.
    std::string p = Resolve(folder);
    int fd = -1;
    for (;; p = Parent(p)) {
        fd = open(p.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0 || p == "/") break;
    }
    if (fd < 0) return true;
    const bool may = MayWriteIntoOpened(fd, backup, root);
    close(fd);
    return may;
}

bool ExportDestination::MayWriteIntoOpened(int fd, std::string* backup, bool* root) {
    // What the folder of the backups and the folders in it are, by device and inode.
    std::vector<FolderId> backups;
    FolderId rootId{};
    bool haveRoot = false;
    const std::string rootFolder = BackupRoot();
    if (!rootFolder.empty()) {
        const Fd rootFd(open(rootFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (rootFd.fd >= 0 && fstat(rootFd.fd, &st) == 0) {
            rootId = FolderId{st.st_dev, st.st_ino};
            haveRoot = true;
            backups = FoldersIn(rootFd.fd);
        }
    }
    auto refuse = [&](int at, bool isRoot) {
        if (backup != nullptr) *backup = PathOf(at);
        if (root != nullptr) *root = isRoot;
        return false;
    };
    Fd current(fcntl(fd, F_DUPFD_CLOEXEC, 0));
    for (int level = 0; current.fd >= 0 && level < kMaxLevels; ++level) {
        struct stat st;
        if (fstat(current.fd, &st) != 0) break;
        const FolderId id{st.st_dev, st.st_ino};
        if (haveRoot && id == rootId) return refuse(current.fd, true);
        for (const FolderId& b : backups) {
            if (id == b) return refuse(current.fd, false);
        }
        for (const char* file : kBackupFiles) {
            struct stat marker;
            if (fstatat(current.fd, file, &marker, AT_SYMLINK_NOFOLLOW) == 0) {
                return refuse(current.fd, false);
            }
        }
        Fd parent(openat(current.fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat up;
        // The top: ".." of the root of the file system tree is that root itself.
        if (parent.fd < 0 || fstat(parent.fd, &up) != 0 ||
            (up.st_dev == st.st_dev && up.st_ino == st.st_ino)) {
            break;
        }
        std::swap(current.fd, parent.fd);
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
