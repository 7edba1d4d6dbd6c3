#include "sdk/core/world_base.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/frame_timer.h"
#include "sdk/core/log.h"
#include "sdk/core/random.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/texture.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/os/window.h"

#include <cstdio>
#include <cstring>

using namespace zos;

namespace
{

// The flags tested by Load, in test order, with the registration entry each selects.
struct SPlatformTest
{
  uint32_t dwFlags;
  int iIndex;
};

const SPlatformTest s_aPlatformTests[] = {
  { PLATFORM_DIRECTX9, 0 },   { PLATFORM_DIRECTX81, 1 }, { PLATFORM_OPENGL12, 2 },
  { PLATFORM_OPENGLES11, 3 }, { PLATFORM_SOFTWARE, 4 },
};

bool HasAll(uint32_t dwFlags, uint32_t dwBits) { return (dwFlags & dwBits) == dwBits; }

} // namespace

CWorldBase::CWorldBase()
    : m_pSettings(nullptr), m_pDevice(nullptr), m_aModules{}, m_pfnDescribe(nullptr), m_pfnCreate(nullptr),
      m_pfnDestroy(nullptr), m_pMath(nullptr), m_pFrameTimer(nullptr), m_dwFixedSeed(0),
      m_dFixedFrameStep(0.0)
{
  int iStackMark = 0;
  m_pSettings = static_cast<SEngineSettings*>(TrackedCalloc(1, sizeof(SEngineSettings)));
  if (!m_pSettings)
    return;
  m_pSettings->uStackBase = reinterpret_cast<uintptr_t>(&iStackMark);
  snprintf(m_pSettings->szSdkBuild, sizeof(m_pSettings->szSdkBuild), "%s %s", "Mar  4 2008", "20:14:05");
  m_pSettings->dwSdkVersion = SDK_VERSION;
  m_pSettings->pApplication = this;
}

CWorldBase::~CWorldBase()
{
  // A world dropped without Unload still hands its device back.
  DestroyDevice();
  delete m_pMath;
  m_pMath = nullptr;
  delete m_pFrameTimer;
  m_pFrameTimer = nullptr;
  if (m_pSettings)
  {
    m_pSettings->pMath = nullptr;
    m_pSettings->pFrameTimer = nullptr;
    LogMemoryReport(m_pSettings->szLogPath, TrackedMemoryPeak(), m_pSettings->dwStackDepthMax);
    TrackedFree(m_pSettings);
    m_pSettings = nullptr;
  }
}

void CWorldBase::BindSettings(CSettingsStore* pEngineStore, CSettingsStore* pAppliStore,
                              const char* szLogPath)
{
  if (!m_pSettings)
    return;
  m_pSettings->pEngineStore = pEngineStore;
  m_pSettings->pAppliStore = pAppliStore;
  // Values the stores refuse are reported in the run's log.
  for (CSettingsStore* pStore : { pEngineStore, pAppliStore })
    if (pStore)
      pStore->SetLogPath(szLogPath);
  strncpy(m_pSettings->szLogPath, szLogPath ? szLogPath : "", sizeof(m_pSettings->szLogPath) - 1);
  m_pSettings->szLogPath[sizeof(m_pSettings->szLogPath) - 1] = 0;
}

bool CWorldBase::RegisterPlatform(uint32_t dwIndex, PFN_PLATFORM_DESCRIBE pfnDescribe,
                                  PFN_PLATFORM_CREATE pfnCreate, PFN_PLATFORM_DESTROY pfnDestroy)
{
  if (dwIndex >= static_cast<uint32_t>(PLATFORM_COUNT))
    return false;
  m_aModules[dwIndex].pfnDescribe = pfnDescribe;
  m_aModules[dwIndex].pfnCreate = pfnCreate;
  m_aModules[dwIndex].pfnDestroy = pfnDestroy;
  return true;
}

uint32_t CWorldBase::EnumDevices(SPlatformDesc* pDescs, uint32_t dwCapacity, uint32_t dwFilter, const char*)
{
  if (!pDescs)
    return 0;
  memset(pDescs, 0, sizeof(SPlatformDesc) * dwCapacity);
  if (!(dwFilter & PLATFORM_VIDEO))
    return 0;
  uint32_t dwCount = 0;
  for (int i = 0; i < PLATFORM_COUNT && dwCount < dwCapacity; ++i)
  {
    if (!m_aModules[i].pfnDescribe)
      continue;
    if (ZP_FAILED(m_aModules[i].pfnDescribe(&pDescs[dwCount])))
    {
      memset(&pDescs[dwCount], 0, sizeof(SPlatformDesc));
      continue;
    }
    ++dwCount;
  }
  return dwCount;
}

int CWorldBase::ChoosePlatformIndex(uint32_t dwPlatformFlags)
{
  if (!(dwPlatformFlags & PLATFORM_VIDEO))
    return -1;
  int iIndex = -1;
  for (const SPlatformTest& t : s_aPlatformTests)
  {
    if (HasAll(dwPlatformFlags, t.dwFlags))
      iIndex = t.iIndex;
  }
  return iIndex;
}

ZRESULT CWorldBase::Load(HWND hWnd, uint32_t dwWidth, uint32_t dwHeight, uint32_t dwColorDepth,
                         bool bFullscreen, bool bDesktop, uint32_t dwPlatformFlags, const char*)
{
  if (!m_pSettings)
    return 1;
  SEngineSettings* s = m_pSettings;

  LogMessage(s->szLogPath, 1, "# %u x %u : %u %s\n", dwWidth, dwHeight, dwColorDepth,
             bFullscreen ? "fullscreen" : "windowed");

  int iIndex = ChoosePlatformIndex(dwPlatformFlags);
  if (iIndex >= 0)
  {
    m_pfnDescribe = m_aModules[iIndex].pfnDescribe;
    m_pfnCreate = m_aModules[iIndex].pfnCreate;
    m_pfnDestroy = m_aModules[iIndex].pfnDestroy;
  }
  if (!m_pfnDescribe || !m_pfnCreate || !m_pfnDestroy)
    return ZP_FAIL;

  s->wWidth = static_cast<uint16_t>(dwWidth);
  s->wHeight = static_cast<uint16_t>(dwHeight);
  s->byColorDepth = 32;
  s->bFullscreen = bFullscreen ? 1 : 0;
  s->bDesktop = bDesktop ? 1 : 0;

  ZRESULT r = m_pfnDescribe(&s->descPlatform);
  if (ZP_FAILED(r))
    return r;

  m_pDevice = m_pfnCreate();
  if (!m_pDevice)
    return ZP_FAIL;

  delete m_pMath;
  m_pMath = new C3DMath();
  s->pMath = m_pMath;
  const uint32_t dwRunning = s->descPlatform.dwFlags;
  const bool bMirrored = HasAll(dwRunning, PLATFORM_OPENGL12) || HasAll(dwRunning, PLATFORM_OPENGLES11) ||
                         HasAll(dwRunning, PLATFORM_PSPGU);
  r = m_pMath->SetDepthSign(bMirrored ? -1.0f : 1.0f);
  if (ZP_FAILED(r))
    return r;

  delete m_pFrameTimer;
  m_pFrameTimer = new CFrameTimer();
  s->pFrameTimer = m_pFrameTimer;
  if (ZP_FAILED(m_pFrameTimer->Init(&s->dFrameRate, &s->dFrameStep)))
    return ZP_FAIL;

  m_pMath->Identity(&s->matProjection);
  m_pMath->Identity(&s->matCamera);
  s->matView = s->matCamera;
  m_pMath->InvertInPlace(&s->matView);
  s->dwViewWord = 0;

  r = m_pDevice->Create(s, hWnd);
  if (ZP_FAILED(r))
    return r;

  ReadEngineSettings(s, s->pEngineStore);

  r = m_pDevice->ApplyFog();
  if (ZP_FAILED(r))
    return r;
  r = m_pDevice->ApplyLights();
  if (ZP_FAILED(r))
    return r;

  CCamera* pCamera = m_pDevice->GetCamera();
  if (pCamera)
  {
    if (s->bGammaCorrection)
    {
      r = pCamera->ApplyGamma();
      if (ZP_FAILED(r))
        return r;
    }
    r = pCamera->Refresh();
    if (ZP_FAILED(r))
      return r;
    r = pCamera->ResetModelView();
    if (ZP_FAILED(r))
      return r;
    r = pCamera->Resize();
    if (ZP_FAILED(r))
      return r;
  }

  SeedRandom(m_dwFixedSeed);
  return ZP_OK;
}

void CWorldBase::DestroyDevice()
{
  if (!m_pDevice)
    return;
  m_pDevice->Destroy();
  // The device is handed back to the module that made it; without one it was never
  // created through a module, which cannot happen, but deleting is the safe answer.
  if (m_pfnDestroy)
    m_pfnDestroy(m_pDevice);
  else
    delete m_pDevice;
  m_pDevice = nullptr;
}

ZRESULT CWorldBase::Unload()
{
  if (m_pMath)
    m_pMath->Release();
  DestroyDevice();
  memset(m_aModules, 0, sizeof(m_aModules));
  m_pfnDescribe = nullptr;
  m_pfnCreate = nullptr;
  m_pfnDestroy = nullptr;
  return ZP_OK;
}

ZRESULT CWorldBase::HandleMessage(const SMessage* pMsg)
{
  if (!pMsg || !m_pSettings)
    return ZP_OK;
  SEngineSettings* s = m_pSettings;
  uint8_t* b = s->abButtons;

  // Capture keeps drags going outside the window; it is let go only when no other
  // button is still down.
  auto press = [&](int iButton)
  {
    if (pMsg->hwnd)
      pMsg->hwnd->SetCapture();
    b[iButton] = 1;
  };
  auto release = [&](int iButton, int iOther1, int iOther2)
  {
    if (!b[iOther1] && !b[iOther2])
      CWindow::ReleaseCapture();
    b[iButton] = 0;
    b[iButton + 3] = 1;
  };

  switch (pMsg->message)
  {
    case WM_KEYDOWN: s->abKeyDown[pMsg->wParam & 0xFF] = 1; break;
    case WM_KEYUP:
      s->abKeyDown[pMsg->wParam & 0xFF] = 0;
      s->abKeyReleased[pMsg->wParam & 0xFF] = 1;
      ++s->byReleasedKeyCount;
      break;
    case WM_MOUSEMOVE:
      s->fMouseX = static_cast<float>(static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(pMsg->lParam))));
      s->fMouseY = static_cast<float>(HIWORD(static_cast<uintptr_t>(pMsg->lParam)));
      break;
    case WM_LBUTTONDOWN: press(BUTTON_LEFT_DOWN); break;
    case WM_MBUTTONDOWN: press(BUTTON_MIDDLE_DOWN); break;
    case WM_RBUTTONDOWN: press(BUTTON_RIGHT_DOWN); break;
    case WM_LBUTTONUP: release(BUTTON_LEFT_DOWN, BUTTON_MIDDLE_DOWN, BUTTON_RIGHT_DOWN); break;
    case WM_MBUTTONUP: release(BUTTON_MIDDLE_DOWN, BUTTON_LEFT_DOWN, BUTTON_RIGHT_DOWN); break;
    case WM_RBUTTONUP: release(BUTTON_RIGHT_DOWN, BUTTON_LEFT_DOWN, BUTTON_MIDDLE_DOWN); break;
    default: break;
  }
  return ZP_OK;
}

ZRESULT CWorldBase::Update()
{
  SampleStackDepth();
  if (m_pDevice && m_pDevice->GetCamera())
    m_pDevice->GetCamera()->UpdateView();
  return ZP_OK;
}

ZRESULT CWorldBase::Draw()
{
  SampleStackDepth();
  return ZP_OK;
}

void CWorldBase::Resize(uint32_t dwWidth, uint32_t dwHeight)
{
  if (!m_pSettings)
    return;
  m_pSettings->wWidth = static_cast<uint16_t>(dwWidth);
  m_pSettings->wHeight = static_cast<uint16_t>(dwHeight);
  if (m_pDevice && m_pDevice->GetCamera())
    m_pDevice->GetCamera()->Resize();
}

ZRESULT CWorldBase::Frame()
{
  if (!m_pSettings || !m_pDevice)
    return ZP_FAIL;
  SEngineSettings* s = m_pSettings;

  s->adwCounters[0] = s->adwCounters[1] = s->adwCounters[2] = 0;
  TickFrameStep();
  if (ZP_FAILED(Update()))
    return ZP_FAIL;

  if (ZP_FAILED(m_pDevice->BeginFrame()))
    return ZP_FAIL;
  if (m_pDevice->GetCamera())
    m_pDevice->GetCamera()->ApplyPerspective();
  Draw();

  if (ZP_FAILED(m_pDevice->EndFrame()))
    return ZP_FAIL;
  s->byReleasedKeyCount = 0;
  memset(s->abKeyReleased, 0, sizeof(s->abKeyReleased));
  s->abButtons[BUTTON_LEFT_RELEASED] = 0;
  s->abButtons[BUTTON_MIDDLE_RELEASED] = 0;
  s->abButtons[BUTTON_RIGHT_RELEASED] = 0;
  return ZP_OK;
}

ZRESULT CWorldBase::Advance()
{
  if (!m_pSettings || !m_pDevice)
    return ZP_FAIL;
  TickFrameStep();
  return ZP_FAILED(Update()) ? ZP_FAIL : ZP_OK;
}

void CWorldBase::TickFrameStep()
{
  if (m_pFrameTimer)
    m_pFrameTimer->Tick();
  if (m_dFixedFrameStep > 0.0)
  {
    m_pSettings->dFrameStep = m_dFixedFrameStep;
    m_pSettings->dFrameRate = 30.0 / m_dFixedFrameStep;
  }
}

C3DObject* CWorldBase::CreateObject(uint32_t dwKind, uint32_t dwRenderFlags)
{
  SampleStackDepth();
  return m_pDevice ? m_pDevice->CreateObject(dwKind, dwRenderFlags) : nullptr;
}

CTexture* CWorldBase::CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags)
{
  SampleStackDepth();
  return m_pDevice ? m_pDevice->CreateTexture(dwKind, dwTextureFlags) : nullptr;
}

CTexture* CWorldBase::LoadTexture(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                  uint32_t dwSize, const char* szName)
{
  return m_pDevice ? m_pDevice->LoadTexture(dwKind, dwTextureFlags, pData, dwSize, szName) : nullptr;
}

CTexture* CWorldBase::LoadTextureFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath)
{
  return m_pDevice ? m_pDevice->LoadTextureFile(dwKind, dwTextureFlags, szPath) : nullptr;
}

ZRESULT CWorldBase::DestroyObject(C3DObject* pObject)
{
  if (!pObject || !m_pDevice)
    return ZP_OK;
  return m_pDevice->DestroyObject(pObject);
}

ZRESULT CWorldBase::DestroyTexture(CTexture* pTexture)
{
  if (!pTexture || !m_pDevice)
    return ZP_OK;
  return m_pDevice->DestroyTexture(pTexture);
}

bool CWorldBase::AddRefTexture(CTexture* pTexture) { return m_pDevice && m_pDevice->AddRefTexture(pTexture); }

void CWorldBase::SeedRandom(uint32_t dwSeed)
{
  if (m_pSettings)
    ::SeedRandom(&m_pSettings->random, dwSeed);
}

uint32_t CWorldBase::NextRandom() { return m_pSettings ? ::NextRandom(&m_pSettings->random) : 0; }

void CWorldBase::SampleStackDepth()
{
  if (!m_pSettings)
    return;
  volatile int iMark = 0;
  uintptr_t uHere = reinterpret_cast<uintptr_t>(&iMark);
  if (m_pSettings->uStackBase > uHere)
  {
    uintptr_t uDepth = m_pSettings->uStackBase - uHere;
    if (uDepth > m_pSettings->dwStackDepthMax && uDepth < 0xFFFFFFFFu)
      m_pSettings->dwStackDepthMax = static_cast<uint32_t>(uDepth);
  }
}
