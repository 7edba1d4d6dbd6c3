#include "sdk/d3d8/device_services_d3d8.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/texture.h"
#include "sdk/d3d8/object_d3d8.h"
#include "sdk/d3d8/platform_d3d8.h"
#include "sdk/d3d8/texture_d3d8.h"

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace
{

constexpr DWORD FVF_SCREEN_COLOR = D3DFVF_XYZRHW | D3DFVF_DIFFUSE; // 20 bytes
constexpr DWORD FVF_SCREEN_TEX = D3DFVF_XYZRHW | D3DFVF_TEX1;      // 24 bytes

struct SScreenColorVertex
{
  float x, y, z, rhw;
  DWORD dwColor;
};

struct SScreenTexVertex
{
  float x, y, z, rhw, u, v;
};

// The overlays' vertices, then the summing points.
constexpr UINT OVERLAY_MASK_FIRST = 0;
constexpr UINT OVERLAY_COVERAGE_FIRST = 4;
constexpr UINT POINTS_FIRST = 8;
constexpr UINT POINT_COUNT = CSunOcclusionService::MASK_SIZE * CSunOcclusionService::MASK_SIZE;
constexpr UINT VERTEX_COUNT = POINTS_FIRST + POINT_COUNT;

const D3DMATRIX* AsD3D(const SMatrix* m) { return reinterpret_cast<const D3DMATRIX*>(m); }

D3DMATRIX Identity()
{
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// Whether a frame is being drawn: the device draws only between BeginScene and EndScene.
bool FrameOpen(const SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  return p && p->pDevice && !p->bLost && p->bFrameOpen;
}

// The frame's view and projection as the scene camera sets them (the view inside the
// projection, with its half-pixel shift), so that what follows a measurement is lit
// and placed as the rest of the frame.
void ApplyFrameCamera(IDirect3DDevice8* d, SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  if (p && p->pCamera)
  {
    p->pCamera->ApplyPerspective();
    return;
  }
  d->SetTransform(D3DTS_VIEW, AsD3D(&pSettings->matView));
  d->SetTransform(D3DTS_PROJECTION, AsD3D(&pSettings->matProjection));
}

// The cull mode the object's own draw would set from its first part.
DWORD ObjectCullMode(C3DObject* pObject)
{
  return pObject->GetPartCount() ? CullModeToD3D8(pObject->GetCullMode(0)) : DWORD(D3DCULL_NONE);
}

void TextureOp(IDirect3DDevice8* d, DWORD dwStage, D3DTEXTURESTAGESTATETYPE eOp, DWORD dwOp, DWORD dwArg1,
               DWORD dwArg2)
{
  const bool bColor = eOp == D3DTSS_COLOROP;
  d->SetTextureStageState(dwStage, eOp, dwOp);
  d->SetTextureStageState(dwStage, bColor ? D3DTSS_COLORARG1 : D3DTSS_ALPHAARG1, dwArg1);
  if (dwOp != D3DTOP_SELECTARG1)
    d->SetTextureStageState(dwStage, bColor ? D3DTSS_COLORARG2 : D3DTSS_ALPHAARG2, dwArg2);
}

void Filters(IDirect3DDevice8* d, DWORD dwStage, DWORD dwFilter, DWORD dwMip)
{
  d->SetTextureStageState(dwStage, D3DTSS_MINFILTER, dwFilter);
  d->SetTextureStageState(dwStage, D3DTSS_MAGFILTER, dwFilter);
  d->SetTextureStageState(dwStage, D3DTSS_MIPFILTER, dwMip);
}

} // namespace

// ---------------------------------------------------------------- shadow volumes

CShadowVolumesD3D8::CShadowVolumesD3D8(SEngineSettings* pSettings)
    : m_pSettings(pSettings), m_pScreenQuad(nullptr), m_wQuadWidth(0), m_wQuadHeight(0)
{
}

CShadowVolumesD3D8::~CShadowVolumesD3D8()
{
  if (m_pScreenQuad)
    m_pScreenQuad->Release();
}

CShadowVolumesD3D8* CShadowVolumesD3D8::Create(SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  if (!p || !p->pDevice || p->present.AutoDepthStencilFormat != D3DFMT_D24S8 ||
      !(p->caps.PrimitiveMiscCaps & D3DPMISCCAPS_COLORWRITEENABLE))
    return nullptr;
  CShadowVolumesD3D8* pService = new (std::nothrow) CShadowVolumesD3D8(pSettings);
  if (!pService)
    return nullptr;
  if (FAILED(p->pDevice->CreateVertexBuffer(4 * sizeof(SScreenColorVertex), D3DUSAGE_WRITEONLY,
                                            FVF_SCREEN_COLOR, D3DPOOL_MANAGED, &pService->m_pScreenQuad)))
  {
    pService->m_pScreenQuad = nullptr;
    delete pService;
    return nullptr;
  }
  pService->WriteScreenQuad();
  return pService;
}

bool CShadowVolumesD3D8::WriteScreenQuad()
{
  const uint16_t w = m_pSettings->wWidth, h = m_pSettings->wHeight;
  if (w == m_wQuadWidth && h == m_wQuadHeight)
    return true;
  BYTE* pBytes = nullptr;
  if (FAILED(m_pScreenQuad->Lock(0, 0, &pBytes, 0)))
    return false;
  const float fw = w, fh = h;
  const SScreenColorVertex quad[4] = { { 0.0f, fh, 0.0f, 1.0f, 0xFF000000u },
                                       { 0.0f, 0.0f, 0.0f, 1.0f, 0xFF000000u },
                                       { fw, fh, 0.0f, 1.0f, 0xFF000000u },
                                       { fw, 0.0f, 0.0f, 1.0f, 0xFF000000u } };
  std::memcpy(pBytes, quad, sizeof(quad));
  m_pScreenQuad->Unlock();
  m_wQuadWidth = w;
  m_wQuadHeight = h;
  return true;
}

void CShadowVolumesD3D8::MarkVolume(const SVector3* pSides, uint32_t dwSideCount, const SVector3* pCaps,
                                    uint32_t dwCapCount)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  const SPlatformD3D8* p = GetPlatformD3D8(m_pSettings);
  if (!d || !pSides || dwSideCount < 3)
    return;
  // The volumes are in world space, seen through the scene camera (the draw before
  // may have been in pixel space).
  if (p->pCamera)
    p->pCamera->ApplyPerspective();
  const D3DMATRIX identity = Identity();
  d->SetTransform(D3DTS_WORLD, &identity);

  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  d->SetRenderState(D3DRS_ALPHAREF, 1);
  d->SetTexture(0, nullptr);
  d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  // The objects choose their own depth comparison ("always" for some): the volumes
  // count where they are nearer than the scene.
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
  TextureOp(d, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
  d->SetRenderState(D3DRS_STENCILWRITEMASK, 0xFFFFFFFF);
  d->SetRenderState(D3DRS_STENCILREF, 1);

  // Counted behind the scene, where the faces fail the depth test: the back faces
  // (counter-clockwise on the screen), which the ray leaves by, count up, then the
  // front faces it enters by count down.  A visible point keeps the number of volumes
  // round it wherever the camera stands, inside one too; the caps count like the sides.
  d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
  d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
  d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  d->SetVertexShader(D3DFVF_XYZ);
  const bool bCaps = pCaps && dwCapCount >= 3;
  for (const auto& [dwCull, dwCount] : { std::pair{ DWORD(D3DCULL_CW), DWORD(D3DSTENCILOP_INCRSAT) },
                                         { DWORD(D3DCULL_CCW), DWORD(D3DSTENCILOP_DECRSAT) } })
  {
    d->SetRenderState(D3DRS_CULLMODE, dwCull);
    d->SetRenderState(D3DRS_STENCILZFAIL, dwCount);
    d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, dwSideCount / 3, pSides, sizeof(SVector3));
    if (bCaps)
      d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, dwCapCount / 3, pCaps, sizeof(SVector3));
  }
}

void CShadowVolumesD3D8::DarkenMarked(uint32_t dwColor)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d || !WriteScreenQuad())
    return;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_COLORWRITEENABLE, 15);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, dwColor);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  // The frame multiplied by the colour where a volume left a count, each pixel once:
  // the pass returns what it darkens to 0, so the next volume starts from a clean
  // buffer and the shadows stack.
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  d->SetRenderState(D3DRS_STENCILENABLE, TRUE);
  d->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
  d->SetRenderState(D3DRS_STENCILREF, 0);
  d->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
  d->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
  d->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_ZERO);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetVertexShader(FVF_SCREEN_COLOR);
  d->SetStreamSource(0, m_pScreenQuad, sizeof(SScreenColorVertex));
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_STENCILENABLE, FALSE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

void CShadowVolumesD3D8::DrawWireFrame(const SVector3* pPositions, uint32_t dwCount)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d || !pPositions || dwCount < 3)
    return;
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  d->SetVertexShader(D3DFVF_XYZ);
  d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, dwCount / 3, pPositions, sizeof(SVector3));
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
}

// ---------------------------------------------------------------- sun occlusion

CSunOcclusionD3D8::CSunOcclusionD3D8(SEngineSettings* pSettings)
    : m_pSettings(pSettings), m_pMaskTarget(nullptr), m_pCoverageTarget(nullptr), m_pVertices(nullptr),
      m_pFrameTarget(nullptr), m_pFrameDepth(nullptr), m_pMaskSurface(nullptr), m_pCoverageSurface(nullptr),
      m_frameViewport{}
{
}

CSunOcclusionD3D8::~CSunOcclusionD3D8()
{
  ReleaseTargets();
  if (m_pVertices)
    m_pVertices->Release();
}

CSunOcclusionD3D8* CSunOcclusionD3D8::Create(SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  if (!p || !p->pDevice || p->caps.MaxSimultaneousTextures < 2 || p->caps.MaxTextureBlendStages < 2)
    return nullptr;
  CSunOcclusionD3D8* pService = new (std::nothrow) CSunOcclusionD3D8(pSettings);
  if (!pService)
    return nullptr;
  if (!pService->CreateVertices(p->pDevice) || !pService->RecreateTargets())
  {
    delete pService;
    return nullptr;
  }
  return pService;
}

bool CSunOcclusionD3D8::CreateVertices(IDirect3DDevice8* d)
{
  if (FAILED(d->CreateVertexBuffer(VERTEX_COUNT * sizeof(SScreenTexVertex), D3DUSAGE_WRITEONLY, FVF_SCREEN_TEX,
                                   D3DPOOL_MANAGED, &m_pVertices)))
  {
    m_pVertices = nullptr;
    return false;
  }
  BYTE* pBytes = nullptr;
  if (FAILED(m_pVertices->Lock(0, 0, &pBytes, 0)))
    return false;
  SScreenTexVertex* v = reinterpret_cast<SScreenTexVertex*>(pBytes);
  // The mask at 225..325 x 0..100 with its top row on top, the coverage texel at
  // 325..375 x 0..50.
  const SScreenTexVertex overlays[8] = {
    { 225, 100, 0, 1, 0, 1 }, { 225, 0, 0, 1, 0, 0 }, { 325, 100, 0, 1, 1, 1 }, { 325, 0, 0, 1, 1, 0 },
    { 325, 50, 0, 1, 0, 0 },  { 325, 0, 0, 1, 0, 0 }, { 375, 50, 0, 1, 0, 0 },  { 375, 0, 0, 1, 0, 0 },
  };
  for (UINT i = 0; i < POINTS_FIRST; ++i)
    v[i] = overlays[i];
  // Every point on pixel (0, 0) of the coverage target, each reading one texel.
  for (UINT j = 0; j < MASK_SIZE; ++j)
    for (UINT i = 0; i < MASK_SIZE; ++i)
      v[POINTS_FIRST + j * MASK_SIZE + i] =
          SScreenTexVertex{ 0, 0, 0, 1, float(i) / MASK_SIZE, float(j) / MASK_SIZE };
  m_pVertices->Unlock();
  return true;
}

void CSunOcclusionD3D8::ReleaseTargets()
{
  // A texture bound to a stage is held by the device: unbound, it goes with our
  // reference (a Reset is refused while a default-pool texture lives).
  if (IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings))
    for (DWORD dwStage = 0; dwStage < 2; ++dwStage)
      d->SetTexture(dwStage, nullptr);
  if (m_pMaskTarget)
    m_pMaskTarget->Release();
  if (m_pCoverageTarget)
    m_pCoverageTarget->Release();
  m_pMaskTarget = m_pCoverageTarget = nullptr;
}

bool CSunOcclusionD3D8::RecreateTargets()
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  ReleaseTargets();
  if (!d)
    return false;
  for (IDirect3DTexture8** ppTarget : { &m_pMaskTarget, &m_pCoverageTarget })
    if (FAILED(d->CreateTexture(MASK_SIZE, MASK_SIZE, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                D3DPOOL_DEFAULT, ppTarget)))
    {
      *ppTarget = nullptr;
      ReleaseTargets();
      return false;
    }
  return !ZP_FAILED(Reset());
}

bool CSunOcclusionD3D8::BeginTargets(IDirect3DDevice8* d)
{
  if (!m_pMaskTarget || !m_pCoverageTarget)
    return false;
  d->GetViewport(&m_frameViewport);
  const bool bOk = SUCCEEDED(d->GetRenderTarget(&m_pFrameTarget)) &&
                   SUCCEEDED(d->GetDepthStencilSurface(&m_pFrameDepth)) &&
                   SUCCEEDED(m_pMaskTarget->GetSurfaceLevel(0, &m_pMaskSurface)) &&
                   SUCCEEDED(m_pCoverageTarget->GetSurfaceLevel(0, &m_pCoverageSurface)) &&
                   SUCCEEDED(d->SetRenderTarget(m_pMaskSurface, nullptr));
  if (!bOk)
    EndTargets(d);
  return bOk;
}

void CSunOcclusionD3D8::EndTargets(IDirect3DDevice8* d)
{
  if (m_pFrameTarget)
    d->SetRenderTarget(m_pFrameTarget, m_pFrameDepth);
  // Setting a target resets the viewport to the whole of it.
  d->SetViewport(&m_frameViewport);
  for (IDirect3DSurface8** pp : { &m_pFrameTarget, &m_pFrameDepth, &m_pMaskSurface, &m_pCoverageSurface })
  {
    if (*pp)
      (*pp)->Release();
    *pp = nullptr;
  }
}

void CSunOcclusionD3D8::ResetStage0(IDirect3DDevice8* d)
{
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  Filters(d, 0, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void CSunOcclusionD3D8::SumCoverage(IDirect3DDevice8* d)
{
  // Each point adds its texel x 1/255 to the first texel: 256 texels of white make
  // full visibility (the sum saturates).
  d->SetRenderTarget(m_pCoverageSurface, nullptr);
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  d->SetTexture(0, m_pMaskTarget);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_TFACTOR);
  // The coverage's alpha stays opaque, so that fading multiplies the colour once.
  TextureOp(d, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  Filters(d, 0, D3DTEXF_POINT, D3DTEXF_NONE);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x01010101);
  d->SetVertexShader(FVF_SCREEN_TEX);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  // Plain one-pixel points, whatever the stars left.
  d->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_POINTSIZE, FloatBits(1.0f));
  d->SetStreamSource(0, m_pVertices, sizeof(SScreenTexVertex));
  d->DrawPrimitive(D3DPT_POINTLIST, POINTS_FIRST, POINT_COUNT);
}

ZRESULT CSunOcclusionD3D8::Reset()
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  const SPlatformD3D8* p = GetPlatformD3D8(m_pSettings);
  if (!d || p->bLost || !BeginTargets(d))
    return ZP_FAIL;
  // Outside a frame the summing draw needs a scene of its own.
  const bool bScene = !p->bFrameOpen && SUCCEEDED(d->BeginScene());
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
  SumCoverage(d);
  if (bScene)
    d->EndScene();
  EndTargets(d);
  ResetStage0(d);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  // Also at load and after a Reset: the objects drawn next find no target bound and
  // the texture factor at its default.
  d->SetTexture(0, nullptr);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  return ZP_OK;
}

bool CSunOcclusionD3D8::Measure(const SMatrix* pView, float fFov, float fNear, float fFar, C3DObject* pDisc,
                                CTexture* pMask, const SOccluder* pOccluders, uint32_t dwOccluderCount)
{
  SEngineSettings* s = m_pSettings;
  IDirect3DDevice8* d = GetDeviceD3D8(s);
  if (!d || !pView || !pDisc || !(fFar > 0.0f) || !(fFov > 0.0f) || !FrameOpen(s))
    return false;

  // Square, looking from the camera at the sun.  The objects draw through the device
  // camera, which takes the occlusion view for the time of the measurement.
  // Depth is not tested: a near distance of 0 only needs to become a usable one.
  const float n = fNear > 0.0f ? fNear : fFar * 1e-5f;
  const float c = 1.0f / std::tan(fFov / 2.0f);
  SMatrix matProjection = {};
  matProjection.m[0][0] = c;
  matProjection.m[1][1] = c;
  matProjection.m[2][2] = fFar / (fFar - n);
  matProjection.m[2][3] = 1.0f;
  matProjection.m[3][2] = -n * fFar / (fFar - n);
  SCameraView view{};
  view.matView = *pView;
  view.matProjection = matProjection;
  view.fFov = fFov * 57.29577951f;
  view.fAspect = 1.0f;
  view.fNear = n;
  view.fFar = fFar;
  const SPlatformD3D8* p = GetPlatformD3D8(s);
  CCamera* pCamera = p ? p->pCamera : nullptr;
  if (pCamera)
    pCamera->SetView(&view);
  d->SetTransform(D3DTS_VIEW, AsD3D(&view.matView));
  d->SetTransform(D3DTS_PROJECTION, AsD3D(&view.matProjection));
  if (!BeginTargets(d))
  {
    if (pCamera)
      pCamera->SetView(nullptr);
    ApplyFrameCamera(d, s);
    return false;
  }
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetRenderState(D3DRS_FOGENABLE, FALSE);
  d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

  // The disc in white where the mask's alpha passes, weighted by it.
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0);
  TextureOp(d, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  d->SetRenderState(D3DRS_ALPHAREF, 5);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  // What the disc's own draw would switch on: blending with the alpha test, and the
  // cull mode of its part.
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  d->SetRenderState(D3DRS_CULLMODE, ObjectCullMode(pDisc));
  if (pMask)
    pMask->Bind(0);
  else
    d->SetTexture(0, nullptr);
  pDisc->DrawGeometry(ALL_PARTS);
  ResetStage0(d);

  // The occluders in black, geometry only.
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x00000000);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0);
  for (DWORD i = 0; i < 3; ++i)
    d->SetTexture(i, nullptr);
  for (DWORD i = 0; i < 3; ++i)
    d->LightEnable(i, FALSE);
  d->SetRenderState(D3DRS_LIGHTING, TRUE);
  d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  DrawOccluders(pOccluders, dwOccluderCount);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);

  SumCoverage(d);

  EndTargets(d);
  if (pCamera)
    pCamera->SetView(nullptr);
  ApplyFrameCamera(d, s);
  ResetStage0(d);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  return true;
}

void CSunOcclusionD3D8::DrawOverlays()
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d || !m_pMaskTarget || !m_pCoverageTarget)
    return;
  d->SetTexture(0, m_pMaskTarget);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  d->SetVertexShader(FVF_SCREEN_TEX);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetStreamSource(0, m_pVertices, sizeof(SScreenTexVertex));
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, OVERLAY_MASK_FIRST, 2);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  d->SetTexture(0, m_pCoverageTarget);
  Filters(d, 0, D3DTEXF_POINT, D3DTEXF_NONE);
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, OVERLAY_COVERAGE_FIRST, 2);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
}

void CSunOcclusionD3D8::DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d || !pObject)
    return;
  // Stage 0: the object's texture times its vertex colour; alpha from the texture,
  // or with the vertex alpha as well.
  CTexture* pTexture = pObject->GetPartCount() ? pObject->GetTexture(0, 0) : nullptr;
  if (pTexture)
    pTexture->Bind(0);
  else
    d->SetTexture(0, nullptr);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  if (how.bVertexAlpha)
    TextureOp(d, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  else
    TextureOp(d, 0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0);
  Filters(d, 0, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
  d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
  // Stage 1: the coverage texel.  The vertices carry one set of coordinates, so set 1
  // reads (0, 0): the summed texel, for every pixel.
  if (how.bFade)
  {
    d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
    d->SetTexture(1, m_pCoverageTarget);
    TextureOp(d, 1, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
    TextureOp(d, 1, D3DTSS_ALPHAOP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT);
    Filters(d, 1, D3DTEXF_POINT, D3DTEXF_NONE);
  }
  else
  {
    d->SetTexture(1, nullptr);
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  }
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
  d->SetRenderState(D3DRS_ALPHAREF, how.byAlphaRef);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  // The cull mode the object's own draw would set (its part's).
  d->SetRenderState(D3DRS_CULLMODE, ObjectCullMode(pObject));
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  d->SetRenderState(D3DRS_FOGENABLE, FALSE);
  d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, how.bDepthTest ? D3DZB_TRUE : D3DZB_FALSE);
  d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);

  pObject->DrawGeometry(ALL_PARTS);

  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
  d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_ALWAYS);
  d->SetRenderState(D3DRS_ALPHAREF, 255);
  TextureOp(d, 0, D3DTSS_COLOROP, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  d->SetTexture(1, nullptr);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
  d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
  Filters(d, 0, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
  Filters(d, 1, D3DTEXF_LINEAR, D3DTEXF_LINEAR);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}
