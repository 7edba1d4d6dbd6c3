// The settings key on the system's registry: below HKEY_LOCAL_MACHINE where that can
// be written (Wine), else below HKEY_CURRENT_USER, read back through the same calls.

#include <windows.h>

#include "sdk/os/registry.h"
#include "sdk/os/win32/registry_win32.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const char* const KEY = "SOFTWARE/Zephyro/PlanetoTest/WORLD";

bool Exists(HKEY hRoot)
{
  HKEY h = nullptr;
  if (::RegOpenKeyExA(hRoot, KEY, 0, KEY_READ, &h) != ERROR_SUCCESS)
    return false;
  ::RegCloseKey(h);
  return true;
}

DWORD ReadDword(HKEY hRoot, const char* szName)
{
  HKEY h = nullptr;
  EXPECT_EQ(zos::RegOpenKey(hRoot, KEY, &h), ERROR_SUCCESS);
  DWORD dw = 0;
  uint32_t uType = 0, uSize = sizeof(dw);
  EXPECT_EQ(zos::RegQueryValue(h, szName, &uType, &dw, &uSize), ERROR_SUCCESS) << szName;
  EXPECT_EQ(uType, static_cast<uint32_t>(REG_DWORD));
  zos::RegCloseKey(h);
  return dw;
}

void Write(const char* szName, DWORD dwValue)
{
  HKEY h = nullptr;
  ASSERT_EQ(zos::RegCreateKey(HKEY_LOCAL_MACHINE, KEY, &h), ERROR_SUCCESS);
  EXPECT_EQ(zos::RegSetValue(h, szName, REG_DWORD, &dwValue, sizeof(dwValue)), ERROR_SUCCESS);
  zos::RegCloseKey(h);
}

class Win32RegistryTest : public ::testing::Test
{
protected:
  void SetUp() override { Clean(); }
  void TearDown() override
  {
    zos::SetMachineWritesRefused(false);
    Clean();
  }
  static void Clean()
  {
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, KEY);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, KEY);
  }
};

TEST_F(Win32RegistryTest, MachineKeyIsUsedWhereItCanBeWritten)
{
  Write("WIDTH", 800);
  EXPECT_TRUE(Exists(HKEY_LOCAL_MACHINE));
  EXPECT_FALSE(Exists(HKEY_CURRENT_USER));
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "WIDTH"), 800u);

  char szText[] = "OpenGL 1.2";
  HKEY h = nullptr;
  ASSERT_EQ(zos::RegCreateKey(HKEY_LOCAL_MACHINE, KEY, &h), ERROR_SUCCESS);
  ASSERT_EQ(zos::RegSetValue(h, "NAME", REG_SZ, szText, sizeof(szText)), ERROR_SUCCESS);
  uint32_t uSize = 4;
  char szSmall[4];
  EXPECT_EQ(zos::RegQueryValue(h, "NAME", nullptr, szSmall, &uSize), ERROR_MORE_DATA);
  EXPECT_EQ(uSize, sizeof(szText));
  zos::RegCloseKey(h);
}

TEST_F(Win32RegistryTest, RefusedMachineKeyFallsBackToTheUser)
{
  zos::SetMachineWritesRefused(true);
  Write("WIDTH", 640);
  EXPECT_FALSE(Exists(HKEY_LOCAL_MACHINE));
  EXPECT_TRUE(Exists(HKEY_CURRENT_USER));
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "WIDTH"), 640u) << "read through the same key name";
}

TEST_F(Win32RegistryTest, UserValuesFillWhatTheMachineKeyLacks)
{
  Write("WIDTH", 1024); // an administrator's value
  zos::SetMachineWritesRefused(true);
  Write("HEIGHT", 768); // the user's, once the machine key is refused
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "WIDTH"), 1024u);
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "HEIGHT"), 768u);
  HKEY h = nullptr;
  ASSERT_EQ(zos::RegOpenKey(HKEY_LOCAL_MACHINE, KEY, &h), ERROR_SUCCESS);
  EXPECT_EQ(zos::RegQueryValue(h, "DEPTH", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  zos::RegCloseKey(h);
}

} // namespace
