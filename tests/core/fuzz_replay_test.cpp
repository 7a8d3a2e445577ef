// Replays every saved fuzz input (seeds and inputs that once crashed) through the same
// target functions the fuzzers run, without a fuzzing engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fuzz/targets.h"
#include "test_util.h"

namespace fs = std::filesystem;

class FuzzReplay : public ::testing::TestWithParam<vqfuzz::Target> {};

TEST_P(FuzzReplay, EverySavedInputRunsCleanly) {
  const vqfuzz::Target& t = GetParam();
  fs::path dir = fs::path(VQ_FUZZ_CORPUS) / t.name;
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    std::string bytes = vqtest::ReadBytes(entry.path().string());
    SCOPED_TRACE(entry.path().string());
    t.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ++count;
  }
  EXPECT_GT(count, 0) << "no saved inputs for " << t.name;
}

INSTANTIATE_TEST_SUITE_P(AllTargets, FuzzReplay, ::testing::ValuesIn(vqfuzz::kTargets),
                         [](const auto& info) { return std::string(info.param.name); });
