// Defaults of the fuzzers' own command line.
#pragma once

#include <cstring>
#include <vector>

namespace fuzzopts {

// Inputs of up to 4 MiB unless the command line sets -max_len: libFuzzer would otherwise keep
// them at the size of the largest seed, at least 4096 bytes, too small for a property list or a
// manifest deep or large enough to matter.
inline void DefaultMaxLen(int* argc, char*** argv) {
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], "-max_len=", 9) == 0) return;
    }
    static std::vector<char*> args;
    static char maxLen[] = "-max_len=4194304";
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, maxLen);
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
}

}  // namespace fuzzopts
