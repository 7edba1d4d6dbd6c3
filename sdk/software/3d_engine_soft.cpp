#include "sdk/software/3d_engine_soft.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/os/window.h"
#include "sdk/software/object_soft.h"
#include "sdk/software/texture_soft.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

using namespace zos;

C3DEngineSoft::C3DEngineSoft() : m_Platform{}, m_dwTextColor(0xFF000000u), m_dwTextBackground(SOFT_BACKGROUND)
{
}

C3DEngineSoft::~C3DEngineSoft()
{
  delete m_pCamera;
  m_pCamera = nullptr;
  // A device dropped without Destroy still gives its memory back.
  m_Raster.Release();
  if (m_pSettings && m_pSettings->pPlatform == &m_Platform)
    m_pSettings->pPlatform = nullptr;
}

ZRESULT C3DEngineSoft::Create(SEngineSettings* pSettings, CWindow* hWnd)
{
  m_pSettings = pSettings;
  m_Platform.hWnd = hWnd;
  if (!hWnd)
    return 5;
  if (!pSettings)
    return ZP_FAIL;

  int width = 0, height = 0;
  if (!hWnd->GetClientSize(&width, &height) || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF)
    return ZP_FAIL;
  m_Platform.rcClient = { 0, 0, width, height };

  // The window's device context: presentation into the window.
  if (!m_WindowDC.Attach(hWnd))
    return ZP_FAIL;
  m_Platform.pWindowDC = &m_WindowDC;
  return CreateSurfaces(pSettings, hWnd, uint32_t(width), uint32_t(height));
}

ZRESULT C3DEngineSoft::CreateOffscreen(SEngineSettings* pSettings, uint16_t wWidth, uint16_t wHeight)
{
  m_pSettings = pSettings;
  if (!pSettings || !wWidth || !wHeight)
    return ZP_FAIL;
  m_Platform.hWnd = nullptr;
  m_Platform.rcClient = { 0, 0, wWidth, wHeight };
  m_Platform.pWindowDC = nullptr;
  return CreateSurfaces(pSettings, nullptr, wWidth, wHeight);
}

ZRESULT C3DEngineSoft::CreateSurfaces(SEngineSettings* pSettings, HWND hWnd, uint32_t dwWidth,
                                      uint32_t dwHeight)
{
  // Two bitmaps of the client size, drawn in turn.
  if (!m_Bitmap1.Create(dwWidth, dwHeight) || !m_Bitmap2.Create(dwWidth, dwHeight))
    return ZP_FAIL;
  m_Platform.pMemoryDC1 = &m_Bitmap1;
  m_Platform.pMemoryDC2 = &m_Bitmap2;
  m_Platform.pCurrentDC = &m_Bitmap1;
  pSettings->pPlatform = &m_Platform;

  if (!m_pCamera)
  {
    m_pCamera = new (std::nothrow) CCameraSoft;
    if (!m_pCamera)
      return ZP_FAIL;
  }
  if (ZP_FAILED(m_pCamera->Attach(pSettings)))
    return ZP_FAIL;

  // Without a depth buffer nothing can be drawn: fail rather than draw into nothing.
  if (ZP_FAILED(m_Raster.Init(uint16_t(dwWidth), uint16_t(dwHeight))))
    return ZP_FAIL;
  m_Raster.SetTarget(m_Platform.pCurrentDC);

  return ZP_FAILED(C3DEngine::Create(pSettings, hWnd)) ? ZP_FAIL : ZP_OK;
}

ZRESULT C3DEngineSoft::Destroy()
{
  m_Bitmap1.Destroy();
  m_Bitmap2.Destroy();
  m_Platform.pMemoryDC1 = nullptr;
  m_Platform.pMemoryDC2 = nullptr;
  m_Platform.pCurrentDC = nullptr;
  if (m_Platform.pWindowDC)
  {
    m_WindowDC.Detach();
    m_Platform.pWindowDC = nullptr;
  }
  if (m_pSettings && m_pSettings->pPlatform == &m_Platform)
    m_pSettings->pPlatform = nullptr;

  m_Raster.SetTarget(nullptr);
  const ZRESULT rRaster = m_Raster.Release();
  const ZRESULT rBase = C3DEngine::Destroy();
  return (ZP_FAILED(rRaster) || ZP_FAILED(rBase)) ? ZP_FAIL : ZP_OK;
}

ZRESULT C3DEngineSoft::ApplyFog() { return ZP_OK; }

ZRESULT C3DEngineSoft::ApplyLights()
{
  // The three words after light 1's position hold no light state on this platform
  // (the rasterizer lights faces from the position alone); they are cleared.
  static_assert(offsetof(SLightSettings, fDiffuse) == offsetof(SLightSettings, vPosition) + 12 &&
                    offsetof(SLightSettings, fAmbient) == offsetof(SLightSettings, fDiffuse) + 8,
                "the three words follow the position");
  if (m_pSettings)
  {
    m_pSettings->light1.fDiffuse = 0.0f;
    m_pSettings->light1.fSpecular = 0.0f;
    m_pSettings->light1.fAmbient = 0.0f;
  }
  return ZP_OK;
}

ZRESULT C3DEngineSoft::BeginFrame()
{
  if (CBitmap* dc = m_Platform.pCurrentDC)
    dc->FillRect(m_Platform.rcClient.left, m_Platform.rcClient.top, m_Platform.rcClient.right,
                 m_Platform.rcClient.bottom, SOFT_BACKGROUND);
  m_dwTextBackground = SOFT_BACKGROUND;
  const uint32_t text = m_pSettings ? m_pSettings->dwTextColor : 0;
  m_dwTextColor = BitmapRGB((text >> 16) & 0xFF, (text >> 8) & 0xFF, text & 0xFF);
  return ZP_OK;
}

ZRESULT C3DEngineSoft::EndFrame()
{
  CBitmap* dc = m_Platform.pCurrentDC;
  if (m_pSettings)
  {
    const int n =
        std::snprintf(m_pSettings->szName, sizeof(m_pSettings->szName), "%.02f fps %ux%ux%u %.02f",
                      m_pSettings->dFrameRate, unsigned(m_pSettings->wWidth), unsigned(m_pSettings->wHeight),
                      unsigned(m_pSettings->byColorDepth), m_pSettings->dFrameStep);
    if (m_pSettings->szOverlayText[0] && n > 0 && size_t(n) < sizeof(m_pSettings->szName))
      std::snprintf(m_pSettings->szName + n, sizeof(m_pSettings->szName) - size_t(n), "  %s",
                    m_pSettings->szOverlayText);
    if (dc)
      dc->DrawText(m_pSettings->szName, m_dwTextColor, m_dwTextBackground, TextScale(dc->GetHeight()));
  }

  // A window already destroyed (closed during the frame) is not drawn into.
  if (dc && m_Platform.pWindowDC && CWindow::IsWindow(m_Platform.hWnd))
  {
    const SSoftRect& rc = m_Platform.rcClient;
    m_Platform.pWindowDC->Present(*dc, 0, 0, uint32_t(rc.right - rc.left), uint32_t(rc.bottom - rc.top));
  }

  // Draw the next frame into the other bitmap.
  m_Platform.pCurrentDC = (dc == m_Platform.pMemoryDC1) ? m_Platform.pMemoryDC2 : m_Platform.pMemoryDC1;
  m_Raster.SetTarget(m_Platform.pCurrentDC);
  m_Raster.ClearDepth();
  return ZP_OK;
}

CBitmap* C3DEngineSoft::GetPresentedBitmap() const
{
  if (!m_Platform.pCurrentDC)
    return nullptr;
  return m_Platform.pCurrentDC == m_Platform.pMemoryDC1 ? m_Platform.pMemoryDC2 : m_Platform.pMemoryDC1;
}

C3DObject* C3DEngineSoft::CreateObject(uint32_t dwKind, uint32_t dwRenderFlags)
{
  return MakeObject<CObjectSoft3D, CObjectSoftBare, CObjectSoftSprites, CObjectSoft2D>(dwKind, dwRenderFlags,
                                                                                      &m_Raster);
}

CIndexBuffer* C3DEngineSoft::CreateIndexBuffer(uint32_t, uint32_t, uint32_t dwType)
{
  return MakeIndexBuffer<CIndexBuffer16, CIndexBuffer32>(dwType);
}

CTexture* C3DEngineSoft::CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags)
{
  return MakeTexture<CTextureSoft>(dwKind, dwTextureFlags);
}

CShader* C3DEngineSoft::CreateShader(uint32_t, uint32_t)
{
  return nullptr; // no shaders on this platform
}

ZRESULT C3DEngineSoft::DestroyShader(CShader*) { return ZP_FAIL; }
