// Replays the kinds fuzzer's seed corpus and every committed reproducer through the same
// harness: none may crash or leak, and every seed is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "../../fuzz/kinds_fuzz_input.h"

namespace {

std::vector<std::string> Inputs(const char* folder) {
    std::vector<std::string> files;
    const std::filesystem::path dir = std::filesystem::path(BV_SOURCE_DIR) / "fuzz" / folder;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(KindsFuzzReplayTest, SeedsAreReadWhole) {
    kindsfuzz::Harness harness;
    const auto seeds = Inputs("kinds-corpus");
    ASSERT_GE(seeds.size(), kindsfuzz::Targets().size());
    const std::string original = harness.Seed(0);
    const std::size_t normal =
        harness.Run(reinterpret_cast<const std::uint8_t*>(original.data()), original.size());
    EXPECT_GT(normal, 0u);
    for (const auto& file : seeds) {
        SCOPED_TRACE(file);
        const std::string bytes = gen::ReadFile(file);
        // A seed is the small backup's own file in smaller pages: the same entries come back.
        EXPECT_EQ(harness.Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  normal);
    }
}

TEST(KindsFuzzReplayTest, ReproducersRunClean) {
    kindsfuzz::Harness harness;
    for (const auto& file : Inputs("kinds-crashes")) {
        SCOPED_TRACE(file);
        const std::string bytes = gen::ReadFile(file);
        harness.Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
}

}  // namespace
