#pragma once

#include "scene_fakes.h"

#include "app/scene/planeto_world.h"
#include "sdk/core/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace scenetest
{

// Counts of what the device still listed when it was destroyed.
struct SLeftovers
{
  uint32_t dwObjects = 0, dwTextures = 0;
  bool bSeen = false;
};
inline SLeftovers& Leftovers()
{
  static SLeftovers s;
  return s;
}

class CCountingDevice : public CFakeDevice
{
public:
  ZRESULT Destroy() override
  {
    Leftovers().dwObjects = Count(m_plistObjects);
    Leftovers().dwTextures = Count(m_plistTextures);
    Leftovers().bSeen = true;
    return CFakeDevice::Destroy();
  }
};

inline C3DEngine* CountingCreate()
{
  CCountingDevice* p = new CCountingDevice();
  LastDevice() = p;
  return p;
}

// A world over the built-in texts (or a bare application store) on the fake platform.
class WorldTest : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Journal().Clear();
    Leftovers() = SLeftovers();
    FakePlatformFlags() = PLATFORM_OPENGL12;
    m_engine = std::make_unique<COverrideStore>("Planeto.Engine.ini");
    m_appli = std::make_unique<COverrideStore>("Planeto.Appli.ini");
    // One log per process: CTest runs the cases of this fixture side by side.
    m_sLog = ::testing::TempDir() + "scene_world_test_" + std::to_string(getpid()) + ".log";
    LogReset(m_sLog.c_str());
  }
  void TearDown() override
  {
    if (m_world && m_bLoaded)
      m_world->Unload();
    m_world.reset();
    std::remove(m_sLog.c_str());
  }

  ZRESULT LoadWorld(uint32_t dwWidth = 800, uint32_t dwHeight = 600)
  {
    m_world = std::make_unique<CPlanetoWorld>();
    m_world->BindSettings(m_engine.get(), m_appli.get(), m_sLog.c_str());
    const int iIndex = CWorldBase::ChoosePlatformIndex(FakePlatformFlags());
    m_world->RegisterPlatform(static_cast<uint32_t>(iIndex), FakeDescribe, CountingCreate, FakeDestroy);
    m_bLoaded = true;
    return m_world->Load(nullptr, dwWidth, dwHeight, 32, false, false, FakePlatformFlags(), "");
  }

  std::string LogText() const
  {
    std::ifstream in(m_sLog);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  SEngineSettings* Settings() const { return m_world->GetSettings(); }
  C3DMath* Math() const { return m_world->GetMath(); }

  ZRESULT Send(uint32_t dwMessage, zos::WPARAM wParam = 0, zos::LPARAM lParam = 0)
  {
    zos::SMessage msg{};
    msg.message = dwMessage;
    msg.wParam = wParam;
    msg.lParam = lParam;
    return m_world->HandleMessage(&msg);
  }

  std::unique_ptr<COverrideStore> m_engine;
  std::unique_ptr<COverrideStore> m_appli;
  std::unique_ptr<CPlanetoWorld> m_world;
  std::string m_sLog;
  bool m_bLoaded = false;
};

inline float Len(const SVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

} // namespace scenetest
