#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "platform/fileio.h"
#include "test_util.h"

using namespace vq;

namespace {

struct Times {
  std::time_t access, modified;
};

Times StatTimes(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return {st.st_atim.tv_sec, st.st_mtim.tv_sec};
}

}  // namespace

TEST(SetFileTimes, PutsLastAccessAndLastModifiedToTheLocalTime) {
  vqtest::TempDir dir;
  std::string path = dir / "a.mp3";
  vqtest::WriteBytes(path, "data");
  const std::time_t t = vqtest::LocalTime(2001, 2, 3, 4, 5, 6);
  SetFileTimes(path, t);
  Times times = StatTimes(path);
  EXPECT_EQ(times.modified, t);
  EXPECT_EQ(times.access, t);
  std::tm tm{};
  localtime_r(&times.modified, &tm);
  EXPECT_EQ(tm.tm_year + 1900, 2001);
  EXPECT_EQ(tm.tm_mon + 1, 2);
  EXPECT_EQ(tm.tm_mday, 3);
  EXPECT_EQ(tm.tm_hour, 4);
  EXPECT_EQ(tm.tm_min, 5);
  EXPECT_EQ(tm.tm_sec, 6);
  EXPECT_EQ(ModifiedTime(path), t);
}

TEST(SetFileTimes, WorksOnReadOnlyFilesAndNamesWithJapaneseCharacters) {
  vqtest::TempDir dir;
  std::string path = dir / "フォルダ/曲 1.mp3";
  vqtest::WriteBytes(path, "data");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  const std::time_t t = vqtest::LocalTime(1999, 12, 31, 23, 59, 59);
  SetFileTimes(path, t);
  EXPECT_EQ(StatTimes(path).modified, t);
}

TEST(SetFileTimes, IsSilentWhenTheTimesCannotBeSet) {
  vqtest::TempDir dir;
  EXPECT_NO_THROW(SetFileTimes(dir / "missing.mp3", vqtest::LocalTime(2001, 2, 3, 4, 5, 6)));

  std::string path = dir / "a.mp3";
  vqtest::WriteBytes(path, "data");
  const std::time_t before = StatTimes(path).modified;
  FaultInjection::FailAt(1, EACCES, FileOp::SetTimes);
  EXPECT_NO_THROW(SetFileTimes(path, vqtest::LocalTime(2001, 2, 3, 4, 5, 6)));
  EXPECT_TRUE(FaultInjection::Fired());
  FaultInjection::Reset();
  EXPECT_EQ(StatTimes(path).modified, before);
}
