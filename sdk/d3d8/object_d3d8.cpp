#include "sdk/d3d8/object_d3d8.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/texture.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/d3d8/platform_d3d8.h"
#include "sdk/d3d8/texture_d3d8.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{

// Direct3D's part codes: its primitive types by engine type, its cull modes by engine
// cull mode.
const SPartCodes kCodesD3D8 = {
  { D3DPT_TRIANGLESTRIP, D3DPT_TRIANGLELIST, D3DPT_TRIANGLEFAN, D3DPT_LINELIST, D3DPT_LINESTRIP, D3DPT_POINTLIST },
  D3DPT_TRIANGLELIST,
  { D3DCULL_NONE, D3DCULL_CCW, D3DCULL_CW, D3DCULL_NONE },
};

// Direct3D's space and texture coordinates are the engine's; the 3D objects keep their
// normals reversed (see the device's lighting).
constexpr SVertexConvention kConvention3D = { 1.0f, false, -1.0f, -1.0f, false };
constexpr SVertexConvention kConvention2D = { 1.0f, false, 1.0f, 1.0f, true };

// Texture stages the objects use: two, or fewer where the device has fewer.
uint32_t StageCount(const SEngineSettings* pSettings)
{
  const SPlatformD3D8* p = GetPlatformD3D8(pSettings);
  if (!p)
    return 1;
  const uint32_t n = std::min<uint32_t>(p->caps.MaxSimultaneousTextures, p->caps.MaxTextureBlendStages);
  return std::clamp<uint32_t>(n, 1, 2);
}

// Vertices that a primitive count takes in a primitive type.
uint32_t VertexCountOf(uint32_t dwType, uint32_t dwPrimitives)
{
  switch (dwType)
  {
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return dwPrimitives ? dwPrimitives + 2 : 0;
    case D3DPT_TRIANGLELIST: return dwPrimitives * 3;
    case D3DPT_LINELIST: return dwPrimitives * 2;
    case D3DPT_LINESTRIP: return dwPrimitives ? dwPrimitives + 1 : 0;
    default: return dwPrimitives;
  }
}

} // namespace

uint32_t PrimitiveTypeToD3D8(uint32_t dwEngineType) { return kCodesD3D8.Primitive(dwEngineType); }

uint32_t PrimitiveTypeFromD3D8(uint32_t dwCode) { return kCodesD3D8.EnginePrimitive(dwCode); }

uint32_t CullModeToD3D8(uint32_t dwEngineMode) { return kCodesD3D8.Cull(dwEngineMode); }

uint32_t CullModeFromD3D8(uint32_t dwCode) { return kCodesD3D8.EngineCull(dwCode); }

uint32_t PrimitiveCountD3D8(uint32_t dwType, uint32_t dwIndexCount)
{
  switch (dwType)
  {
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return dwIndexCount >= 3 ? dwIndexCount - 2 : 0;
    case D3DPT_TRIANGLELIST: return dwIndexCount / 3;
    case D3DPT_LINELIST: return dwIndexCount / 2;
    case D3DPT_LINESTRIP: return dwIndexCount >= 2 ? dwIndexCount - 1 : 0;
    default: return dwIndexCount;
  }
}

// ---------------------------------------------------------------- life

CObjectD3D8::CObjectD3D8()
    : m_pVertexBuffer(nullptr), m_pIndexBufferD3D(nullptr), m_dwBufferVertices(0), m_dwBufferIndices(0),
      m_dwBufferIndexType(0), m_dwUploadedAt(0)
{
  m_pPartCodes = &kCodesD3D8;
  m_convention = kConvention3D;
}

CObjectD3D8::~CObjectD3D8() { FreeBuffers(); }

void CObjectD3D8::FreeBuffers()
{
  if (m_pVertexBuffer)
    m_pVertexBuffer->Release();
  if (m_pIndexBufferD3D)
    m_pIndexBufferD3D->Release();
  m_pVertexBuffer = nullptr;
  m_pIndexBufferD3D = nullptr;
  m_dwBufferVertices = m_dwBufferIndices = m_dwBufferIndexType = 0;
}

ZRESULT CObjectD3D8::Release()
{
  FreeBuffers();
  return C3DMeshObject::Release();
}

ZRESULT CObjectD3D8::AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount)
{
  FreeBuffers();
  return C3DMeshObject::AllocateVertices(dwVertexCount, dwPartCount);
}

CObjectD3D83D::CObjectD3D83D() { m_bKeepsVertices = true; }

CObjectD3D82D::CObjectD3D82D()
{
  m_bKeepsVertices = true;
  m_convention = kConvention2D;
}

ZRESULT CObjectD3D8::Upload()
{
  // Objects whose alpha follows the colour factor are drawn from memory every time.
  if (!m_bKeepsVertices || !m_pVertices || !m_pDrawIndexBuffer || (m_dwRenderFlags & RENDER_FACTOR_ALPHA))
  {
    FreeBuffers();
    return ZP_OK;
  }
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* pIndices = ib->GetData();
  const uint32_t dwIndices = ib->GetIndexCount();
  const uint32_t dwType = ib->GetType();
  if (!pDevice || !pIndices || !dwIndices)
  {
    FreeBuffers();
    return ZP_OK;
  }
  const UINT uIndexSize = dwType == INDEX_TYPE_16 ? 2 : 4;
  if (m_dwBufferVertices != m_dwVertexCount || m_dwBufferIndices != dwIndices ||
      m_dwBufferIndexType != dwType)
  {
    FreeBuffers();
    if (FAILED(pDevice->CreateVertexBuffer(m_dwVertexCount * sizeof(SVertexD3D8), D3DUSAGE_WRITEONLY,
                                           FVF_VERTEX_D3D8, D3DPOOL_MANAGED, &m_pVertexBuffer)) ||
        FAILED(pDevice->CreateIndexBuffer(dwIndices * uIndexSize, D3DUSAGE_WRITEONLY,
                                          uIndexSize == 2 ? D3DFMT_INDEX16 : D3DFMT_INDEX32, D3DPOOL_MANAGED,
                                          &m_pIndexBufferD3D)))
    {
      // Drawn from memory, then.
      FreeBuffers();
      return ZP_OK;
    }
    m_dwBufferVertices = m_dwVertexCount;
    m_dwBufferIndices = dwIndices;
    m_dwBufferIndexType = dwType;
  }
  // Committed again with nothing changed: the buffers hold it already.
  else if (m_dwUploadedAt == GetChangeCount())
  {
    return ZP_OK;
  }
  m_dwUploadedAt = GetChangeCount();
  BYTE* pBytes = nullptr;
  if (SUCCEEDED(m_pVertexBuffer->Lock(0, 0, &pBytes, 0)))
  {
    std::memcpy(pBytes, m_pVertices, size_t(m_dwVertexCount) * sizeof(SVertexD3D8));
    m_pVertexBuffer->Unlock();
  }
  if (SUCCEEDED(m_pIndexBufferD3D->Lock(0, 0, &pBytes, 0)))
  {
    std::memcpy(pBytes, pIndices, size_t(dwIndices) * uIndexSize);
    m_pIndexBufferD3D->Unlock();
  }
  return ZP_OK;
}

// ---------------------------------------------------------------- render states

ZRESULT CObjectD3D8::RecordRenderStates()
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d)
    return ZP_OK;
  const SEngineSettings* s = m_pSettings;
  const uint32_t f = m_dwRenderFlags;
  d->SetRenderState(D3DRS_FOGENABLE, (f & RENDER_FOG) && s->swFog.bCurrent);
  const bool bAlpha = (f & RENDER_ALPHA) != 0;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, bAlpha);
  d->SetRenderState(D3DRS_ALPHATESTENABLE, bAlpha);
  if (bAlpha)
  {
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  }
  // Colour material: the vertex colour stands for the material's diffuse and ambient.
  const DWORD source = (f & RENDER_COLOR_MATERIAL) ? D3DMCS_COLOR1 : D3DMCS_MATERIAL;
  d->SetRenderState(D3DRS_COLORVERTEX, TRUE);
  d->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, source);
  d->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, source);
  d->SetRenderState(D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL);
  d->SetRenderState(D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL);
  d->LightEnable(0, (f & RENDER_LIGHT) && s->light1.swEnable.bCurrent);
  d->LightEnable(1, (f & RENDER_LIGHT) && s->light2.swEnable.bCurrent);
  d->SetRenderState(D3DRS_LIGHTING, (f & RENDER_LIGHTING) && s->swLighting.bCurrent);
  d->SetRenderState(D3DRS_SPECULARENABLE, (f & RENDER_SPECULAR) && s->swSpecular.bCurrent);
  d->SetRenderState(D3DRS_ZENABLE, (f & RENDER_DEPTH_TEST) ? D3DZB_TRUE : D3DZB_FALSE);
  // As the OpenGL objects: depth is written by the objects whose flags say so, and the
  // write flag chooses between "nearer only" and every fragment.  A second pass over
  // the same surface thus draws nothing where depth is written.
  d->SetRenderState(D3DRS_ZWRITEENABLE, (f & RENDER_DEPTH_WRITE) ? TRUE : FALSE);
  d->SetRenderState(D3DRS_ZFUNC,
                    ((f & RENDER_DEPTH_WRITE) && s->swDepth.bCurrent) ? D3DCMP_LESS : D3DCMP_ALWAYS);
  d->SetRenderState(D3DRS_FILLMODE, (f & RENDER_WIREFRAME) ? D3DFILL_WIREFRAME : D3DFILL_SOLID);
  d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d->SetRenderState(D3DRS_DITHERENABLE, TRUE);
  d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
  d->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
  return ZP_OK;
}

void CObjectD3D8::ApplyRenderStates()
{
  RecordRenderStates();
  if (IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings))
    d->SetRenderState(D3DRS_TEXTUREFACTOR, m_dwColorFactor);
}

// ---------------------------------------------------------------- drawing

ZRESULT CObjectD3D8::ApplyProjection()
{
  const SPlatformD3D8* p = GetPlatformD3D8(m_pSettings);
  if (!p || !p->pCamera)
    return ZP_FAIL;
  if (ObjectClassBit(m_dwKind) == OBJECT_KIND_SCREEN)
    return p->pCamera->ApplyOrtho();
  return p->pCamera->ApplyPerspective();
}

void CObjectD3D8::ApplyTransforms(IDirect3DDevice8* pDevice)
{
  ApplyProjection();
  const SMatrix* m = m_pWorldMatrix ? m_pWorldMatrix : &m_matObject;
  pDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const D3DMATRIX*>(m));
}

void CObjectD3D8::ApplyTextures(IDirect3DDevice8* d, uint32_t dwMaterial)
{
  // Untextured, stage 0 passes the lit vertex colour on and the others are off.
  const uint32_t stages = StageCount(m_pSettings);
  for (uint32_t s = 0; s < stages; ++s)
  {
    d->SetTexture(s, nullptr);
    d->SetTextureStageState(s, D3DTSS_COLOROP, s ? D3DTOP_DISABLE : D3DTOP_SELECTARG1);
    d->SetTextureStageState(s, D3DTSS_ALPHAOP, s ? D3DTOP_DISABLE : D3DTOP_SELECTARG1);
    d->SetTextureStageState(s, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    d->SetTextureStageState(s, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  }
  if (stages < 2)
    d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);

  const uint32_t f = m_dwRenderFlags;
  if ((f & RENDER_WIREFRAME) || !m_ppTextures || dwMaterial >= m_dwPartCount)
    return;
  CTexture** row = &m_ppTextures[size_t(dwMaterial) * TEXTURE_STAGES];
  if ((f & RENDER_MULTITEXTURE) && stages > 1)
  {
    for (uint32_t j = 0; j < stages; ++j)
      if (row[j])
        row[j]->Apply(f, j);
  }
  else if ((f & RENDER_TEXTURE) && row[0])
  {
    row[0]->Apply(f, 0);
  }
}

void CObjectD3D8::CountPart(const SPartRecord* pPart)
{
  if (!m_pSettings)
    return;
  m_pSettings->adwCounters[0] += pPart->dwVertexCount;
  m_pSettings->adwCounters[1] += pPart->dwIndexCount;
  m_pSettings->adwCounters[2] += pPart->dwPrimitiveCount;
}

void CObjectD3D8::DrawIndexed(IDirect3DDevice8* d, const SPartRecord& part)
{
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* pIndices = ib->GetData();
  const uint32_t total = ib->GetIndexCount();
  if (!pIndices || !m_pVertices || part.dwFirstIndex >= total || part.dwBaseVertex >= m_dwVertexCount)
    return;
  const uint32_t count = std::min(part.dwIndexCount, total - part.dwFirstIndex);
  const uint32_t prims = PrimitiveCountD3D8(part.dwPrimitiveType, count);
  if (!prims)
    return;
  const uint32_t vertices = m_dwVertexCount - part.dwBaseVertex;
  const D3DPRIMITIVETYPE type = static_cast<D3DPRIMITIVETYPE>(part.dwPrimitiveType);
  d->SetVertexShader(FVF_VERTEX_D3D8);
  if (m_pVertexBuffer && m_pIndexBufferD3D && ib == m_pIndexBuffer)
  {
    d->SetStreamSource(0, m_pVertexBuffer, sizeof(SVertexD3D8));
    d->SetIndices(m_pIndexBufferD3D, part.dwBaseVertex);
    d->DrawIndexedPrimitive(type, 0, vertices, part.dwFirstIndex, prims);
    return;
  }
  // From memory: the vertices as they are now, with the colour factor's alpha where
  // the render flags ask for it.
  const SVertexD3D8* pSource = m_pVertices + part.dwBaseVertex;
  std::vector<SVertexD3D8> scratch;
  if (m_dwRenderFlags & RENDER_FACTOR_ALPHA)
  {
    scratch.assign(pSource, pSource + vertices);
    const uint32_t alpha = m_dwColorFactor & 0xFF000000u;
    for (SVertexD3D8& v : scratch)
      v.dwDiffuse = (v.dwDiffuse & 0x00FFFFFFu) | alpha;
    pSource = scratch.data();
  }
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint8_t* pFirst = static_cast<const uint8_t*>(pIndices) + size_t(part.dwFirstIndex) * (b16 ? 2 : 4);
  d->DrawIndexedPrimitiveUP(type, 0, vertices, prims, pFirst, b16 ? D3DFMT_INDEX16 : D3DFMT_INDEX32, pSource,
                            sizeof(SVertexD3D8));
}

ZRESULT CObjectD3D8::DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  // The bare object has nothing to draw and leaves the frame as it is.
  if (!m_bKeepsVertices || !m_pDrawIndexBuffer || !d)
    return ZP_OK;
  if (bFull && (m_dwRenderFlags & RENDER_STATES))
    ApplyRenderStates();
  ApplyTransforms(d);
  m_pDrawIndexBuffer->BeginAccess();
  for (uint64_t i = dwFirst; i < uint64_t(dwFirst) + dwCount; ++i)
  {
    const SPartRecord* rec = Part(uint32_t(i));
    if (!rec)
      break;
    const uint32_t m = rec->dwMaterial;
    if (bFull)
    {
      d->SetRenderState(D3DRS_CULLMODE, rec->dwCullMode);
      ApplyTextures(d, m);
    }
    const SPartRecord* geo = Part(m);
    if (!geo)
      continue;
    DrawIndexed(d, *geo);
    CountPart(geo);
  }
  return m_pDrawIndexBuffer->EndAccess();
}

ZRESULT CObjectD3D8::Draw(int32_t iPartCount) { return DrawParts(0, PartCountArg(iPartCount), true); }

ZRESULT CObjectD3D8::DrawPart(uint32_t dwPart) { return DrawParts(dwPart, 1, true); }

ZRESULT CObjectD3D8::DrawGeometry(int32_t iPartCount)
{
  return DrawParts(0, PartCountArg(iPartCount), false);
}

ZRESULT CObjectD3D8::DrawPartGeometry(uint32_t dwPart) { return DrawParts(dwPart, 1, false); }

ZRESULT CObjectD3D8::PreparePart(uint32_t dwPart)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!m_bKeepsVertices || !d)
    return ZP_OK;
  if (m_dwRenderFlags & RENDER_STATES)
    ApplyRenderStates();
  ApplyTransforms(d);
  d->SetVertexShader(FVF_VERTEX_D3D8);
  if (m_pVertexBuffer)
    d->SetStreamSource(0, m_pVertexBuffer, sizeof(SVertexD3D8));
  const SPartRecord* rec = Part(dwPart);
  ApplyTextures(d, rec ? rec->dwMaterial : dwPart);
  return ZP_OK;
}

ZRESULT CObjectD3D8::DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                               int32_t iCullMode)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!m_pVertices || !d || dwFirstVertex >= m_dwVertexCount)
    return ZP_OK;
  const uint32_t type = iPrimitiveType < 0 ? uint32_t(D3DPT_POINTLIST)
                                           : PrimitiveTypeToD3D8(static_cast<uint32_t>(iPrimitiveType));
  // Only whole primitives of the vertices there are.
  uint32_t prims = dwPrimitiveCount;
  while (prims && VertexCountOf(type, prims) > m_dwVertexCount - dwFirstVertex)
    prims = PrimitiveCountD3D8(type, m_dwVertexCount - dwFirstVertex);
  if (!prims)
    return ZP_OK;
  d->SetRenderState(D3DRS_CULLMODE,
                    iCullMode < 0 ? uint32_t(D3DCULL_CCW) : CullModeToD3D8(static_cast<uint32_t>(iCullMode)));
  d->SetRenderState(D3DRS_TEXTUREFACTOR, m_dwColorFactor);
  if (m_pVertexBuffer)
    d->DrawPrimitive(static_cast<D3DPRIMITIVETYPE>(type), dwFirstVertex, prims);
  else
    d->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type), prims, m_pVertices + dwFirstVertex,
                       sizeof(SVertexD3D8));
  const uint32_t n = VertexCountOf(type, prims);
  m_pSettings->adwCounters[0] += n;
  m_pSettings->adwCounters[1] += n;
  m_pSettings->adwCounters[2] += prims;
  return ZP_OK;
}

// ---------------------------------------------------------------- point sprites

float CObjectD3D8Sprites::PixelSize(float fPercent) const
{
  const float size =
      std::floor((m_pSettings->fPointSpriteMax - m_pSettings->fPointSpriteMin) * 0.01f * fPercent + 0.5f);
  return size >= 1.0f ? size : 1.0f; // also when not a number
}

void CObjectD3D8Sprites::ApplySprites(IDirect3DDevice8* d, DWORD dwColorSource)
{
  // Plain square points, untextured, as the OpenGL points are: a texture would only
  // lend them the colour of one texel.
  d->SetRenderState(D3DRS_POINTSPRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_POINTSCALEENABLE, FALSE);
  d->SetRenderState(D3DRS_POINTSIZE_MIN, FloatBits(1.0f));
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  ApplyTextures(d, m_dwPartCount); // every stage off
  d->SetTextureStageState(0, D3DTSS_COLORARG1, dwColorSource);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, dwColorSource);
}

ZRESULT CObjectD3D8Sprites::DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount, bool bFull)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  if (!ib || !d || !m_pVertices)
    return ZP_OK;
  if (bFull && (m_dwRenderFlags & RENDER_STATES))
    ApplyRenderStates();
  ApplyTransforms(d);
  if (bFull)
    ApplySprites(d, D3DTA_DIFFUSE);
  d->SetVertexShader(FVF_VERTEX_D3D8);
  ib->BeginAccess();
  const void* pIndices = ib->GetData();
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint32_t total = ib->GetIndexCount();
  std::vector<SVertexD3D8> points;
  for (uint64_t i = dwFirstPart; i < uint64_t(dwFirstPart) + dwPartCount; ++i)
  {
    const SPartRecord* rec = Part(uint32_t(i));
    if (!rec)
      break;
    const SPartRecord* geo = Part(rec->dwMaterial);
    if (!geo)
      continue;
    // The part's points, small to large: equal sizes make one draw, and the brightest
    // stars end on top.
    points.clear();
    if (pIndices && geo->dwFirstIndex < total)
    {
      const uint32_t end = geo->dwFirstIndex + std::min(geo->dwIndexCount, total - geo->dwFirstIndex);
      for (uint32_t k = geo->dwFirstIndex; k < end; ++k)
      {
        const uint64_t index = uint64_t(b16 ? static_cast<const uint16_t*>(pIndices)[k]
                                            : static_cast<const uint32_t*>(pIndices)[k]) +
                               geo->dwBaseVertex;
        if (index < m_dwVertexCount)
          points.push_back(m_pVertices[index]);
      }
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const SVertexD3D8& a, const SVertexD3D8& b) { return a.vTexCoord.x < b.vTexCoord.x; });
    for (size_t k = 0; k < points.size();)
    {
      const float size = PixelSize(points[k].vTexCoord.x);
      size_t j = k + 1;
      while (j < points.size() && PixelSize(points[j].vTexCoord.x) == size)
        ++j;
      d->SetRenderState(D3DRS_POINTSIZE, FloatBits(size));
      d->DrawPrimitiveUP(D3DPT_POINTLIST, UINT(j - k), &points[k], sizeof(SVertexD3D8));
      k = j;
    }
    CountPart(geo);
  }
  return ib->EndAccess();
}

ZRESULT CObjectD3D8Sprites::Draw(int32_t iPartCount) { return DrawPoints(0, PartCountArg(iPartCount), true); }

ZRESULT CObjectD3D8Sprites::DrawPart(uint32_t dwPart) { return DrawPoints(dwPart, 1, true); }

ZRESULT CObjectD3D8Sprites::DrawGeometry(int32_t iPartCount)
{
  return DrawPoints(0, PartCountArg(iPartCount), false);
}

ZRESULT CObjectD3D8Sprites::DrawPartGeometry(uint32_t dwPart) { return DrawPoints(dwPart, 1, false); }

ZRESULT CObjectD3D8Sprites::PreparePart(uint32_t dwPart)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d)
    return ZP_OK;
  CObjectD3D8::PreparePart(dwPart);
  // Each sprite in the colour factor, which DrawRange sets as the texture factor.
  ApplySprites(d, D3DTA_TFACTOR);
  return ZP_OK;
}

ZRESULT CObjectD3D8Sprites::DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount,
                                      int32_t iPrimitiveType, int32_t iCullMode)
{
  IDirect3DDevice8* d = GetDeviceD3D8(m_pSettings);
  if (!d || !m_pSettings)
    return ZP_OK;
  const float fSize = (m_pSettings->fPointSpriteMax - m_pSettings->fPointSpriteMin) * 0.01f * m_fUserValue;
  d->SetRenderState(D3DRS_POINTSIZE, FloatBits(fSize));
  return CObjectD3D8::DrawRange(dwFirstVertex, dwPrimitiveCount, iPrimitiveType, iCullMode);
}
