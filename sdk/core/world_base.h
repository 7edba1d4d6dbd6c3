#pragma once

#include "sdk/core/platform.h"
#include "sdk/core/result.h"
#include "sdk/os/messages.h"

#include <cstdint>

class C3DEngine;
class C3DMath;
class C3DObject;
class CFrameTimer;
class CSettingsStore;
class CTexture;
struct SEngineSettings;

constexpr uint32_t SDK_VERSION = 0x30000;

// The engine's application class: owns the engine settings record, the platform
// registration table, the running device, the math object and the frame timer.  It
// picks the platform module by its flags, creates the device, reads the engine
// settings, runs the frame cycle and tracks keyboard and mouse state.  The scene
// derives from it and overrides the virtual operations (slot order as declared).
class CWorldBase
{
public:
  CWorldBase();
  virtual ~CWorldBase(); // 0

  virtual ZRESULT Load(zos::HWND hWnd, uint32_t dwWidth, uint32_t dwHeight, uint32_t dwColorDepth,
                       bool bFullscreen, bool bDesktop, uint32_t dwPlatformFlags,
                       const char* szPath);                 // 1
  virtual ZRESULT Unload();                                 // 2
  virtual ZRESULT HandleMessage(const zos::SMessage* pMsg); // 3
  virtual ZRESULT Update();                                 // 4
  virtual ZRESULT Draw();                                   // 5

  // Both stores are borrowed; the log path is copied (at most 255 characters).
  void BindSettings(CSettingsStore* pEngineStore, CSettingsStore* pAppliStore, const char* szLogPath);

  // Fills the registration entry of a platform index (0 .. PLATFORM_COUNT - 1); false
  // for an index outside the table.
  bool RegisterPlatform(uint32_t dwIndex, PFN_PLATFORM_DESCRIBE pfnDescribe, PFN_PLATFORM_CREATE pfnCreate,
                        PFN_PLATFORM_DESTROY pfnDestroy);
  // The registration table (PLATFORM_COUNT entries), e.g. for the platform dialog.
  SPlatformModule* GetPlatformTable() { return m_aModules; }

  // Clears dwCapacity descriptors; 0 when the filter lacks PLATFORM_VIDEO; otherwise
  // asks every registered module, in table order, for the next descriptor and answers
  // how many were filled (a module whose describe fails fills none).
  uint32_t EnumDevices(SPlatformDesc* pDescs, uint32_t dwCapacity, uint32_t dwFilter, const char* szPath);

  // The registration entry Load picks for the flags: each of 0x1000002, 0x1000001,
  // 0x1000004, 0x1000008, 0x1000010 in this order whose bits are all in the flags makes
  // its entry current, so a later match wins.  -1 without a video flag or a match.
  static int ChoosePlatformIndex(uint32_t dwPlatformFlags);

  // Client size changed: stores it and lets the camera recompute the projection.
  void Resize(uint32_t dwWidth, uint32_t dwHeight);
  // One whole frame: tick, Update, BeginFrame, perspective, Draw, EndFrame, then the
  // released-key bookkeeping.  ZP_FAIL when Update, BeginFrame or EndFrame fails.
  ZRESULT Frame();
  // Time going on without a picture (a window nobody can see): tick and Update, as a
  // frame would, and no drawing.  The next frame's step then starts from here, so the
  // scene neither stands still nor leaps.  ZP_FAIL when Update fails.
  ZRESULT Advance();

  // Wrappers used by the scene; each forwards to the device.
  C3DObject* CreateObject(uint32_t dwKind, uint32_t dwRenderFlags);
  CTexture* CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags);
  CTexture* LoadTexture(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData, uint32_t dwSize,
                        const char* szName);
  CTexture* LoadTextureFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath);
  ZRESULT DestroyObject(C3DObject* pObject);  // null: nothing, 0
  ZRESULT DestroyTexture(CTexture* pTexture); // null: nothing, 0
  bool AddRefTexture(CTexture* pTexture);

  // MT19937 over the record's state; seed 0 takes the seed from the clock.
  void SeedRandom(uint32_t dwSeed);
  uint32_t NextRandom();

  // Keeps the deepest stack use seen, measured from the constructor's frame.
  void SampleStackDepth();

  // Reproducible runs (--seed, --step): a non-zero seed replaces the clock seed that
  // Load draws; a positive step replaces the measured frame step of every frame (the
  // frame rate follows as 30 / step).  Both are off by default.
  void SetFixedSeed(uint32_t dwSeed) { m_dwFixedSeed = dwSeed; }
  void SetFixedFrameStep(double dStep) { m_dFixedFrameStep = dStep; }

  SEngineSettings* GetSettings() const { return m_pSettings; }
  C3DEngine* GetDevice() const { return m_pDevice; }
  C3DMath* GetMath() const { return m_pMath; }
  CFrameTimer* GetFrameTimer() const { return m_pFrameTimer; }

  CWorldBase(const CWorldBase&) = delete;
  CWorldBase& operator=(const CWorldBase&) = delete;

protected:
  SEngineSettings* m_pSettings;
  C3DEngine* m_pDevice;
  SPlatformModule m_aModules[PLATFORM_COUNT];
  PFN_PLATFORM_DESCRIBE m_pfnDescribe;
  PFN_PLATFORM_CREATE m_pfnCreate;
  PFN_PLATFORM_DESTROY m_pfnDestroy;
  C3DMath* m_pMath;
  CFrameTimer* m_pFrameTimer;
  uint32_t m_dwFixedSeed;
  double m_dFixedFrameStep;

private:
  void DestroyDevice();
  void TickFrameStep();
};
