// Every input in the fuzz corpus, replayed as an ordinary test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/play_script.h"

TEST(FuzzCorpus, EveryInputPlaysCleanly) {
  const std::filesystem::path dir = DESKBALL_FUZZ_CORPUS;
  ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream f(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(playScript(bytes.data(), bytes.size()), "") << entry.path().filename();
    ++files;
  }
  EXPECT_GT(files, 0);
}
