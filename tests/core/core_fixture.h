#pragma once

// A world loaded on the fake platform (no window, no store unless given).

#include "core_fakes.h"

#include "sdk/core/log.h"
#include "sdk/core/world_base.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

inline CFakeDevice*& LastFakeDevice()
{
  static CFakeDevice* s_p = nullptr;
  return s_p;
}

inline ZRESULT FakeDescribe(SPlatformDesc* pDesc)
{
  memset(pDesc, 0, sizeof(*pDesc));
  snprintf(pDesc->szBuild, sizeof(pDesc->szBuild), "%s %s", "Mar  4 2008", "20:14:30");
  snprintf(pDesc->szName, sizeof(pDesc->szName), "%s", "Zephyro3D zp3D");
  pDesc->wMajor = 1;
  pDesc->dwFlags = PLATFORM_SOFTWARE;
  return ZP_OK;
}

inline C3DEngine* FakeCreate()
{
  LastFakeDevice() = new CFakeDevice();
  return LastFakeDevice();
}

inline void FakeDestroy(C3DEngine* p)
{
  LogCall("ModuleDestroy");
  delete p;
}

inline std::string ReadFile(const std::string& path)
{
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// A per-test log file, emptied at start.
inline std::string TestLogPath()
{
  const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string path = std::string("core_") + t->test_suite_name() + "_" + t->name() + ".log";
  LogReset(path.c_str());
  return path;
}

struct SLoadedWorld
{
  CWorldBase world;
  std::string strLog;

  explicit SLoadedWorld(CSettingsStore* pEngineStore = nullptr)
  {
    strLog = TestLogPath();
    world.BindSettings(pEngineStore, nullptr, strLog.c_str());
    world.RegisterPlatform(4, FakeDescribe, FakeCreate, FakeDestroy);
    CallLog().clear();
    loadResult = world.Load(nullptr, 800, 600, 16, false, false, PLATFORM_SOFTWARE, ".");
  }
  ~SLoadedWorld() { world.Unload(); }

  CFakeDevice* Device() { return static_cast<CFakeDevice*>(world.GetDevice()); }
  SEngineSettings* S() { return world.GetSettings(); }

  ZRESULT loadResult;
};
