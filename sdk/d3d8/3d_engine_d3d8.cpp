#include "sdk/d3d8/3d_engine_d3d8.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/log.h"
#include "sdk/d3d8/camera_d3d8.h"
#include "sdk/d3d8/device_services_d3d8.h"
#include "sdk/d3d8/object_d3d8.h"
#include "sdk/d3d8/texture_d3d8.h"
#include "sdk/os/window.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <new>

using namespace zos;

namespace
{

typedef IDirect3D8*(WINAPI* PFN_DIRECT3DCREATE8)(UINT uSdkVersion);

C3DEngineD3D8::PFN_ACCEPT_DEVICE s_pfnAccept = nullptr;

D3DCOLORVALUE Grey(float f) { return D3DCOLORVALUE{ f, f, f, 1.0f }; }

// A grey colour of the record's 0xAARRGGBB kind, from a level of 0 to 1.
DWORD GreyWord(float f)
{
  const DWORD c = DWORD(std::lround(std::clamp(f, 0.0f, 1.0f) * 255.0f));
  return 0xFF000000u | c << 16 | c << 8 | c;
}

// The OpenGL platform's lighting, which the pictures share: one positional light from
// the first light's settings, the material of the same three levels, and OpenGL's
// default scene ambient of 0.2; the second light keeps OpenGL's defaults: black.
// OpenGL lights two-sided, and in its mirrored space the faces the scene shows are
// back faces, lit from the reversed normal: the 3D objects keep their normals reversed
// and the light sits at the settings' position negated, which gives the same products.
constexpr float kSceneAmbient = 0.2f;

const char kNoDevice[] =
    "# No compatible device found.\nYour video card is not installed correctly.\nOr your "
    "video card is too old.\nThe application must exit now.\n";

} // namespace

SPlatformD3D8* GetPlatformD3D8(const SEngineSettings* pSettings)
{
  return pSettings ? static_cast<SPlatformD3D8*>(pSettings->pPlatform) : nullptr;
}

IDirect3DDevice8* GetDeviceD3D8(const SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  return p ? p->pDevice : nullptr;
}

void C3DEngineD3D8::SetDeviceFilter(PFN_ACCEPT_DEVICE pfnAccept) { s_pfnAccept = pfnAccept; }

C3DEngineD3D8::C3DEngineD3D8() : m_bStencil(false), m_pShadowVolumes(nullptr), m_pSunOcclusion(nullptr)
{
  std::memset(&m_platform, 0, sizeof(m_platform));
}

C3DEngineD3D8::~C3DEngineD3D8()
{
  DestroyServices();
  delete m_pCamera;
  m_pCamera = nullptr;
  // A device dropped without Destroy still lets go of the system's objects.
  if (m_platform.pDevice)
    m_platform.pDevice->Release();
  if (m_platform.pD3D)
    m_platform.pD3D->Release();
  if (m_platform.hLibrary)
    FreeLibrary(m_platform.hLibrary);
  if (m_pSettings && m_pSettings->pPlatform == &m_platform)
    m_pSettings->pPlatform = nullptr;
}

bool C3DEngineD3D8::CreateDevice(bool bFullscreen)
{
  SPlatformD3D8& p = m_platform;
  D3DPRESENT_PARAMETERS& pp = p.present;
  std::memset(&pp, 0, sizeof(pp));
  if (bFullscreen)
  {
    pp.Windowed = FALSE;
    pp.BackBufferWidth = m_pSettings->wWidth;
    pp.BackBufferHeight = m_pSettings->wHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.FullScreen_RefreshRateInHz = 0; // the default rate
    pp.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  }
  else
  {
    D3DDISPLAYMODE mode;
    if (FAILED(p.pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
      return false;
    int w = 0, h = 0;
    p.hWnd->GetClientSize(&w, &h);
    pp.Windowed = TRUE;
    pp.BackBufferWidth = w > 0 ? UINT(w) : 1;
    pp.BackBufferHeight = h > 0 ? UINT(h) : 1;
    pp.BackBufferFormat = mode.Format;
  }
  pp.BackBufferCount = 1;
  // Copied, not discarded: the back buffer keeps the frame last presented, which is
  // how a screenshot reads it (the front buffer of a window is not always readable).
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.hDeviceWindow = p.hNative;
  pp.EnableAutoDepthStencil = TRUE;
  pp.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;

  const D3DDEVTYPE types[] = { D3DDEVTYPE_HAL, D3DDEVTYPE_REF };
  const DWORD behaviors[] = { D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                              D3DCREATE_SOFTWARE_VERTEXPROCESSING };
  for (D3DDEVTYPE type : types)
  {
    // 24-bit depth with 8-bit stencil where the device has it, else a plain depth buffer.
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    m_bStencil = true;
    if (FAILED(p.pD3D->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, type, pp.BackBufferFormat,
                                              pp.BackBufferFormat, D3DFMT_D24S8)))
    {
      pp.AutoDepthStencilFormat = D3DFMT_D16;
      m_bStencil = false;
    }
    for (DWORD behavior : behaviors)
    {
      if (s_pfnAccept && !s_pfnAccept(type, behavior))
        continue;
      D3DPRESENT_PARAMETERS tried = pp;
      // The engine's arithmetic keeps its precision: the device leaves the FPU alone.
      if (SUCCEEDED(p.pD3D->CreateDevice(D3DADAPTER_DEFAULT, type, p.hNative,
                                         behavior | D3DCREATE_FPU_PRESERVE, &tried, &p.pDevice)))
      {
        pp = tried;
        p.eDeviceType = type;
        p.dwBehavior = behavior;
        return true;
      }
      p.pDevice = nullptr;
    }
  }
  return false;
}

ZRESULT C3DEngineD3D8::Create(SEngineSettings* pSettings, CWindow* hWnd)
{
  m_pSettings = pSettings;
  m_platform.hWnd = hWnd;
  if (!hWnd)
    return 5;
  if (!pSettings)
    return ZP_FAIL;
  pSettings->pPlatform = &m_platform;
  m_platform.hNative = reinterpret_cast<::HWND>(hWnd->GetNativeHandle());

  m_platform.hLibrary = LoadLibraryA("d3d8.dll");
  PFN_DIRECT3DCREATE8 pfnCreate = m_platform.hLibrary
                                      ? reinterpret_cast<PFN_DIRECT3DCREATE8>(reinterpret_cast<void*>(
                                            GetProcAddress(m_platform.hLibrary, "Direct3DCreate8")))
                                      : nullptr;
  m_platform.pD3D = pfnCreate ? pfnCreate(D3D_SDK_VERSION) : nullptr;
  if (!m_platform.pD3D)
  {
    LogMessage(pSettings->szLogPath, 1, kNoDevice);
    return ZP_FAIL;
  }

  // Full screen that cannot be had runs windowed.
  bool bCreated = pSettings->bFullscreen && CreateDevice(true);
  if (!bCreated)
  {
    pSettings->bFullscreen = 0;
    bCreated = CreateDevice(false);
  }
  if (!bCreated)
  {
    LogMessage(pSettings->szLogPath, 1, kNoDevice);
    return ZP_FAIL;
  }
  m_platform.pDevice->GetDeviceCaps(&m_platform.caps);

  CCameraD3D8* pCamera = new (std::nothrow) CCameraD3D8();
  if (!pCamera)
    return ZP_FAIL;
  m_pCamera = pCamera;
  m_platform.pCamera = pCamera;
  ZRESULT r = pCamera->Attach(pSettings);
  if (r < 0)
    return r;
  // The services first: priming the occlusion targets draws, and the frame's states
  // are set after it.
  m_pShadowVolumes = CShadowVolumesD3D8::Create(pSettings);
  m_pSunOcclusion = CSunOcclusionD3D8::Create(pSettings);
  SetInitialStates();

  hWnd->Update();
  if (C3DEngine::Create(pSettings, hWnd) < 0)
    return ZP_FAIL;
  return r;
}

void C3DEngineD3D8::SetInitialStates()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  D3DVIEWPORT8 vp = { 0,    0,   m_platform.present.BackBufferWidth, m_platform.present.BackBufferHeight,
                      0.0f, 1.0f };
  d->SetViewport(&vp);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
  d->SetRenderState(D3DRS_FOGENABLE, FALSE);
  d->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_NONE);
  d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  d->SetRenderState(D3DRS_LOCALVIEWER, FALSE); // OpenGL's viewer, far away on the z axis
  d->SetVertexShader(FVF_VERTEX_D3D8);
  for (DWORD s = 0; s < 2; ++s)
    d->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, 0);
}

bool C3DEngineD3D8::Restore()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  const HRESULT hr = d->TestCooperativeLevel();
  if (hr == D3DERR_DEVICENOTRESET)
  {
    // Everything the objects made is in the managed pool and survives the Reset; the
    // occlusion targets are in the default pool and are made again.  A windowed back
    // buffer takes the desktop's format, which a mode change may have changed.
    if (m_pSunOcclusion)
      m_pSunOcclusion->ReleaseTargets();
    D3DPRESENT_PARAMETERS pp = m_platform.present;
    D3DDISPLAYMODE mode;
    if (pp.Windowed && SUCCEEDED(m_platform.pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
      pp.BackBufferFormat = mode.Format;
    if (SUCCEEDED(d->Reset(&pp)))
    {
      m_platform.present = pp;
      m_platform.bLost = false;
      if (m_pSunOcclusion)
        m_pSunOcclusion->RecreateTargets();
      SetInitialStates();
      return true;
    }
  }
  m_platform.bLost = FAILED(hr);
  return !m_platform.bLost;
}

ZRESULT C3DEngineD3D8::Destroy()
{
  // What is left in the lists holds Direct3D objects: released while the device lives.
  const ZRESULT r = C3DEngine::Destroy();
  DestroyServices();
  if (m_platform.pDevice)
    m_platform.pDevice->Release();
  m_platform.pDevice = nullptr;
  if (m_platform.pD3D)
    m_platform.pD3D->Release();
  m_platform.pD3D = nullptr;
  if (m_platform.hLibrary)
    FreeLibrary(m_platform.hLibrary);
  m_platform.hLibrary = nullptr;
  if (m_platform.hWnd && CWindow::IsWindow(m_platform.hWnd))
    m_platform.hWnd->Destroy();
  m_platform.hWnd = nullptr;
  m_platform.hNative = nullptr;
  m_platform.pCamera = nullptr;
  if (m_pSettings && m_pSettings->pPlatform == &m_platform)
    m_pSettings->pPlatform = nullptr;
  return r < 0 ? ZP_FAIL : ZP_OK;
}

ZRESULT C3DEngineD3D8::ApplyFog()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  const SEngineSettings* s = m_pSettings;
  if (!d || !s)
    return ZP_OK;
  d->SetRenderState(D3DRS_FOGCOLOR, s->dwFogColor);
  d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
  d->SetRenderState(D3DRS_FOGSTART, FloatBits(s->fFogStart));
  d->SetRenderState(D3DRS_FOGEND, FloatBits(s->fFogEnd));
  d->SetRenderState(D3DRS_FOGDENSITY, FloatBits(s->fFogDensity));
  return ZP_OK;
}

ZRESULT C3DEngineD3D8::ApplyLights()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  const SEngineSettings* s = m_pSettings;
  if (!d || !s)
    return ZP_OK;
  const SLightSettings& l = s->light1;
  D3DLIGHT8 light0 = {};
  light0.Type = D3DLIGHT_POINT;
  light0.Ambient = Grey(0.5f * l.fAmbient);
  light0.Diffuse = Grey(l.fDiffuse);
  light0.Specular = Grey(l.fSpecular);
  light0.Position = D3DVECTOR{ -l.vPosition.x, -l.vPosition.y, -l.vPosition.z };
  light0.Range = std::sqrt(FLT_MAX);
  light0.Attenuation0 = 1.0f;
  if (l.iType == 0)
  {
    // From the direction of the position, as from a point far beyond it.
    light0.Type = D3DLIGHT_DIRECTIONAL;
    light0.Direction = D3DVECTOR{ l.vPosition.x, l.vPosition.y, l.vPosition.z };
  }
  D3DLIGHT8 light1 = {};
  light1.Type = D3DLIGHT_DIRECTIONAL;
  light1.Direction = D3DVECTOR{ 0.0f, 0.0f, -1.0f };
  d->SetLight(0, &light0);
  d->SetLight(1, &light1);
  // The objects switch the lights.
  D3DMATERIAL8 material = {};
  material.Ambient = light0.Ambient;
  material.Diffuse = light0.Diffuse;
  material.Specular = light0.Specular;
  material.Power = 50.0f;
  d->SetMaterial(&material);
  d->SetRenderState(D3DRS_AMBIENT, GreyWord(kSceneAmbient));
  return ZP_OK;
}

ZRESULT C3DEngineD3D8::BeginFrame()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  m_platform.bFrameOpen = false;
  if (!d || !m_pSettings || !Restore())
    return ZP_OK; // lost: nothing is drawn until the device is back
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | (m_bStencil ? D3DCLEAR_STENCIL : 0),
           m_pSettings->dwClearColor, 1.0f, 0);
  m_platform.bFrameOpen = SUCCEEDED(d->BeginScene());
  ApplyFog();
  ApplyLights();
  if (m_pCamera)
  {
    m_pCamera->ApplyPerspective();
    m_pCamera->ResetModelView();
  }
  return ZP_OK;
}

ZRESULT C3DEngineD3D8::EndFrame()
{
  IDirect3DDevice8* d = m_platform.pDevice;
  if (!d || m_platform.bLost)
    return ZP_OK;
  if (m_platform.bFrameOpen)
    d->EndScene();
  m_platform.bFrameOpen = false;
  if (d->Present(nullptr, nullptr, nullptr, nullptr) == D3DERR_DEVICELOST)
    m_platform.bLost = true;
  return ZP_OK;
}

bool C3DEngineD3D8::ReadBackBuffer(std::vector<uint32_t>* pPixels, uint32_t* pWidth, uint32_t* pHeight)
{
  IDirect3DDevice8* d = m_platform.pDevice;
  if (!d || !pPixels)
    return false;
  if (m_platform.bFrameOpen)
    d->EndScene();
  m_platform.bFrameOpen = false;
  IDirect3DSurface8* pSurface = nullptr;
  if (FAILED(d->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &pSurface)))
    return false;
  D3DSURFACE_DESC desc;
  D3DLOCKED_RECT rect;
  bool bOk = SUCCEEDED(pSurface->GetDesc(&desc)) &&
             (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
             SUCCEEDED(pSurface->LockRect(&rect, nullptr, D3DLOCK_READONLY));
  if (bOk)
  {
    pPixels->resize(size_t(desc.Width) * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y)
    {
      const uint32_t* row =
          reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rect.pBits) + y * rect.Pitch);
      for (UINT x = 0; x < desc.Width; ++x)
        (*pPixels)[size_t(y) * desc.Width + x] = 0xFF000000u | row[x];
    }
    pSurface->UnlockRect();
    if (pWidth)
      *pWidth = desc.Width;
    if (pHeight)
      *pHeight = desc.Height;
  }
  pSurface->Release();
  return bOk;
}

uint32_t C3DEngineD3D8::GetMaxTextureSide()
{
  const D3DCAPS8& c = m_platform.caps;
  return m_platform.pDevice ? std::min<uint32_t>(c.MaxTextureWidth, c.MaxTextureHeight) : 0;
}

bool C3DEngineD3D8::ReadPresentedFrame(int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels)
{
  uint32_t w = 0, h = 0;
  // Between frames the back buffer holds what was presented last.
  if (m_platform.bLost || m_platform.bFrameOpen || !ReadBackBuffer(pPixels, &w, &h))
    return false;
  *pWidth = int(w);
  *pHeight = int(h);
  return true;
}

C3DObject* C3DEngineD3D8::CreateObject(uint32_t dwKind, uint32_t dwRenderFlags)
{
  return MakeObject<CObjectD3D83D, CObjectD3D8, CObjectD3D8Sprites, CObjectD3D82D>(dwKind, dwRenderFlags);
}

CIndexBuffer* C3DEngineD3D8::CreateIndexBuffer(uint32_t, uint32_t, uint32_t dwType)
{
  return MakeIndexBuffer<CIndexBuffer16, CIndexBuffer32>(dwType);
}

CTexture* C3DEngineD3D8::CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags)
{
  return MakeTexture<CTextureD3D8>(dwKind, dwTextureFlags);
}

CShader* C3DEngineD3D8::CreateShader(uint32_t, uint32_t)
{
  return nullptr; // no shader programs on this platform yet
}

void C3DEngineD3D8::DestroyServices()
{
  delete m_pShadowVolumes;
  m_pShadowVolumes = nullptr;
  delete m_pSunOcclusion;
  m_pSunOcclusion = nullptr;
}

CShadowVolumeService* C3DEngineD3D8::GetShadowVolumeService() { return m_pShadowVolumes; }

CSunOcclusionService* C3DEngineD3D8::GetSunOcclusionService() { return m_pSunOcclusion; }
