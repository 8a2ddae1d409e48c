#include "domain/export_free_names.h"

#include <dirent.h>

#include <cerrno>

#include "domain/domain_export.h"

void ExportFreeNames::ListFolder() {
    listed_ = true;
    DIR* dir = opendir(folder_.empty() ? "/" : folder_.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) taken_.insert(entry->d_name);
    closedir(dir);
}

bool ExportFreeNames::Write(const std::string& name, const WriteNew& writeNew, std::string* written,
                            ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    const std::string safe = DomainExport::SafeFileName(name);
    NameState& state = names_[safe];
    if (state.exhausted) {
        *error = ExportError{EEXIST, ExportError::kTarget};
        return false;
    }
    int unexpected = 0;
    for (int n = state.next;; ++n) {
        const std::string candidate = n == 1 ? safe : DomainExport::NumberedFileName(safe, n);
        // A name the listing holds is taken: no try.
        if (listed_ && taken_.count(candidate) != 0) continue;
        if (writeNew(folder_ + "/" + candidate, error)) {
            if (listed_) taken_.insert(candidate);
            state.next = n + 1;
            if (written != nullptr) *written = candidate;
            return true;
        }
        if (error->place != ExportError::kTarget || error->code != EEXIST) {
            // The name is still free: the next item of this name tries it again.
            state.next = n;
            return false;
        }
        if (!listed_) {
            ListFolder();
        } else if (++unexpected >= kMaxUnexpectedTries) {
            state.next = n + 1;
            state.exhausted = true;
            return false;
        }
        taken_.insert(candidate);
        state.next = n + 1;
    }
}
