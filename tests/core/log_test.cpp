#include "sdk/core/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <string>

namespace
{
std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The file is written in text mode: on Windows every "\n" lands as CR LF.
std::string InFile(std::string text)
{
#ifdef _WIN32
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
    text.insert(at, 1, '\r');
#endif
  return text;
}

struct LogTest : ::testing::Test
{
  std::string path;
  void SetUp() override
  {
    dir = (std::filesystem::temp_directory_path() / ("planeto-log-" + std::to_string(std::random_device{}())))
              .string();
    ASSERT_TRUE(std::filesystem::create_directory(dir));
    path = dir + "/Planeto.log";
  }
  void TearDown() override
  {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string dir;
};
} // namespace

TEST_F(LogTest, EachRunStartsAfresh)
{
  LogReset(path.c_str());
  LogMessage(path.c_str(), 1, "# first run %d\n", 1);
  LogMessage(path.c_str(), 1, "# first run %d\n", 2);
  EXPECT_EQ(ReadFile(path), InFile("# first run 1\n# first run 2\n"));
  LogReset(path.c_str());
  EXPECT_EQ(ReadFile(path), "");
  LogMessage(path.c_str(), 1, "# second run\n");
  EXPECT_EQ(ReadFile(path), InFile("# second run\n"));
}

TEST_F(LogTest, ArgumentsKeepPercentSigns)
{
  LogReset(path.c_str());
  LogMessage(path.c_str(), 1, "# CSunSimple::LoadTextureFromFile failed! (\"%s\")\n", "100%s%n%d.png");
  EXPECT_EQ(ReadFile(path), InFile("# CSunSimple::LoadTextureFromFile failed! (\"100%s%n%d.png\")\n"));
}

TEST_F(LogTest, DisabledOrNullWritesNothing)
{
  LogReset(path.c_str());
  testing::internal::CaptureStderr();
  LogMessage(path.c_str(), 0, "# hidden\n");
  LogMessage(nullptr, 1, "# nowhere\n");
  LogReset(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ReadFile(path), "");
}

TEST_F(LogTest, LongMessageIsCut)
{
  LogReset(path.c_str());
  std::string big(5000, 'x');
  LogMessage(path.c_str(), 1, "# %s\n", big.c_str());
  std::string text = ReadFile(path);
  EXPECT_EQ(text.size(), 1023u);
  EXPECT_EQ(text.substr(0, 3), "# x");
  LogMessage(path.c_str(), 1, "# after\n");
  EXPECT_EQ(ReadFile(path).substr(1023), InFile("# after\n"));
}

TEST_F(LogTest, MessagesAlsoGoToStandardError)
{
  LogReset(path.c_str());
  testing::internal::CaptureStderr();
  LogMessage(path.c_str(), 1, "# No compatible device found.\nYour video card is not installed correctly.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "# No compatible device found.\nYour video card is not installed correctly.\n");
}

TEST_F(LogTest, UnwritableFileIsSilentButStandardErrorStillGetsIt)
{
  // A directory where the file should be: no user can open it for writing.
  ASSERT_TRUE(std::filesystem::create_directory(path));
  LogReset(path.c_str());
  testing::internal::CaptureStderr();
  LogMessage(path.c_str(), 1, "# still reported %u\n", 7u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "# still reported 7\n");

  // A missing directory: also silent.
  std::string missing = dir + "/no/such/dir/Planeto.log";
  LogReset(missing.c_str());
  testing::internal::CaptureStderr();
  LogMessage(missing.c_str(), 1, "# x\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "# x\n");
}
