#include "sdk/os/registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
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

void WriteFile(const std::string& path, const std::string& text)
{
  std::ofstream out(path, std::ios::binary);
  out << text;
}

void RemoveTree(const std::string& path)
{
  std::string cmd = "rm -rf '" + path + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
}

// Each test gets its own directory and points the registry file into it.
struct RegistryTest : ::testing::Test
{
  std::string dir, file;
  void SetUp() override
  {
    char tmpl[] = "/tmp/planeto-reg-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    file = dir + "/sub/dir/registry.reg";
    setenv("PLANETO_REGISTRY", file.c_str(), 1);
  }
  void TearDown() override
  {
    unsetenv("PLANETO_REGISTRY");
    RemoveTree(dir);
  }

  int32_t Set(const char* key, const char* name, uint32_t type, const void* data, uint32_t size)
  {
    HKEY h = nullptr;
    int32_t r = RegCreateKey(HKEY_LOCAL_MACHINE, key, &h);
    if (r != ERROR_SUCCESS)
      return r;
    r = RegSetValue(h, name, type, data, size);
    RegCloseKey(h);
    return r;
  }

  // Type and bytes of a value, or false.
  bool Get(const char* key, const char* name, uint32_t* type, std::string* data)
  {
    HKEY h = nullptr;
    if (RegOpenKey(HKEY_LOCAL_MACHINE, key, &h) != ERROR_SUCCESS)
      return false;
    uint32_t size = 0;
    bool ok = RegQueryValue(h, name, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok)
    {
      data->assign(size, '\0');
      ok = RegQueryValue(h, name, type, data->data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(h);
    return ok;
  }
};

const char kKey[] = "SOFTWARE/Zephyro/Planeto/WORLD";
} // namespace

TEST(RegistryPath, FromEnvironment)
{
  std::string saved = getenv("HOME") ? getenv("HOME") : "";
  setenv("PLANETO_REGISTRY", "/x/y.reg", 1);
  EXPECT_EQ(RegistryFilePath(), "/x/y.reg");
  unsetenv("PLANETO_REGISTRY");
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  EXPECT_EQ(RegistryFilePath(), "/cfg/zephyro/registry.reg");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(RegistryFilePath(), "/home/someone/.config/zephyro/registry.reg");
  setenv("HOME", saved.c_str(), 1);
}

TEST_F(RegistryTest, RoundTripInExportLayout)
{
  uint32_t width = 800;
  float ratio = 1.0f;
  ASSERT_EQ(Set(kKey, "WIDTH", REG_DWORD, &width, 4), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "RATIO", REG_BINARY, &ratio, 4), ERROR_SUCCESS);
  const char name[] = "OpenGL \"1.2\" C:\\x";
  ASSERT_EQ(Set(kKey, "NAME", REG_SZ, name, sizeof(name)), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(file), "Windows Registry Editor Version 5.00\n"
                            "\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\n"
                            "\"WIDTH\"=dword:00000320\n"
                            "\"RATIO\"=hex:00,00,80,3f\n"
                            "\"NAME\"=\"OpenGL \\\"1.2\\\" C:\\\\x\"\n");

  uint32_t type = 0;
  std::string data;
  ASSERT_TRUE(Get(kKey, "WIDTH", &type, &data));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, std::string("\x20\x03\0\0", 4));
  ASSERT_TRUE(Get(kKey, "name", &type, &data)); // names compare without case
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(data, std::string(name, sizeof(name)));
  // Replacing keeps one value of the name.
  width = 1024;
  ASSERT_EQ(Set(kKey, "width", REG_DWORD, &width, 4), ERROR_SUCCESS);
  ASSERT_TRUE(Get(kKey, "WIDTH", &type, &data));
  EXPECT_EQ(data, std::string("\0\4\0\0", 4));
  EXPECT_EQ(ReadFile(file).find("\"WIDTH\""), std::string::npos);
}

TEST_F(RegistryTest, UnusualValuesSurviveExactly)
{
  // Sizes and types the text forms cannot carry are kept as hex(type).
  const char shortDword[2] = { 1, 2 };
  const char strayNul[] = "a\0b";
  const char noNul[3] = { 'x', 'y', 'z' };
  const char newline[] = "line\nbreak";
  ASSERT_EQ(Set(kKey, "SHORT", REG_DWORD, shortDword, 2), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "NUL", REG_SZ, strayNul, sizeof(strayNul)), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "NONUL", REG_SZ, noNul, 3), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "NL", REG_SZ, newline, sizeof(newline)), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "EMPTY", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  ASSERT_EQ(Set(kKey, "", 11, "\1\2\3\4\5\6\7\10", 8), ERROR_SUCCESS);
  uint32_t type;
  std::string data;
  ASSERT_TRUE(Get(kKey, "SHORT", &type, &data));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(data, std::string(shortDword, 2));
  ASSERT_TRUE(Get(kKey, "NUL", &type, &data));
  EXPECT_EQ(data, std::string(strayNul, sizeof(strayNul)));
  ASSERT_TRUE(Get(kKey, "NONUL", &type, &data));
  EXPECT_EQ(data, "xyz");
  ASSERT_TRUE(Get(kKey, "NL", &type, &data));
  EXPECT_EQ(data, std::string(newline, sizeof(newline)));
  ASSERT_TRUE(Get(kKey, "EMPTY", &type, &data));
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(data, "");
  ASSERT_TRUE(Get(kKey, "", &type, &data));
  EXPECT_EQ(type, 11u);
  EXPECT_EQ(data.size(), 8u);
}

TEST_F(RegistryTest, KeysAreWholeNamesNotNesting)
{
  uint32_t one = 1;
  ASSERT_EQ(Set("A/B", "V", REG_DWORD, &one, 4), ERROR_SUCCESS);
  HKEY h = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "A", &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKey(HKEY_CURRENT_USER, "A/B", &h), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "a/b", &h), ERROR_SUCCESS);
  uint32_t type, size = 4;
  uint32_t value = 0;
  EXPECT_EQ(RegQueryValue(h, "V", &type, &value, &size), ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(RegQueryValue(h, "W", &type, &value, &size), ERROR_FILE_NOT_FOUND);
  // A buffer too small reports the size needed.
  uint8_t small[2];
  size = 2;
  EXPECT_EQ(RegQueryValue(h, "V", &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  // A key opened for reading cannot write.
  EXPECT_EQ(RegSetValue(h, "V", REG_DWORD, &value, 4), ERROR_ACCESS_DENIED);
  RegCloseKey(h);
}

TEST_F(RegistryTest, MissingFileMeansNoKeys)
{
  HKEY h = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, kKey, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(h, nullptr);
  struct stat st;
  EXPECT_NE(stat(file.c_str(), &st), 0); // reading creates nothing
}

TEST_F(RegistryTest, DamagedFileKeepsReadableValues)
{
  ASSERT_EQ(system(("mkdir -p '" + dir + "/sub/dir'").c_str()), 0);
  std::string damaged = "Windows Registry Editor Version 5.00\r\n"
                        "\r\n"
                        "\"ORPHAN\"=dword:00000001\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\r\n"
                        "\"WIDTH\"=dword:00000320\r\n"
                        "\"BROKEN\"=dword:zz\r\n"
                        "\"TOOLONG\"=dword:123456789\r\n"
                        "garbage line \x01\x02\xff\r\n"
                        "\"HALF\"=hex:00,0\r\n"
                        "\"UNTERMINATED\"=\"abc\r\n"
                        "\"WRAPPED\"=hex:01,02,\\\r\n"
                        "  03,04\r\n"
                        "[HKEY_LOCAL_MACHINE\\BROKEN\r\n"
                        "\"LOST\"=dword:00000005\r\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE/Zephyro/Planeto/WORLD]\r\n"
                        "\"HEIGHT\"=dword:00000258\r\n"
                        "\"TEXT\"=\"ok\"\r\n"
                        "\"CUT"; // file ends in the middle of a line
  damaged += std::string("\0\0\0", 3);
  WriteFile(file, damaged);

  uint32_t type;
  std::string data;
  ASSERT_TRUE(Get(kKey, "WIDTH", &type, &data));
  EXPECT_EQ(data, std::string("\x20\x03\0\0", 4));
  ASSERT_TRUE(Get(kKey, "HEIGHT", &type, &data)); // the repeated header joins the first
  EXPECT_EQ(data, std::string("\x58\x02\0\0", 4));
  ASSERT_TRUE(Get(kKey, "WRAPPED", &type, &data));
  EXPECT_EQ(data, "\1\2\3\4");
  ASSERT_TRUE(Get(kKey, "TEXT", &type, &data));
  EXPECT_EQ(data, std::string("ok\0", 3));
  for (const char* bad : { "BROKEN", "TOOLONG", "HALF", "UNTERMINATED", "LOST", "ORPHAN" })
    EXPECT_FALSE(Get(kKey, bad, &type, &data)) << bad;

  // Writing keeps every readable value, and the damaged original beside the file.
  uint32_t depth = 32;
  ASSERT_EQ(Set(kKey, "COLOR_DEPTH", REG_DWORD, &depth, 4), ERROR_SUCCESS);
  for (const char* good : { "WIDTH", "HEIGHT", "WRAPPED", "TEXT", "COLOR_DEPTH" })
    EXPECT_TRUE(Get(kKey, good, &type, &data)) << good;
  EXPECT_EQ(ReadFile(file + ".bad"), damaged);
}

TEST_F(RegistryTest, WritesReplaceTheFileAtomically)
{
  uint32_t v = 1;
  ASSERT_EQ(Set(kKey, "A", REG_DWORD, &v, 4), ERROR_SUCCESS);
  struct stat before;
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  v = 2;
  ASSERT_EQ(Set(kKey, "B", REG_DWORD, &v, 4), ERROR_SUCCESS);
  struct stat after;
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  // A new file took the old one's place (rename), and no temporary file is left.
  EXPECT_NE(before.st_ino, after.st_ino);
  DIR* d = opendir((dir + "/sub/dir").c_str());
  ASSERT_NE(d, nullptr);
  int entries = 0;
  while (dirent* e = readdir(d))
    if (e->d_name[0] != '.')
      ++entries;
  closedir(d);
  EXPECT_EQ(entries, 1);
  // Changes made by someone else between two writes are kept.
  std::string text = ReadFile(file);
  WriteFile(file, text + "\"EXTERNAL\"=dword:00000009\n");
  v = 3;
  ASSERT_EQ(Set(kKey, "C", REG_DWORD, &v, 4), ERROR_SUCCESS);
  uint32_t type;
  std::string data;
  EXPECT_TRUE(Get(kKey, "EXTERNAL", &type, &data));
}

TEST_F(RegistryTest, UnwritableLocationFailsCleanly)
{
  // The file's directory would have to be made below a regular file.
  std::string blocker = dir + "/blocker";
  WriteFile(blocker, "x");
  std::string path = blocker + "/registry.reg";
  setenv("PLANETO_REGISTRY", path.c_str(), 1);
  HKEY h = nullptr;
  EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(ReadFile(blocker), "x");

  // The registry file is a directory: nothing can be read or written.
  ASSERT_EQ(mkdir((dir + "/asdir").c_str(), 0755), 0);
  setenv("PLANETO_REGISTRY", (dir + "/asdir").c_str(), 1);
  EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, kKey, &h), ERROR_ACCESS_DENIED);
  EXPECT_NE(RegOpenKey(HKEY_LOCAL_MACHINE, kKey, &h), ERROR_SUCCESS);

  // A write-protected file stays unchanged (root ignores the mode bits).
  if (geteuid() != 0)
  {
    setenv("PLANETO_REGISTRY", file.c_str(), 1);
    uint32_t v = 1;
    ASSERT_EQ(Set(kKey, "A", REG_DWORD, &v, 4), ERROR_SUCCESS);
    std::string text = ReadFile(file);
    chmod(file.c_str(), 0444);
    v = 2;
    EXPECT_EQ(Set(kKey, "A", REG_DWORD, &v, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadFile(file), text);
  }
}

TEST_F(RegistryTest, BadArguments)
{
  HKEY h = nullptr;
  EXPECT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "bad\nname", &h), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKey(nullptr, "x", &h), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValue(nullptr, "x", nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_INVALID_HANDLE);
  ASSERT_EQ(RegCreateKey(HKEY_LOCAL_MACHINE, "K", &h), ERROR_SUCCESS);
  uint32_t v = 0;
  EXPECT_EQ(RegSetValue(h, "a\nb", REG_DWORD, &v, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValue(h, "a", REG_DWORD, nullptr, 4), ERROR_INVALID_PARAMETER);
  RegCloseKey(h);
}

TEST_F(RegistryTest, RandomFilesNeverCrash)
{
  // Mutated registry texts, read and rewritten: run under the sanitizers.
  ASSERT_EQ(system(("mkdir -p '" + dir + "/sub/dir'").c_str()), 0);
  const std::string seed =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n\"A\"=dword:00000001\n"
      "\"B\"=hex:01,02,\\\n  03\n\"C\"=\"x\\\"y\"\n\"D\"=hex(b):01\n@=\"d\"\n";
  std::mt19937 rng(99);
  const char alphabet[] = "[]\"\\=:,@\n\r x0fhexdword(b)K";
  for (int n = 0; n < 300; ++n)
  {
    std::string text = seed;
    for (int k = 0; k < 5; ++k)
      text[rng() % text.size()] = alphabet[rng() % (sizeof(alphabet) - 1)];
    WriteFile(file, text);
    uint32_t type;
    std::string data;
    Get("K", "A", &type, &data);
    Get("K", "C", &type, &data);
    uint32_t v = n;
    ASSERT_EQ(Set("K", "N", REG_DWORD, &v, 4), ERROR_SUCCESS);
    ASSERT_TRUE(Get("K", "N", &type, &data));
    ASSERT_EQ(data, std::string(reinterpret_cast<char*>(&v), 4));
  }
}
