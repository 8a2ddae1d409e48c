// Replays the kinds fuzzer's seed corpus and every committed reproducer through the same
// harness: none may crash, hang or leak, and every seed is read.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "../../fuzz/kinds_fuzz_input.h"
#include "support/test_support.h"

namespace {

std::vector<std::string> Inputs(const char* folder) {
    return testing_support::FilesIn(std::string(BV_SOURCE_DIR) + "/fuzz/" + folder);
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

TEST(KindsFuzzReplayTest, SeedsAndReproducersRunClean) {
    // Each input in a child process of its own, with a backup of its own: an input that crashes
    // leaves the backup changed.
    std::vector<std::string> inputs = Inputs("kinds-corpus");
    ASSERT_FALSE(inputs.empty());
    for (const auto& file : Inputs("kinds-crashes")) inputs.push_back(file);
    testing_support::ReplayEach(
        inputs,
        [](const std::string& bytes) {
            kindsfuzz::Harness harness;
            harness.Run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            return std::string();
        },
        std::chrono::minutes(5));  // only a hang fails an input on time
}

}  // namespace
