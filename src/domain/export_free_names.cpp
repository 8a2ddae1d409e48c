#include "domain/export_free_names.h"

#include <cerrno>
#include <utility>

namespace {

const std::size_t kMaxNameBytes = 255;
// An extension longer than this is part of the name.
const std::size_t kMaxExtensionBytes = 16;

// The name's stem and extension (with its dot); a leading dot starts no extension.
std::pair<std::string, std::string> SplitExtension(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > kMaxExtensionBytes) {
        return {name, ""};
    }
    return {name.substr(0, dot), name.substr(dot)};
}

// stem + tail, with stem cut (between characters) so that the whole fits in 255 bytes.
std::string FitName(std::string stem, const std::string& tail) {
    if (stem.size() + tail.size() > kMaxNameBytes) {
        std::size_t keep = kMaxNameBytes - tail.size();
        // Never inside a UTF-8 character: back up over continuation bytes.
        while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
        stem.resize(keep);
    }
    return stem + tail;
}

}  // namespace

std::string ExportFreeNames::SafeName(const std::string& name) {
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/') c = '_';
    }
    if (safe.empty()) return "_";
    if (safe == "." || safe == "..") return "_" + safe;
    if (safe.size() <= kMaxNameBytes) return safe;
    const auto parts = SplitExtension(safe);
    return FitName(parts.first, parts.second);
}

std::string ExportFreeNames::NumberedName(const std::string& safeName, int n) {
    const auto parts = SplitExtension(safeName);
    return FitName(parts.first, " (" + std::to_string(n) + ")" + parts.second);
}

void ExportFreeNames::ListFolder() {
    listed_ = true;
    for (std::string& name : folder_.Names()) taken_.insert(std::move(name));
}

bool ExportFreeNames::Write(const std::string& name, const ExportFolder::Fill& fill,
                            std::string* written, ExportError* error) {
    ExportError ignored;
    if (error == nullptr) error = &ignored;
    *error = ExportError();
    const std::string safe = SafeName(name);
    NameState& state = names_[safe];
    if (state.exhausted) {
        *error = ExportError{EEXIST, ExportError::kTarget};
        return false;
    }
    // The content first, under a temporary name: only a whole file is given a name, and the
    // name is the one step that can find a file in its way.
    std::string temp;
    if (!folder_.WriteTemporary(safe, fill, &temp, error)) return false;
    int unexpected = 0;
    for (int n = state.next;; ++n) {
        const std::string candidate = n == 1 ? safe : NumberedName(safe, n);
        // A name the listing holds is taken: no try.
        if (listed_ && taken_.count(candidate) != 0) continue;
        ++tried_;
        const int code = folder_.Publish(temp, candidate);
        if (code == 0) {
            if (listed_) taken_.insert(candidate);
            state.next = n + 1;
            if (written != nullptr) *written = candidate;
            return true;
        }
        if (code != EEXIST) {
            // The name is still free: the next item of this name tries it again.
            folder_.Discard(temp);
            state.next = n;
            *error = ExportError{code, ExportError::kTarget};
            return false;
        }
        if (!listed_) {
            ListFolder();
        } else if (++unexpected >= kMaxUnexpectedTries) {
            folder_.Discard(temp);
            state.next = n + 1;
            state.exhausted = true;
            *error = ExportError{EEXIST, ExportError::kTarget};
            return false;
        }
        taken_.insert(candidate);
        state.next = n + 1;
    }
}
