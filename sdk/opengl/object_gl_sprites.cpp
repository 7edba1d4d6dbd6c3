#include "sdk/opengl/object_gl_sprites.h"

#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/state_gl.h"

#include <algorithm>
#include <cmath>

CObjectGLSprites::~CObjectGLSprites() { FreePoints(); }

void CObjectGLSprites::FreePoints()
{
  TrackedFree(m_pPoints);
  m_pPoints = nullptr;
  TrackedFree(m_pdwPartStart);
  m_pdwPartStart = nullptr;
  m_dwPointParts = 0;
}

ZRESULT CObjectGLSprites::Release()
{
  FreePoints();
  return CObjectGL3D::Release();
}

ZRESULT CObjectGLSprites::AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount)
{
  FreePoints();
  return CObjectGL3D::AllocateVertices(dwVertexCount, dwPartCount);
}

float CObjectGLSprites::PixelSize(float fPercent) const
{
  const float size =
      std::floor((m_pSettings->fPointSpriteMax - m_pSettings->fPointSpriteMin) * 0.01f * fPercent + 0.5f);
  return size >= 1.0f ? size : 1.0f; // also when not a number
}

ZRESULT CObjectGLSprites::Upload()
{
  FreePoints();
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* data = ib ? ib->GetData() : nullptr;
  if (!m_pVertices || !data || !m_dwPartCount)
    return ZP_OK;
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint32_t total = ib->GetIndexCount();

  uint64_t count = 0;
  for (uint32_t i = 0; i < m_dwPartCount; ++i)
    if (const SPartRecord* rec = Part(i); rec && rec->dwFirstIndex < total)
      count += std::min<uint64_t>(rec->dwIndexCount, total - rec->dwFirstIndex);
  m_pdwPartStart = static_cast<uint32_t*>(TrackedCalloc(size_t(m_dwPartCount) + 1, sizeof(uint32_t)));
  m_pPoints = count ? static_cast<SPoint*>(TrackedCalloc(size_t(count), sizeof(SPoint))) : nullptr;
  if (!m_pdwPartStart || (count && !m_pPoints))
  {
    FreePoints();
    return ZP_FAIL;
  }
  m_dwPointParts = m_dwPartCount;

  uint32_t n = 0;
  for (uint32_t i = 0; i < m_dwPartCount; ++i)
  {
    m_pdwPartStart[i] = n;
    const SPartRecord* rec = Part(i);
    if (!rec || rec->dwFirstIndex >= total)
      continue;
    const uint32_t end = rec->dwFirstIndex + std::min(rec->dwIndexCount, total - rec->dwFirstIndex);
    for (uint32_t k = rec->dwFirstIndex; k < end; ++k)
    {
      const uint64_t index =
          uint64_t(b16 ? static_cast<const uint16_t*>(data)[k] : static_cast<const uint32_t*>(data)[k]) +
          rec->dwBaseVertex;
      if (index >= m_dwVertexCount)
        continue;
      const SMeshVertex& v = m_pVertices[index];
      const uint32_t c = v.dwDiffuse;
      m_pPoints[n++] = SPoint{ v.vPosition.x,
                               v.vPosition.y,
                               v.vPosition.z,
                               { uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24) },
                               std::isnan(v.vTexCoord.x) ? 0.0f : v.vTexCoord.x };
    }
    // Small to large: equal sizes make one draw, and the brightest stars end on top.
    std::stable_sort(m_pPoints + m_pdwPartStart[i], m_pPoints + n,
                     [](const SPoint& a, const SPoint& b) { return a.fPercent < b.fPercent; });
  }
  m_pdwPartStart[m_dwPartCount] = n;
  return ZP_OK;
}

ZRESULT CObjectGLSprites::DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount, bool bFull)
{
  if (!m_pDrawIndexBuffer || !m_pSettings)
    return ZP_OK;
  if (bFull && (m_dwRenderFlags & RENDER_STATES))
    ApplyRenderStates();
  ApplyTransforms();
  if (bFull)
  {
    SetCullFace(false);
    ApplyTextures(m_dwPartCount); // untextured, as DrawRange's points
  }
  m_pDrawIndexBuffer->BeginAccess();
  if (m_pPoints)
  {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(SPoint), &m_pPoints->x);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(SPoint), m_pPoints->abColor);
  }
  for (uint64_t i = dwFirstPart; i < uint64_t(dwFirstPart) + dwPartCount; ++i)
  {
    const SPartRecord* rec = Part(uint32_t(i));
    if (!rec)
      break;
    const uint32_t m = rec->dwMaterial;
    const SPartRecord* geo = Part(m);
    if (!geo)
      continue;
    if (m_pPoints && m < m_dwPointParts)
    {
      const uint32_t end = m_pdwPartStart[m + 1];
      for (uint32_t k = m_pdwPartStart[m]; k < end;)
      {
        const float size = PixelSize(m_pPoints[k].fPercent);
        uint32_t j = k + 1;
        while (j < end && PixelSize(m_pPoints[j].fPercent) == size)
          ++j;
        glPointSize(size);
        glDrawArrays(GL_POINTS, static_cast<GLint>(k), static_cast<GLsizei>(j - k));
        k = j;
      }
    }
    CountPart(geo);
  }
  if (m_pPoints)
  {
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
  }
  return m_pDrawIndexBuffer->EndAccess();
}

ZRESULT CObjectGLSprites::Draw(int32_t iPartCount) { return DrawPoints(0, PartCountArg(iPartCount), true); }

ZRESULT CObjectGLSprites::DrawPart(uint32_t dwPart) { return DrawPoints(dwPart, 1, true); }

ZRESULT CObjectGLSprites::DrawGeometry(int32_t iPartCount)
{
  return DrawPoints(0, PartCountArg(iPartCount), false);
}

ZRESULT CObjectGLSprites::DrawPartGeometry(uint32_t dwPart) { return DrawPoints(dwPart, 1, false); }

ZRESULT CObjectGLSprites::PreparePart(uint32_t)
{
  if (m_dwRenderFlags & RENDER_STATES)
    ApplyRenderStates();
  ApplyTransforms();
  SetCullFace(false);
  // The points are drawn in the colour factor alone: a texture would only lend them
  // the colour of one texel.
  ApplyTextures(m_dwPartCount);
  return ZP_OK;
}

ZRESULT CObjectGLSprites::DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                                    int32_t)
{
  if (!m_pVertices || !m_pSettings)
    return ZP_OK;
  uint32_t type = iPrimitiveType < 0 ? PRIMITIVE_POINT_LIST : static_cast<uint32_t>(iPrimitiveType);
  uint32_t n = dwPrimitiveCount;
  switch (type)
  {
    case PRIMITIVE_TRIANGLE_STRIP:
    case PRIMITIVE_TRIANGLE_FAN: n = n ? n + 2 : 0; break;
    case PRIMITIVE_TRIANGLE_LIST: n *= 3; break;
    case PRIMITIVE_LINE_LIST: n *= 2; break;
    case PRIMITIVE_LINE_STRIP: n = n ? n + 1 : 0; break;
    default: break;
  }
  if (dwFirstVertex >= m_dwVertexCount)
    return ZP_OK;
  if (n > m_dwVertexCount - dwFirstVertex)
    n = m_dwVertexCount - dwFirstVertex;

  glPointSize(PixelSize(m_fUserValue));
  uint32_t c = m_dwColorFactor;
  glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8), static_cast<GLubyte>(c),
             static_cast<GLubyte>(c >> 24));
  glBegin(PrimitiveTypeToGL(type));
  for (uint32_t k = 0; k < n; ++k)
  {
    const SVector3& v = m_pVertices[dwFirstVertex + k].vPosition;
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
  if (CStateGL* pState = State())
    pState->CountDraw();
  m_pSettings->adwCounters[0] += n;
  m_pSettings->adwCounters[1] += n;
  m_pSettings->adwCounters[2] += dwPrimitiveCount;
  return ZP_OK;
}
