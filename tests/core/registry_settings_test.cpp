#include "sdk/core/registry_settings.h"

#include "sdk/os/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zos;

namespace
{
std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct RegistrySettingsTest : ::testing::Test
{
  std::string dir, file;
  void SetUp() override
  {
    char tmpl[] = "/tmp/planeto-regset-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    file = dir + "/zephyro/registry.reg";
    setenv("PLANETO_REGISTRY", file.c_str(), 1);
  }
  void TearDown() override
  {
    unsetenv("PLANETO_REGISTRY");
    ASSERT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
  }
  // Stores a raw value the way another program might have left it.
  void Raw(const char* section, const char* name, uint32_t type, const void* data, uint32_t size)
  {
    std::string key = std::string("SOFTWARE/Zephyro/Planeto/") + section;
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, key.c_str(), &h), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValue(h, name, type, data, size), ERROR_SUCCESS);
    RegCloseKey(h);
  }
};
} // namespace

TEST_F(RegistrySettingsTest, RoundTripsEveryType)
{
  CRegistrySettings reg("Planeto");
  EXPECT_STREQ(reg.GetBaseKey(), "SOFTWARE/Zephyro/Planeto");
  EXPECT_EQ(reg.SetBool("WORLD", "FULLSCREEN", true), ZP_OK);
  EXPECT_EQ(reg.SetByte("WORLD", "COLOR_DEPTH", 32), ZP_OK);
  EXPECT_EQ(reg.SetShort("WORLD", "WIDTH", 800), ZP_OK);
  EXPECT_EQ(reg.SetInt("WORLD", "PLATFORM", -2), ZP_OK);
  EXPECT_EQ(reg.SetFloat("WORLD", "RATIO", 1.25f), ZP_OK);
  EXPECT_EQ(reg.SetDouble("WORLD", "SPEED", 0.1), ZP_OK);
  EXPECT_EQ(reg.SetString("WORLD", "NAME", "OpenGL 1.2"), ZP_OK);

  CRegistrySettings again("Planeto");
  EXPECT_TRUE(again.GetBool("WORLD", "FULLSCREEN", false));
  EXPECT_EQ(again.GetByte("WORLD", "COLOR_DEPTH", 0), 32);
  EXPECT_EQ(again.GetShort("WORLD", "WIDTH", 0), 800);
  EXPECT_EQ(again.GetInt("WORLD", "PLATFORM", 0), -2);
  EXPECT_EQ(again.GetFloat("WORLD", "RATIO", 0), 1.25f);
  EXPECT_EQ(again.GetDouble("WORLD", "SPEED", 0), 0.1);
  char sz[256];
  EXPECT_EQ(again.GetString("WORLD", "NAME", "dflt", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "OpenGL 1.2");

  std::string text = ReadFile(file);
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\n"), std::string::npos);
  EXPECT_NE(text.find("\"WIDTH\"=dword:00000320\n"), std::string::npos);
  EXPECT_NE(text.find("\"FULLSCREEN\"=dword:00000001\n"), std::string::npos);
  EXPECT_NE(text.find("\"PLATFORM\"=dword:fffffffe\n"), std::string::npos);
  EXPECT_NE(text.find("\"RATIO\"=hex:00,00,a0,3f\n"), std::string::npos);
  EXPECT_NE(text.find("\"NAME\"=\"OpenGL 1.2\"\n"), std::string::npos);
}

TEST_F(RegistrySettingsTest, NarrowTypesAreZeroExtendedAndCut)
{
  CRegistrySettings reg("Planeto");
  reg.SetByte("S", "B", 200);
  reg.SetShort("S", "W", 60000);
  EXPECT_EQ(reg.GetInt("S", "B", 0), 200); // zero-extended, not sign-extended
  EXPECT_EQ(reg.GetInt("S", "W", 0), 60000);
  reg.SetInt("S", "I", 0x12345678);
  EXPECT_EQ(reg.GetByte("S", "I", 0), 0x78);
  EXPECT_EQ(reg.GetShort("S", "I", 0), 0x5678);
  EXPECT_TRUE(reg.GetBool("S", "I", false));
  reg.SetBool("S", "F", false);
  EXPECT_FALSE(reg.GetBool("S", "F", true));
  EXPECT_EQ(reg.GetInt("S", "F", 7), 0);
}

TEST_F(RegistrySettingsTest, TypeAndSizeMustMatchExactly)
{
  CRegistrySettings reg("Planeto");
  reg.SetString("S", "TEXT", "123");
  EXPECT_EQ(reg.GetInt("S", "TEXT", 9), 9);
  EXPECT_FALSE(reg.GetBool("S", "TEXT", false));
  reg.SetFloat("S", "F4", 2.0f);
  EXPECT_EQ(reg.GetDouble("S", "F4", -1.0), -1.0); // 4 bytes read as 8: default
  EXPECT_EQ(reg.GetInt("S", "F4", 5), 5);          // binary read as dword: default
  reg.SetDouble("S", "D8", 3.0);
  EXPECT_EQ(reg.GetFloat("S", "D8", -1.0f), -1.0f);
  reg.SetInt("S", "DW", 4);
  EXPECT_EQ(reg.GetFloat("S", "DW", -1.0f), -1.0f); // dword read as binary: default
  char sz[16] = "";
  EXPECT_EQ(reg.GetString("S", "DW", "dflt", sz, sizeof(sz)), ZP_FAIL);
  EXPECT_STREQ(sz, "dflt");

  // Other sizes of the right type.
  uint16_t two = 5;
  Raw("S", "DW2", REG_DWORD, &two, 2);
  EXPECT_EQ(reg.GetInt("S", "DW2", 77), 77);
  uint8_t five[5] = { 1, 0, 0, 0, 0 };
  Raw("S", "DW5", REG_DWORD, five, 5);
  EXPECT_EQ(reg.GetInt("S", "DW5", 77), 77);
  uint8_t big[40] = {};
  Raw("S", "BIN40", REG_BINARY, big, sizeof(big));
  EXPECT_EQ(reg.GetDouble("S", "BIN40", 1.5), 1.5);
}

TEST_F(RegistrySettingsTest, MissingThingsGiveDefaults)
{
  CRegistrySettings reg("Planeto");
  EXPECT_EQ(reg.GetInt("WORLD", "WIDTH", 640), 640); // no file at all
  reg.SetInt("WORLD", "HEIGHT", 480);
  EXPECT_EQ(reg.GetInt("WORLD", "WIDTH", 640), 640); // no value
  EXPECT_EQ(reg.GetInt("OTHER", "HEIGHT", 1), 1);    // no key
  CRegistrySettings other("Other");
  EXPECT_EQ(other.GetInt("WORLD", "HEIGHT", 2), 2); // another application
  char sz[8];
  EXPECT_EQ(reg.GetString("WORLD", "NAME", "def", sz, sizeof(sz)), ZP_FAIL);
  EXPECT_STREQ(sz, "def");
}

TEST_F(RegistrySettingsTest, StringsAndBuffers)
{
  CRegistrySettings reg("Planeto");
  reg.SetString("S", "NAME", "software");
  char sz[64];
  EXPECT_EQ(reg.GetStringWithPrefix("S", "NAME", "gl", sz, sizeof(sz), "./"), ZP_OK);
  EXPECT_STREQ(sz, "./software");
  EXPECT_EQ(reg.GetStringWithPrefix("S", "NONE", "gl", sz, sizeof(sz), "./"), ZP_FAIL);
  EXPECT_STREQ(sz, "./gl");
  EXPECT_EQ(reg.GetStringWithPrefix("S", "NAME", "gl", sz, sizeof(sz), nullptr), ZP_OK);
  EXPECT_STREQ(sz, "software");
  // "software" needs 9 bytes with its NUL.
  char nine[9], eight[8];
  EXPECT_EQ(reg.GetString("S", "NAME", "d", nine, sizeof(nine)), ZP_OK);
  EXPECT_STREQ(nine, "software");
  EXPECT_EQ(reg.GetString("S", "NAME", "d", eight, sizeof(eight)), ZP_FAIL);
  EXPECT_STREQ(eight, "d");
  // The prefix takes its room from the buffer.
  char twelve[12];
  EXPECT_EQ(reg.GetStringWithPrefix("S", "NAME", "d", twelve, sizeof(twelve), "abcd"), ZP_FAIL);
  EXPECT_STREQ(twelve, "abcdd");
  // A REG_SZ stored without its NUL still comes back terminated.
  Raw("S", "RAW", REG_SZ, "xyz", 3);
  char three[4] = "###";
  EXPECT_EQ(reg.GetString("S", "RAW", "d", three, 3), ZP_OK);
  EXPECT_STREQ(three, "xy");
  EXPECT_EQ(reg.GetString("S", "RAW", "d", sz, sizeof(sz)), ZP_OK);
  EXPECT_STREQ(sz, "xyz");
  EXPECT_EQ(reg.SetString("S", "NULL", nullptr), ZP_FAIL);
}

TEST_F(RegistrySettingsTest, UnwritableRegistryFailsEverySet)
{
  std::string blocker = dir + "/blocker";
  std::ofstream(blocker) << "x";
  setenv("PLANETO_REGISTRY", (blocker + "/registry.reg").c_str(), 1);
  CRegistrySettings reg("Planeto");
  EXPECT_EQ(reg.SetInt("WORLD", "WIDTH", 1), ZP_FAIL);
  EXPECT_EQ(reg.SetString("WORLD", "NAME", "x"), ZP_FAIL);
  EXPECT_EQ(reg.SetDouble("WORLD", "D", 1.0), ZP_FAIL);
  EXPECT_EQ(reg.GetInt("WORLD", "WIDTH", 3), 3);
}

TEST_F(RegistrySettingsTest, ReadOnlyPlaceFailsEverySetAndKeepsTheOldFile)
{
  CRegistrySettings reg("Planeto");
  ASSERT_EQ(reg.SetShort("WORLD", "WIDTH", 800), ZP_OK);
  const std::string before = ReadFile(file);
  const std::string sub = dir + "/zephyro";
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);

  // Root ignores mode bits: the writes run in a child without privileges.  The child
  // answers through its exit code: 0 when every Set failed and the old value still reads.
  auto tryWrites = [&](mode_t fileMode, mode_t dirMode) -> int
  {
    chmod(file.c_str(), fileMode);
    chmod(sub.c_str(), dirMode);
    pid_t pid = fork();
    if (pid == 0)
    {
      if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        _exit(77);
      CRegistrySettings child("Planeto");
      bool ok = child.SetShort("WORLD", "WIDTH", 1024) == ZP_FAIL &&
                child.SetString("WORLD", "NAME", "x") == ZP_FAIL &&
                child.SetDouble("WORLD", "SPEED", 2.0) == ZP_FAIL &&
                child.GetShort("WORLD", "WIDTH", 0) == 800;
      _exit(ok ? 0 : 1);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };

  const int readOnlyFile = tryWrites(0444, 0755);
  if (readOnlyFile == 77)
    GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_EQ(readOnlyFile, 0);
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(tryWrites(0666, 0555), 0); // writable file in a read-only directory
  EXPECT_EQ(ReadFile(file), before);
  chmod(sub.c_str(), 0755);
  chmod(file.c_str(), 0644);
  EXPECT_EQ(reg.GetShort("WORLD", "WIDTH", 0), 800);
}

TEST_F(RegistrySettingsTest, DamagedFileGivesDefaultsAndKeepsWhatCanBeRead)
{
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "/zephyro'").c_str()), 0);
  std::ofstream(file, std::ios::binary) << "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\n"
                                           "\"WIDTH\"=dword:00000320\n"
                                           "\"HEIGHT\"=dword:12zz\n"
                                           "\"RATIO\"=hex:00,00\n"
                                           "\xff\xfe garbage\n"
                                           "\"SPEED\"=hex:00,00,00,00,00,00,f0,3f\n"
                                           "\"NAME\"=\"OpenGL"; // cut in the middle of the last line
  CRegistrySettings reg("Planeto");
  EXPECT_EQ(reg.GetShort("WORLD", "WIDTH", 1), 800);
  EXPECT_EQ(reg.GetShort("WORLD", "HEIGHT", 600), 600);
  EXPECT_EQ(reg.GetFloat("WORLD", "RATIO", 1.5f), 1.5f);
  EXPECT_EQ(reg.GetDouble("WORLD", "SPEED", 0.0), 1.0);
  char sz[32];
  EXPECT_EQ(reg.GetString("WORLD", "NAME", "dflt", sz, sizeof(sz)), ZP_FAIL);
  EXPECT_STREQ(sz, "dflt");
  // A write keeps every value that could be read.
  ASSERT_EQ(reg.SetInt("WORLD", "HEIGHT", 600), ZP_OK);
  EXPECT_EQ(reg.GetShort("WORLD", "WIDTH", 1), 800);
  EXPECT_EQ(reg.GetDouble("WORLD", "SPEED", 0.0), 1.0);
  EXPECT_EQ(reg.GetInt("WORLD", "HEIGHT", 0), 600);
}
