#include "sdk/opengl/object_gl.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/texture.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/opengl/index_buffer_gl.h"
#include "sdk/opengl/platform_gl.h"

#include <GL/glext.h>

#include <algorithm>
#include <cmath>

namespace {

const GLenum kPrimitiveModes[] = { GL_TRIANGLE_STRIP, GL_TRIANGLES, GL_TRIANGLE_FAN,
                                   GL_LINES, GL_LINE_STRIP, GL_POINTS };

// The OpenGL context is gone once the device's Destroy has cleared the block.
bool HasContext(const SEngineSettings* pSettings)
{
  const SPlatformGL* p = GetPlatformGL(pSettings);
  return p && p->hRC;
}

} // namespace

uint32_t PrimitiveTypeToGL(uint32_t dwEngineType)
{
  return dwEngineType < 6 ? kPrimitiveModes[dwEngineType] : GL_TRIANGLES;
}

uint32_t PrimitiveTypeFromGL(uint32_t dwMode)
{
  for (uint32_t i = 0; i < 6; ++i)
    if (kPrimitiveModes[i] == dwMode)
      return i;
  return PRIMITIVE_TRIANGLE_LIST;
}

uint32_t CullModeToGL(uint32_t dwEngineMode)
{
  switch (dwEngineMode)
  {
    case CULL_CCW: return GL_CW;
    case CULL_CW:  return GL_CCW;
    default:       return CULL_OFF_GL;
  }
}

uint32_t CullModeFromGL(uint32_t dwFrontFace)
{
  switch (dwFrontFace)
  {
    case GL_CW:  return CULL_CCW;
    case GL_CCW: return CULL_CW;
    default:     return CULL_NONE;
  }
}

// ---------------------------------------------------------------- life

CObjectGL::CObjectGL()
    : m_pVertices(nullptr), m_puLists(nullptr), m_uListBase(0), m_dwListCount(0),
      m_bKeepsVertices(false), m_bMirrorNormalZ(false), m_bEngineLayout(false)
{
}

CObjectGL::~CObjectGL()
{
  FreeVertices();
}

void CObjectGL::FreeVertices()
{
  if (m_uListBase && HasContext(m_pSettings))
    glDeleteLists(m_uListBase, static_cast<GLsizei>(m_dwListCount));
  m_uListBase = 0;
  m_dwListCount = 0;
  TrackedFree(m_puLists);
  m_puLists = nullptr;
  TrackedFree(m_pVertices);
  m_pVertices = nullptr;
}

ZRESULT CObjectGL::Release()
{
  FreeVertices();
  return C3DMeshObject::Release();
}

CIndexBuffer* CObjectGL::NewIndexBuffer(uint32_t dwType)
{
  if (dwType == INDEX_TYPE_16)
    return new CIndexBufferGL16();
  if (dwType == INDEX_TYPE_32)
    return new CIndexBufferGL32();
  return nullptr;
}

ZRESULT CObjectGL::AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount)
{
  FreeVertices();
  if (!m_bKeepsVertices)
    return ZP_OK;
  if (dwVertexCount)
  {
    m_pVertices = static_cast<SVertexGL*>(TrackedCalloc(dwVertexCount, sizeof(SVertexGL)));
    if (!m_pVertices)
      return ZP_FAIL;
  }
  if (dwPartCount)
  {
    m_puLists = static_cast<GLuint*>(TrackedCalloc(dwPartCount, sizeof(GLuint)));
    if (!m_puLists)
      return ZP_FAIL;
  }
  return ZP_OK;
}

CObjectGL3D::CObjectGL3D()
{
  m_bKeepsVertices = true;
  m_bMirrorNormalZ = true;
}

CObjectGL2D::CObjectGL2D()
{
  m_bKeepsVertices = true;
  m_bEngineLayout = true;
}

// ---------------------------------------------------------------- vertices

SVertexGL* CObjectGL::Vertex(uint32_t dwVertex) const
{
  return (m_pVertices && dwVertex < m_dwVertexCount) ? &m_pVertices[dwVertex] : nullptr;
}

void* CObjectGL::GetVertexData()
{
  return m_pVertices;
}

void CObjectGL::SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u,
                          float v, float nx, float ny, float nz, uint32_t dwSpecular)
{
  SVertexGL* p = Vertex(dwVertex);
  if (!p)
    return;
  p->x = x;
  p->y = y;
  p->z = -z;
  p->nx = nx;
  p->ny = ny;
  p->nz = m_bMirrorNormalZ ? -nz : nz;
  p->dwDiffuse = dwDiffuse;
  p->dwSpecular = dwSpecular;
  p->u = u;
  p->v = 1.0f - v;
}

void CObjectGL::SetPosition(uint32_t dwVertex, const SVector3* pPosition)
{
  SVertexGL* p = Vertex(dwVertex);
  if (!p || !pPosition)
    return;
  p->x = pPosition->x;
  p->y = pPosition->y;
  p->z = -pPosition->z;
}

void CObjectGL::SetTexCoord(uint32_t dwVertex, const SVector2* pTexCoord)
{
  SVertexGL* p = Vertex(dwVertex);
  if (!p || !pTexCoord)
    return;
  p->u = pTexCoord->x;
  p->v = 1.0f - pTexCoord->y;
}

void CObjectGL::SetNormal(uint32_t dwVertex, const SVector3* pNormal)
{
  SVertexGL* p = Vertex(dwVertex);
  if (!p || !pNormal)
    return;
  p->nx = pNormal->x;
  p->ny = pNormal->y;
  p->nz = m_bMirrorNormalZ ? -pNormal->z : pNormal->z;
}

void CObjectGL::SetDiffuse(uint32_t dwVertex, uint32_t dwColor)
{
  if (SVertexGL* p = Vertex(dwVertex))
    p->dwDiffuse = dwColor;
}

void CObjectGL::SetSpecular(uint32_t dwVertex, uint32_t dwColor)
{
  if (SVertexGL* p = Vertex(dwVertex))
    p->dwSpecular = dwColor;
}

void CObjectGL::GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse,
                          SVector2* pTexCoord, SVector3* pNormal, uint32_t* pSpecular)
{
  if (!Vertex(dwVertex))
    return;
  if (pPosition)
    GetPosition(dwVertex, pPosition);
  if (pDiffuse)
    GetDiffuse(dwVertex, pDiffuse);
  if (pTexCoord)
    GetTexCoord(dwVertex, pTexCoord);
  if (pNormal)
    GetNormal(dwVertex, pNormal);
  if (pSpecular)
    GetSpecular(dwVertex, pSpecular);
}

SVector3* CObjectGL::GetPositionAddress(uint32_t dwVertex)
{
  SVertexGL* p = m_bEngineLayout ? Vertex(dwVertex) : nullptr;
  return p ? reinterpret_cast<SVector3*>(&p->x) : nullptr;
}

void CObjectGL::GetPosition(uint32_t dwVertex, SVector3* pOut)
{
  const SVertexGL* p = Vertex(dwVertex);
  if (!p || !pOut)
    return;
  *pOut = SVector3{ p->x, p->y, -p->z };
}

SVector2* CObjectGL::GetTexCoordAddress(uint32_t dwVertex)
{
  SVertexGL* p = m_bEngineLayout ? Vertex(dwVertex) : nullptr;
  return p ? reinterpret_cast<SVector2*>(&p->u) : nullptr;
}

void CObjectGL::GetTexCoord(uint32_t dwVertex, SVector2* pOut)
{
  const SVertexGL* p = Vertex(dwVertex);
  if (!p || !pOut)
    return;
  *pOut = SVector2{ p->u, 1.0f - p->v };
}

SVector3* CObjectGL::GetNormalAddress(uint32_t dwVertex)
{
  SVertexGL* p = m_bEngineLayout ? Vertex(dwVertex) : nullptr;
  return p ? reinterpret_cast<SVector3*>(&p->nx) : nullptr;
}

void CObjectGL::GetNormal(uint32_t dwVertex, SVector3* pOut)
{
  const SVertexGL* p = Vertex(dwVertex);
  if (!p || !pOut)
    return;
  *pOut = SVector3{ p->nx, p->ny, m_bMirrorNormalZ ? -p->nz : p->nz };
}

uint32_t* CObjectGL::GetDiffuseAddress(uint32_t dwVertex)
{
  SVertexGL* p = Vertex(dwVertex);
  return p ? &p->dwDiffuse : nullptr;
}

void CObjectGL::GetDiffuse(uint32_t dwVertex, uint32_t* pOut)
{
  const SVertexGL* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = p->dwDiffuse;
}

uint32_t* CObjectGL::GetSpecularAddress(uint32_t dwVertex)
{
  SVertexGL* p = Vertex(dwVertex);
  return p ? &p->dwSpecular : nullptr;
}

void CObjectGL::GetSpecular(uint32_t dwVertex, uint32_t* pOut)
{
  const SVertexGL* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = p->dwSpecular;
}

// ---------------------------------------------------------------- part codes

SPartRecord* CObjectGL::Part(uint32_t dwPart) const
{
  return m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr;
}

void CObjectGL::SetPrimitiveTypeAll(uint32_t dwType, int32_t iPartCount)
{
  uint32_t n = PartCountArg(iPartCount);
  for (uint32_t i = 0; i < n; ++i)
    SetPrimitiveType(i, dwType);
}

void CObjectGL::SetPrimitiveType(uint32_t dwPart, uint32_t dwType)
{
  if (SPartRecord* p = Part(dwPart))
    p->dwPrimitiveType = PrimitiveTypeToGL(dwType);
}

uint32_t CObjectGL::GetPrimitiveType(uint32_t dwPart)
{
  const SPartRecord* p = Part(dwPart);
  return p ? PrimitiveTypeFromGL(p->dwPrimitiveType) : 0;
}

void CObjectGL::QueryPrimitiveType(uint32_t dwPart, uint32_t* pType)
{
  if (pType)
    *pType = GetPrimitiveType(dwPart);
}

void CObjectGL::SetCullModeAll(uint32_t dwMode, int32_t iPartCount)
{
  uint32_t n = PartCountArg(iPartCount);
  for (uint32_t i = 0; i < n; ++i)
    SetCullMode(i, dwMode);
}

void CObjectGL::SetCullMode(uint32_t dwPart, uint32_t dwMode)
{
  if (SPartRecord* p = Part(dwPart))
    p->dwCullMode = CullModeToGL(dwMode);
}

uint32_t CObjectGL::GetCullMode(uint32_t dwPart)
{
  const SPartRecord* p = Part(dwPart);
  return p ? CullModeFromGL(p->dwCullMode) : 0;
}

void CObjectGL::QueryCullMode(uint32_t dwPart, uint32_t* pMode)
{
  if (pMode)
    *pMode = GetCullMode(dwPart);
}

GLuint CObjectGL::GetDisplayList(uint32_t dwMaterial) const
{
  return (m_puLists && dwMaterial < m_dwPartCount) ? m_puLists[dwMaterial] : 0;
}

// ---------------------------------------------------------------- render states

ZRESULT CObjectGL::RecordRenderStates()
{
  const SEngineSettings* s = m_pSettings;
  const uint32_t f = m_dwRenderFlags;
  auto set = [](GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); };

  set(GL_FOG, (f & RENDER_FOG) && s && s->swFog.bCurrent);
  if (f & RENDER_ALPHA)
  {
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  else
  {
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
  }
  set(GL_COLOR_MATERIAL, f & RENDER_COLOR_MATERIAL);
  set(GL_LIGHT0, f & RENDER_LIGHT);
  set(GL_LIGHT1, (f & RENDER_LIGHT) && s && s->light2.swEnable.bCurrent);
  set(GL_LIGHTING, f & RENDER_LIGHTING);
  set(GL_DEPTH_TEST, f & RENDER_DEPTH_TEST);
  glDepthFunc(((f & RENDER_DEPTH_WRITE) && s && s->swDepth.bCurrent) ? GL_LESS : GL_ALWAYS);
  glPolygonMode(GL_FRONT_AND_BACK, (f & RENDER_WIREFRAME) ? GL_LINE : GL_FILL);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DITHER);
  glEnable(GL_AUTO_NORMAL);
  glEnable(GL_NORMALIZE);
  return ZP_OK;
}

void CObjectGL::ApplyRenderStates()
{
  RecordRenderStates();
}

// ---------------------------------------------------------------- drawing

ZRESULT CObjectGL::ApplyProjection()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!p || !p->pCamera)
    return ZP_FAIL;
  if (ObjectClassBit(m_dwKind) == OBJECT_KIND_SCREEN)
    return p->pCamera->ApplyOrtho();
  return p->pCamera->ApplyPerspective();
}

void CObjectGL::ApplyTransforms()
{
  ApplyProjection();
  glMatrixMode(GL_MODELVIEW);
  const SMatrix* m = m_pWorldMatrix ? m_pWorldMatrix : &m_matObject;
  glLoadMatrixf(&m->m[0][0]);
}

void CObjectGL::ApplyCulling(const SPartRecord* pPart)
{
  if (pPart->dwCullMode == CULL_OFF_GL)
  {
    glDisable(GL_CULL_FACE);
    return;
  }
  glEnable(GL_CULL_FACE);
  glFrontFace(pPart->dwCullMode);
  glCullFace(GL_BACK);
}

void CObjectGL::ApplyTextures(uint32_t dwMaterial)
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  const bool bUnits = p && p->glActiveTextureARB;
  if (bUnits)
  {
    for (uint32_t u = TEXTURE_STAGES; u-- > 0;)
    {
      p->glActiveTextureARB(GL_TEXTURE0_ARB + u);
      glDisable(GL_TEXTURE_2D);
    }
  }
  else
  {
    glDisable(GL_TEXTURE_2D);
  }

  const uint32_t f = m_dwRenderFlags;
  if ((f & RENDER_WIREFRAME) || !m_ppTextures || dwMaterial >= m_dwPartCount)
    return;
  CTexture** row = &m_ppTextures[static_cast<size_t>(dwMaterial) * TEXTURE_STAGES];
  if ((f & RENDER_MULTITEXTURE) && bUnits)
  {
    for (uint32_t j = 0; j < TEXTURE_STAGES; ++j)
      if (row[j])
        row[j]->Apply(f, j);
    // Immediate-mode texture coordinates and later binds go to unit 0.
    p->glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  else if ((f & RENDER_TEXTURE) && row[0])
  {
    row[0]->Apply(f, 0);
  }
}

void CObjectGL::EmitPart(const SPartRecord* pPart, bool bAlphaFromFactor)
{
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* data = ib ? ib->GetData() : nullptr;
  if (!data || !m_pVertices)
    return;
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint32_t indexCount = ib->GetIndexCount();
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  const bool bMulti = (m_dwRenderFlags & RENDER_MULTITEXTURE) && p && p->glMultiTexCoord2fARB;
  const GLubyte factorAlpha = static_cast<GLubyte>(m_dwColorFactor >> 24);

  uint32_t first = pPart->dwFirstIndex;
  uint32_t count = pPart->dwIndexCount;
  if (first >= indexCount)
    return;
  if (count > indexCount - first)
    count = indexCount - first;

  glBegin(pPart->dwPrimitiveType);
  for (uint32_t k = 0; k < count; ++k)
  {
    uint32_t pos = first + k;
    uint32_t index = (b16 ? static_cast<const uint16_t*>(data)[pos]
                          : static_cast<const uint32_t*>(data)[pos]) + pPart->dwBaseVertex;
    if (index >= m_dwVertexCount)
      continue;
    const SVertexGL& v = m_pVertices[index];
    uint32_t c = v.dwDiffuse;
    glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8), static_cast<GLubyte>(c),
               bAlphaFromFactor ? factorAlpha : static_cast<GLubyte>(c >> 24));
    if (bMulti)
    {
      p->glMultiTexCoord2fARB(GL_TEXTURE0_ARB, v.u, v.v);
      p->glMultiTexCoord2fARB(GL_TEXTURE1_ARB, v.u, v.v);
    }
    else
    {
      glTexCoord2f(v.u, v.v);
    }
    glNormal3d(v.nx, v.ny, v.nz);
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
}

void CObjectGL::CountPart(const SPartRecord* pPart)
{
  if (!m_pSettings)
    return;
  m_pSettings->adwCounters[0] += pPart->dwVertexCount;
  m_pSettings->adwCounters[1] += pPart->dwIndexCount;
  m_pSettings->adwCounters[2] += pPart->dwPrimitiveCount;
}

ZRESULT CObjectGL::DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull)
{
  // The bare object has nothing to draw and leaves the frame as it is.
  if (!m_bKeepsVertices || !m_pDrawIndexBuffer)
    return ZP_OK;
  if (bFull && (m_dwRenderFlags & RENDER_STATES))
    ApplyRenderStates();
  ApplyTransforms();
  m_pDrawIndexBuffer->BeginAccess();

  const bool bOwn = m_pDrawIndexBuffer == m_pIndexBuffer;
  const bool bFactorAlpha = (m_dwRenderFlags & RENDER_FACTOR_ALPHA) != 0;
  for (uint32_t i = dwFirst; i < dwFirst + dwCount; ++i)
  {
    const SPartRecord* rec = Part(i);
    if (!rec)
      break;
    uint32_t m = rec->dwMaterial;
    if (bFull)
    {
      ApplyCulling(rec);
      ApplyTextures(m);
    }
    const SPartRecord* geo = Part(m);
    if (!geo)
      continue;
    GLuint list = bOwn ? GetDisplayList(m) : 0;
    if (list)
      glCallList(list);
    else
      EmitPart(geo, bFactorAlpha);
    CountPart(geo);
  }
  return m_pDrawIndexBuffer->EndAccess();
}

ZRESULT CObjectGL::Draw(int32_t iPartCount)
{
  return DrawParts(0, PartCountArg(iPartCount), true);
}

ZRESULT CObjectGL::DrawPart(uint32_t dwPart)
{
  return DrawParts(dwPart, 1, true);
}

ZRESULT CObjectGL::DrawGeometry(int32_t iPartCount)
{
  return DrawParts(0, PartCountArg(iPartCount), false);
}

ZRESULT CObjectGL::DrawPartGeometry(uint32_t dwPart)
{
  return DrawParts(dwPart, 1, false);
}

ZRESULT CObjectGL::Upload()
{
  if (!m_bKeepsVertices || !m_puLists || !m_pDrawIndexBuffer)
    return ZP_OK;
  if (m_uListBase && HasContext(m_pSettings))
    glDeleteLists(m_uListBase, static_cast<GLsizei>(m_dwListCount));
  m_uListBase = 0;
  m_dwListCount = 0;
  for (uint32_t i = 0; i < m_dwPartCount; ++i)
    m_puLists[i] = 0;
  // Objects whose alpha follows the colour factor are drawn in immediate mode.
  if ((m_dwRenderFlags & RENDER_FACTOR_ALPHA) || !m_dwPartCount || !HasContext(m_pSettings))
    return ZP_OK;

  GLuint base = glGenLists(static_cast<GLsizei>(m_dwPartCount));
  if (!base)
    return ZP_FAIL;
  m_uListBase = base;
  m_dwListCount = m_dwPartCount;
  glListBase(base);
  ApplyRenderStates();
  for (uint32_t i = 0; i < m_dwPartCount; ++i)
  {
    const SPartRecord* rec = Part(i);
    if (!rec)
      break;
    uint32_t m = rec->dwMaterial;
    const SPartRecord* geo = Part(m);
    if (!geo)
      continue;
    m_puLists[m] = base + m;
    ApplyCulling(geo);
    glNewList(base + m, GL_COMPILE);
    EmitPart(geo, false);
    glEndList();
  }
  return ZP_OK;
}

// ---------------------------------------------------------------- point sprites

CObjectGLSprites::~CObjectGLSprites()
{
  FreePoints();
}

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
  const float size = std::floor((m_pSettings->fPointSpriteMax - m_pSettings->fPointSpriteMin) * 0.01f * fPercent + 0.5f);
  return size >= 1.0f ? size : 1.0f;   // also when not a number
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
      const uint64_t index = uint64_t(b16 ? static_cast<const uint16_t*>(data)[k]
                                          : static_cast<const uint32_t*>(data)[k]) + rec->dwBaseVertex;
      if (index >= m_dwVertexCount)
        continue;
      const SVertexGL& v = m_pVertices[index];
      const uint32_t c = v.dwDiffuse;
      m_pPoints[n++] = SPoint{ v.x, v.y, v.z,
                               { uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24) },
                               std::isnan(v.u) ? 0.0f : v.u };
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
    glDisable(GL_CULL_FACE);
    ApplyTextures(m_dwPartCount);   // untextured, as DrawRange's points
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

ZRESULT CObjectGLSprites::Draw(int32_t iPartCount)
{
  return DrawPoints(0, PartCountArg(iPartCount), true);
}

ZRESULT CObjectGLSprites::DrawPart(uint32_t dwPart)
{
  return DrawPoints(dwPart, 1, true);
}

ZRESULT CObjectGLSprites::DrawGeometry(int32_t iPartCount)
{
  return DrawPoints(0, PartCountArg(iPartCount), false);
}

ZRESULT CObjectGLSprites::DrawPartGeometry(uint32_t dwPart)
{
  return DrawPoints(dwPart, 1, false);
}

ZRESULT CObjectGLSprites::PreparePart(uint32_t)
{
  if (m_dwRenderFlags & RENDER_STATES)
    ApplyRenderStates();
  ApplyTransforms();
  glDisable(GL_CULL_FACE);
  // The points are drawn in the colour factor alone: a texture would only lend them
  // the colour of one texel.
  ApplyTextures(m_dwPartCount);
  return ZP_OK;
}

ZRESULT CObjectGLSprites::DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount,
                                    int32_t iPrimitiveType, int32_t)
{
  if (!m_pVertices || !m_pSettings)
    return ZP_OK;
  uint32_t type = iPrimitiveType < 0 ? PRIMITIVE_POINT_LIST : static_cast<uint32_t>(iPrimitiveType);
  uint32_t n = dwPrimitiveCount;
  switch (type)
  {
    case PRIMITIVE_TRIANGLE_STRIP:
    case PRIMITIVE_TRIANGLE_FAN:  n = n ? n + 2 : 0; break;
    case PRIMITIVE_TRIANGLE_LIST: n *= 3; break;
    case PRIMITIVE_LINE_LIST:     n *= 2; break;
    case PRIMITIVE_LINE_STRIP:    n = n ? n + 1 : 0; break;
    default:                      break;
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
    const SVertexGL& v = m_pVertices[dwFirstVertex + k];
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
  m_pSettings->adwCounters[0] += n;
  m_pSettings->adwCounters[1] += n;
  m_pSettings->adwCounters[2] += dwPrimitiveCount;
  return ZP_OK;
}
