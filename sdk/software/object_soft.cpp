#include "sdk/software/object_soft.h"

#include "sdk/core/3d_math.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/software/soft_raster.h"

#include <cstring>

CObjectSoft::CObjectSoft(CSoftRaster* pRaster)
    : m_pRaster(pRaster), m_pProjected(nullptr), m_pStamps(nullptr), m_dwStamp(0), m_dwStorageCount(0),
      m_bScreenSpace(false), m_pWalkWorld(nullptr), m_vWalkTranslation{ 0, 0, 0 }, m_dwWalkFlags(0)
{
  // The engine's conventions as they are, the stored fields handed out.
  m_bKeepsVertices = true;
  m_convention.bAddresses = true;
}

CObjectSoft::~CObjectSoft() { FreeVertices(); }

void CObjectSoft::FreeVertices()
{
  FreeVertexStore();
  if (m_pProjected)
    TrackedFree(m_pProjected);
  if (m_pStamps)
    TrackedFree(m_pStamps);
  m_pProjected = nullptr;
  m_pStamps = nullptr;
  m_dwStorageCount = 0;
  m_dwStamp = 0;
}

ZRESULT CObjectSoft::AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount)
{
  FreeVertices();
  if (dwVertexCount == 0)
    return ZP_OK;
  if (ZP_FAILED(C3DMeshObject::AllocateVertices(dwVertexCount, dwPartCount)))
    return ZP_FAIL;
  m_pProjected = static_cast<SVector3*>(TrackedCalloc(dwVertexCount, sizeof(SVector3)));
  m_pStamps = static_cast<uint32_t*>(TrackedCalloc(dwVertexCount, sizeof(uint32_t)));
  if (!m_pVertices || !m_pProjected || !m_pStamps)
  {
    FreeVertices();
    return ZP_FAIL;
  }
  m_dwStorageCount = dwVertexCount;
  return ZP_OK;
}

ZRESULT CObjectSoft::Release()
{
  FreeVertices();
  return C3DMeshObject::Release();
}

// ---------------------------------------------------------------------------------------
// Part codes: this platform stores the engine's codes unchanged.

uint32_t CObjectSoft::PartsFor(int32_t iPartCount) const
{
  const uint32_t parts = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPartCount() : 0;
  if (iPartCount < 0 || uint32_t(iPartCount) > parts)
    return parts;
  return uint32_t(iPartCount);
}


// ---------------------------------------------------------------------------------------
// Drawing

ZRESULT CObjectSoft::Draw(int32_t iPartCount) { return Walk(0, PartsFor(iPartCount), true); }

ZRESULT CObjectSoft::DrawPart(uint32_t dwPart) { return Walk(dwPart, 1, true); }

ZRESULT CObjectSoft::DrawGeometry(int32_t iPartCount) { return Walk(0, PartsFor(iPartCount), false); }

ZRESULT CObjectSoft::DrawPartGeometry(uint32_t dwPart) { return Walk(dwPart, 1, false); }

const SVector3& CObjectSoft::Projected(uint32_t dwVertex)
{
  if (m_pStamps[dwVertex] != m_dwStamp)
  {
    m_pStamps[dwVertex] = m_dwStamp;
    m_pSettings->pMath->Project(&m_pProjected[dwVertex], m_pSettings->wWidth, m_pSettings->wHeight,
                                m_pWalkWorld, &m_pSettings->matView, &m_pSettings->matProjection,
                                &m_pVertices[dwVertex].vPosition);
  }
  return m_pProjected[dwVertex];
}

void CObjectSoft::DrawTriangle(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t dwCullMode)
{
  if (i0 >= m_dwStorageCount || i1 >= m_dwStorageCount || i2 >= m_dwStorageCount)
    return;
  if (m_bScreenSpace)
    return;

  const SVector3 A = Projected(i0);
  const SVector3 B = Projected(i1);
  const SVector3 C = Projected(i2);
  C3DMath* math = m_pSettings->pMath;
  if (math->TriangleFacing(&A, &B, &C, &m_pSettings->matCamera, int(dwCullMode)) < 0)
    return;

  const SSoftVertex& v0 = m_pVertices[i0];
  const SSoftVertex& v1 = m_pVertices[i1];
  const SSoftVertex& v2 = m_pVertices[i2];
  uint32_t c0 = 0, c1 = 0, c2 = 0;
  const uint32_t F = m_dwWalkFlags;
  if (F & RENDER_LIGHT)
  {
    c0 = v0.dwDiffuse;
    c1 = v1.dwDiffuse;
    c2 = v2.dwDiffuse;
    if (F & RENDER_LIGHTING)
    {
      // A directional light (type 0) comes from its position's direction wherever the
      // object stands.
      const SVector3 vOrigin = { 0.0f, 0.0f, 0.0f };
      const float k = CSoftRaster::FaceFactor(v0.vPosition, v1.vPosition, v2.vPosition,
                                              m_pSettings->light1.iType == 0 ? vOrigin : m_vWalkTranslation,
                                              m_pSettings->light1.vPosition);
      c0 = CSoftRaster::ScaleColor(c0, k);
      c1 = CSoftRaster::ScaleColor(c1, k);
      c2 = CSoftRaster::ScaleColor(c2, k);
    }
  }
  if ((F & RENDER_FOG) && m_pSettings->swFog.bCurrent)
  {
    const float start = m_pSettings->fFogStart, end = m_pSettings->fFogEnd;
    const uint32_t fog = m_pSettings->dwFogColor;
    c0 = CSoftRaster::FogColor(c0, A.z, start, end, fog);
    c1 = CSoftRaster::FogColor(c1, B.z, start, end, fog);
    c2 = CSoftRaster::FogColor(c2, C.z, start, end, fog);
  }
  m_pRaster->Triangle(A, c0, B, c1, C, c2);
}

template <typename TIndex>
void CObjectSoft::WalkPart(const TIndex* pIndices, uint32_t dwIndexTotal, const SPartRecord& part)
{
  // Index positions are checked against the array; 64-bit sums cannot wrap.
  const uint64_t first = part.dwFirstIndex;
  const uint64_t count = part.dwIndexCount;
  const uint32_t b = part.dwBaseVertex;
  const uint32_t cull = part.dwCullMode;
  auto fits = [dwIndexTotal](uint64_t last) { return last < dwIndexTotal; };

  switch (part.dwPrimitiveType)
  {
    case PRIMITIVE_TRIANGLE_LIST:
      for (uint64_t i = first; i < first + count; i += 3)
      {
        if (!fits(i + 2))
          break;
        DrawTriangle(pIndices[i] + b, pIndices[i + 1] + b, pIndices[i + 2] + b, cull);
      }
      break;
    case PRIMITIVE_TRIANGLE_STRIP:
      for (uint64_t k = 0; k < part.dwPrimitiveCount; ++k)
      {
        const uint64_t i = first + k;
        if (!fits(i + 2))
          break;
        if (k & 1)
          DrawTriangle(pIndices[i + 1] + b, pIndices[i] + b, pIndices[i + 2] + b, cull);
        else
          DrawTriangle(pIndices[i] + b, pIndices[i + 1] + b, pIndices[i + 2] + b, cull);
      }
      break;
    case PRIMITIVE_TRIANGLE_FAN:
      if (!fits(first))
        break;
      for (uint64_t i = first + 1; i + 2 <= first + count; ++i)
      {
        if (!fits(i + 1))
          break;
        DrawTriangle(pIndices[first] + b, pIndices[i] + b, pIndices[i + 1] + b, cull);
      }
      break;
    default: break; // lines and points have no triangles
  }
}

ZRESULT CObjectSoft::Walk(uint32_t dwFirst, uint32_t dwCount, bool bRenderStates)
{
  if (!m_pSettings)
    return ZP_FAIL;
  if (bRenderStates && (m_dwRenderFlags & RENDER_STATES))
    ApplyRenderStates();
  ApplyProjection();

  CIndexBuffer* ib = m_pDrawIndexBuffer;
  if (!ib)
    return ZP_OK; // nothing was set up: nothing to draw
  ib->BeginAccess();

  C3DMath* math = m_pSettings->pMath;
  const bool canDraw = math && m_pRaster && m_pVertices;
  if (canDraw)
  {
    m_pWalkWorld = m_pWorldMatrix ? m_pWorldMatrix : &m_matObject;
    m_dwWalkFlags = m_dwRenderFlags;
    math->GetTranslation(&m_vWalkTranslation, m_pWalkWorld);
    // A new walk number invalidates every projected point; on wrap-around clear them.
    if (++m_dwStamp == 0)
    {
      std::memset(m_pStamps, 0, size_t(m_dwStorageCount) * sizeof(uint32_t));
      m_dwStamp = 1;
    }
  }

  const void* data = ib->GetData();
  const uint32_t total = ib->GetIndexCount();
  const uint32_t parts = ib->GetPartCount();
  for (uint64_t p = dwFirst; p < uint64_t(dwFirst) + dwCount && p < parts; ++p)
  {
    const SPartRecord* rec = ib->GetPart(uint32_t(p));
    if (!rec)
      break;
    if (canDraw && data)
    {
      if (ib->GetType() == INDEX_TYPE_32)
        WalkPart(static_cast<const uint32_t*>(data), total, *rec);
      else
        WalkPart(static_cast<const uint16_t*>(data), total, *rec);
    }
    m_pSettings->adwCounters[0] += rec->dwVertexCount;
    m_pSettings->adwCounters[1] += rec->dwIndexCount;
    m_pSettings->adwCounters[2] += rec->dwPrimitiveCount;
  }
  return ib->EndAccess();
}

template void CObjectSoft::WalkPart<uint16_t>(const uint16_t*, uint32_t, const SPartRecord&);
template void CObjectSoft::WalkPart<uint32_t>(const uint32_t*, uint32_t, const SPartRecord&);

// ---------------------------------------------------------------------------------------
// Point sprites

ZRESULT CObjectSoftSprites::PreparePart(uint32_t dwPart)
{
  if (!m_pSettings)
    return ZP_FAIL;
  if (m_dwRenderFlags & RENDER_STATES)
    ApplyRenderStates();
  ApplyProjection();
  m_pPrepared = m_pWorldMatrix ? m_pWorldMatrix : &m_matObject;
  return ZP_OK;
}

ZRESULT CObjectSoftSprites::DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount,
                                      int32_t iPrimitiveType, int32_t iCullMode)
{
  if (!m_pSettings || !m_pSettings->pMath || !m_pRaster)
    return ZP_FAIL;
  // Only points are drawn from a range (the default type is the point list).
  if (iPrimitiveType != -1 && uint32_t(iPrimitiveType) != PRIMITIVE_POINT_LIST)
    return ZP_OK;
  const SMatrix* world = m_pPrepared ? m_pPrepared : (m_pWorldMatrix ? m_pWorldMatrix : &m_matObject);
  // The grey of the colour factor, opaque.
  const uint32_t colour = 0xFF000000u | (m_dwColorFactor & 0x00FFFFFFu);
  for (uint64_t v = dwFirstVertex; v < uint64_t(dwFirstVertex) + dwPrimitiveCount; ++v)
  {
    if (v >= m_dwStorageCount || !m_pVertices)
      break;
    PlotPoint(world, m_pVertices[v].vPosition, m_fUserValue, colour);
  }
  m_pSettings->adwCounters[0] += dwPrimitiveCount;
  m_pSettings->adwCounters[2] += dwPrimitiveCount;
  return ZP_OK;
}

void CObjectSoftSprites::PlotPoint(const SMatrix* pWorld, const SVector3& vPosition, float fPercent,
                                   uint32_t dwColor)
{
  SVector3 s;
  m_pSettings->pMath->Project(&s, m_pSettings->wWidth, m_pSettings->wHeight, pWorld, &m_pSettings->matView,
                              &m_pSettings->matProjection, &vPosition);
  if (!(s.z >= 0.0f && s.z <= 1.0f))
    return;
  m_pRaster->Point(s.x, s.y, s.z,
                   (m_pSettings->fPointSpriteMax - m_pSettings->fPointSpriteMin) * 0.01f * fPercent, dwColor);
}

ZRESULT CObjectSoftSprites::DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount)
{
  if (!m_pSettings || !m_pSettings->pMath || !m_pRaster)
    return ZP_FAIL;
  ApplyProjection();
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  if (!ib)
    return ZP_OK;
  ib->BeginAccess();
  const SMatrix* world = m_pWorldMatrix ? m_pWorldMatrix : &m_matObject;
  const void* data = ib->GetData();
  const bool b32 = ib->GetType() == INDEX_TYPE_32;
  const uint32_t total = ib->GetIndexCount();
  for (uint64_t p = dwFirstPart; p < uint64_t(dwFirstPart) + dwPartCount && p < ib->GetPartCount(); ++p)
  {
    const SPartRecord* rec = ib->GetPart(uint32_t(p));
    if (!rec)
      break;
    for (uint64_t k = rec->dwFirstIndex;
         data && m_pVertices && k < uint64_t(rec->dwFirstIndex) + rec->dwIndexCount && k < total; ++k)
    {
      const uint64_t v =
          uint64_t(b32 ? static_cast<const uint32_t*>(data)[k] : static_cast<const uint16_t*>(data)[k]) +
          rec->dwBaseVertex;
      if (v >= m_dwStorageCount)
        continue;
      const SSoftVertex& vertex = m_pVertices[v];
      PlotPoint(world, vertex.vPosition, vertex.vTexCoord.x, 0xFF000000u | (vertex.dwDiffuse & 0x00FFFFFFu));
    }
    m_pSettings->adwCounters[0] += rec->dwVertexCount;
    m_pSettings->adwCounters[1] += rec->dwIndexCount;
    m_pSettings->adwCounters[2] += rec->dwPrimitiveCount;
  }
  return ib->EndAccess();
}
