// The domains in which the phone keeps its own files. One device path can exist in several
// domains (every app has a container of its own, and manifests list the apps' domains first), so
// a reader that wants the phone's database or picture takes a record only from the domain the
// phone keeps that file in; a file of the same path in any other domain is never read as the
// phone's, also when it is the only one.
#pragma once

#include <cstddef>
#include <string_view>

namespace ib {

class PhoneFiles {
  public:
    // At most two domains keep one kind of file (the photo library moved between two).
    static constexpr std::size_t kMaxDomains = 2;

    // The domains the phone keeps devicePath in, written to out; returns their number, 0 for a
    // path that is none of the phone's files that the readers read.
    static std::size_t DomainsOf(std::string_view devicePath, std::string_view out[kMaxDomains]);
    // Whether a record of this domain and path is the phone's own file.
    static bool Holds(std::string_view domain, std::string_view devicePath);
};

}  // namespace ib
