// mkbackup: writes a synthetic iTunes backup folder, deterministic from a seed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "gen/backup_gen.h"
#include "gen/sample.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: mkbackup --out FOLDER [--seed N] [--scale F] [--filler N] [--encrypted]\n"
                 "                [--binary-info] [--device NAME] [--COUNT N ...]\n"
                 "Writes one backup folder. COUNT options set the size of each kind:\n");
    gen::PrintSampleOptions(stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    gen::SampleOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--out" && hasValue) {
            out = argv[++i];
        } else if (arg == "--encrypted") {
            options.device.encrypted = true;
        } else if (arg == "--binary-info") {
            options.device.binaryInfo = true;
        } else if (arg == "--device" && hasValue) {
            options.device.deviceName = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            Usage();
            return 0;
        } else if (arg.rfind("--", 0) == 0 && hasValue &&
                   gen::SetSampleOption(options, arg.substr(2), argv[i + 1])) {
            ++i;
        } else {
            std::fprintf(stderr, "mkbackup: unknown or incomplete option '%s'\n", arg.c_str());
            return Usage();
        }
    }
    if (out.empty()) return Usage();
    try {
        gen::WriteSampleBackup(out, options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkbackup: %s\n", e.what());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}
