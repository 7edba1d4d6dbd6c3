#include "sdk/opengl/object_gl.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/texture.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/index_buffer_gl.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

// OpenGL's part codes: its modes by engine primitive type, its front faces by engine
// cull mode (0xFFFF for none).
const SPartCodes kCodesGL = {
  { GL_TRIANGLE_STRIP, GL_TRIANGLES, GL_TRIANGLE_FAN, GL_LINES, GL_LINE_STRIP, GL_POINTS },
  GL_TRIANGLES,
  { CULL_OFF_GL, GL_CW, GL_CCW, CULL_OFF_GL },
};

// OpenGL mirrors z and flips v; the 3D objects keep their normals' z mirrored too.
constexpr SVertexConvention kConvention3D = { -1.0f, true, 1.0f, -1.0f, false };
constexpr SVertexConvention kConvention2D = { -1.0f, true, 1.0f, 1.0f, true };

// The OpenGL context is gone once the device's Destroy has cleared the block.
bool HasContext(const SEngineSettings* pSettings)
{
  const SPlatformGL* p = GetPlatformGL(pSettings);
  return p && p->hRC;
}

// One index of a part: the stored value plus the part's base vertex.
uint32_t IndexAt(const void* pData, bool b16, uint32_t dwPos, uint32_t dwBase)
{
  return (b16 ? static_cast<const uint16_t*>(pData)[dwPos] : static_cast<const uint32_t*>(pData)[dwPos]) +
         dwBase;
}

// Column-major 4 x 4 products and the matrices OpenGL builds, in double precision, for
// the decisions only (what is drawn is what OpenGL computes).
struct SMat4
{
  double m[16]; // column-major: m[c * 4 + r]
  double at(int r, int c) const { return m[c * 4 + r]; }
};

SMat4 Multiply(const SMat4& a, const SMat4& b)
{
  SMat4 o{};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
    {
      double v = 0.0;
      for (int k = 0; k < 4; ++k)
        v += a.at(r, k) * b.at(k, c);
      o.m[c * 4 + r] = v;
    }
  return o;
}

SMat4 FromFloats(const float* p)
{
  SMat4 o;
  for (int i = 0; i < 16; ++i)
    o.m[i] = p[i];
  return o;
}

// What the camera loaded: gluPerspective times the view, or glOrtho of the pixel space.
SMat4 ProjectionMatrix(const SProjectionGL& p)
{
  SMat4 o{};
  if (p.bOrtho)
  {
    const double w = p.wWidth, h = p.wHeight;
    o.m[0] = 2.0 / w;
    o.m[5] = -2.0 / h;
    o.m[10] = -2.0 / 200.0;
    o.m[12] = -1.0;
    o.m[13] = 1.0;
    o.m[15] = 1.0;
    return o;
  }
  const double f = 1.0 / std::tan(double(p.fFov) * kPi / 360.0);
  const double n = p.fNear, z = p.fFar;
  o.m[0] = f / double(p.fAspect);
  o.m[5] = f;
  o.m[10] = (z + n) / (n - z);
  o.m[11] = -1.0;
  o.m[14] = 2.0 * z * n / (n - z);
  return Multiply(o, FromFloats(p.afView));
}

double Determinant3(const SMat4& a)
{
  return a.at(0, 0) * (a.at(1, 1) * a.at(2, 2) - a.at(1, 2) * a.at(2, 1)) -
         a.at(0, 1) * (a.at(1, 0) * a.at(2, 2) - a.at(1, 2) * a.at(2, 0)) +
         a.at(0, 2) * (a.at(1, 0) * a.at(2, 1) - a.at(1, 1) * a.at(2, 0));
}

double Determinant4(const SMat4& a)
{
  double det = 0.0;
  for (int c = 0; c < 4; ++c)
  {
    int cols[3], k = 0;
    for (int j = 0; j < 4; ++j)
      if (j != c)
        cols[k++] = j;
    const double minor = a.at(1, cols[0]) * (a.at(2, cols[1]) * a.at(3, cols[2]) - a.at(2, cols[2]) * a.at(3, cols[1])) -
                         a.at(1, cols[1]) * (a.at(2, cols[0]) * a.at(3, cols[2]) - a.at(2, cols[2]) * a.at(3, cols[0])) +
                         a.at(1, cols[2]) * (a.at(2, cols[0]) * a.at(3, cols[1]) - a.at(2, cols[1]) * a.at(3, cols[0]));
    det += (c & 1 ? -1.0 : 1.0) * a.at(0, c) * minor;
  }
  return det;
}

// Whether a ball (centre as stored, radius) lies wholly outside one of the view's six
// planes, seen through projection x model-view: then not one of its triangles reaches
// the picture.
bool OutsideView(const SMat4& clip, const double* pCentre, double dRadius)
{
  for (int axis = 0; axis < 3; ++axis)
    for (double side : { 1.0, -1.0 })
    {
      double plane[4];
      for (int c = 0; c < 4; ++c)
        plane[c] = clip.at(3, c) + side * clip.at(axis, c);
      const double norm = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
      const double dist = plane[0] * pCentre[0] + plane[1] * pCentre[1] + plane[2] * pCentre[2] + plane[3];
      if (norm > 0.0 && dist < -norm * (dRadius * 1.001 + 1e-3))
        return true;
    }
  return false;
}

} // namespace

uint32_t PrimitiveTypeToGL(uint32_t dwEngineType) { return kCodesGL.Primitive(dwEngineType); }

uint32_t PrimitiveTypeFromGL(uint32_t dwCode) { return kCodesGL.EnginePrimitive(dwCode); }

uint32_t CullModeToGL(uint32_t dwEngineMode) { return kCodesGL.Cull(dwEngineMode); }

uint32_t CullModeFromGL(uint32_t dwCode) { return kCodesGL.EngineCull(dwCode); }

// ---------------------------------------------------------------- life

CObjectGL::CObjectGL() : m_puLists(nullptr), m_uListBase(0), m_dwListCount(0), m_dwCompiledAt(0)
{
  m_pPartCodes = &kCodesGL;
  m_convention = kConvention3D;
}

CObjectGL::~CObjectGL() { FreeLists(); }

CStateGL* CObjectGL::State() const
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  return p ? p->pState : nullptr;
}

void CObjectGL::FreeLists()
{
  if (m_uListBase && HasContext(m_pSettings))
    glDeleteLists(m_uListBase, static_cast<GLsizei>(m_dwListCount));
  m_uListBase = 0;
  m_dwListCount = 0;
  TrackedFree(m_puLists);
  m_puLists = nullptr;
}

ZRESULT CObjectGL::Release()
{
  FreeLists();
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
  FreeLists();
  if (ZP_FAILED(C3DMeshObject::AllocateVertices(dwVertexCount, dwPartCount)))
    return ZP_FAIL;
  if (m_bKeepsVertices && dwPartCount)
  {
    m_puLists = static_cast<GLuint*>(TrackedCalloc(dwPartCount, sizeof(GLuint)));
    if (!m_puLists)
      return ZP_FAIL;
  }
  return ZP_OK;
}

CObjectGL3D::CObjectGL3D() { m_bKeepsVertices = true; }

CObjectGL2D::CObjectGL2D()
{
  m_bKeepsVertices = true;
  m_convention = kConvention2D;
}

GLuint CObjectGL::GetDisplayList(uint32_t dwMaterial) const
{
  return (m_puLists && dwMaterial < m_dwPartCount) ? m_puLists[dwMaterial] : 0;
}

// ---------------------------------------------------------------- render states

ZRESULT CObjectGL::RecordRenderStates()
{
  CStateGL* pState = State();
  if (!pState)
    return ZP_OK;
  CStateGL& st = *pState;
  const SEngineSettings* s = m_pSettings;
  const uint32_t f = m_dwRenderFlags;

  st.Enable(GL_FOG, (f & RENDER_FOG) && s && s->swFog.bCurrent);
  if (f & RENDER_ALPHA)
  {
    st.Enable(GL_ALPHA_TEST, true);
    st.Enable(GL_BLEND, true);
    st.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  else
  {
    st.Enable(GL_ALPHA_TEST, false);
    st.Enable(GL_BLEND, false);
  }
  st.Enable(GL_COLOR_MATERIAL, f & RENDER_COLOR_MATERIAL);
  st.Enable(GL_LIGHT0, f & RENDER_LIGHT);
  st.Enable(GL_LIGHT1, (f & RENDER_LIGHT) && s && s->light2.swEnable.bCurrent);
  st.Enable(GL_LIGHTING, f & RENDER_LIGHTING);
  st.Enable(GL_DEPTH_TEST, f & RENDER_DEPTH_TEST);
  st.DepthFunc(((f & RENDER_DEPTH_WRITE) && s && s->swDepth.bCurrent) ? GL_LESS : GL_ALWAYS);
  // Depth is written only by the objects whose flags say so.
  st.DepthMask((f & RENDER_DEPTH_WRITE) != 0);
  st.PolygonMode((f & RENDER_WIREFRAME) ? GL_LINE : GL_FILL);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_DITHER);
  glEnable(GL_AUTO_NORMAL);
  glEnable(GL_NORMALIZE);
  return ZP_OK;
}

void CObjectGL::ApplyRenderStates() { RecordRenderStates(); }

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
  glLoadMatrixf(&DrawMatrix().m[0][0]);
}

void CObjectGL::SetCullFace(bool bOn) const
{
  if (CStateGL* pState = State())
    pState->Enable(GL_CULL_FACE, bOn);
}

void CObjectGL::ApplyCulling(const SPartRecord* pPart) const
{
  CStateGL* pState = State();
  if (!pState)
    return;
  if (pPart->dwCullMode == CULL_OFF_GL)
  {
    pState->Enable(GL_CULL_FACE, false);
    return;
  }
  pState->Enable(GL_CULL_FACE, true);
  pState->FrontFace(pPart->dwCullMode);
  pState->CullFace(GL_BACK);
}

void CObjectGL::ApplyTextures(uint32_t dwMaterial)
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  CStateGL* pState = p ? p->pState : nullptr;
  if (!pState)
    return;
  const bool bUnits = p->glActiveTextureARB != nullptr;
  if (bUnits)
  {
    for (uint32_t u = TEXTURE_STAGES; u-- > 0;)
    {
      pState->ActiveTexture(p->glActiveTextureARB, u);
      pState->Texture2D(false);
    }
  }
  else
  {
    pState->Texture2D(false);
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
    pState->ActiveTexture(p->glActiveTextureARB, 0);
  }
  else if ((f & RENDER_TEXTURE) && row[0])
  {
    row[0]->Apply(f, 0);
  }
}

bool CObjectGL::ReplaceWhite(uint32_t dwMaterial)
{
  // One texture modulating an unlit, unfogged, opaque white: the texture's own colour
  // and alpha, which replacing gives without the colour's interpolation and product.
  CStateGL* pState = State();
  if (!AllWhite(dwMaterial) || !pState->Known() || pState->IsOn(CStateGL::CAP_LIGHTING) ||
      pState->IsOn(CStateGL::CAP_FOG) || !pState->IsTexture2D(0) || pState->GetTexEnvMode(0) != GL_MODULATE)
    return false;
  for (uint32_t u = 1; u < CStateGL::UNITS; ++u)
    if (pState->IsTexture2D(u))
      return false;
  pState->TexEnvMode(GL_REPLACE);
  return true;
}

bool CObjectGL::AllWhite(uint32_t dwMaterial) const
{
  return dwMaterial < m_white.size() && m_white[dwMaterial] && GetDisplayList(dwMaterial) &&
         m_pDrawIndexBuffer == m_pIndexBuffer;
}

void CObjectGL::EmitVertex(uint32_t dwIndex, bool bMulti, int iAlpha) const
{
  const SMeshVertex& v = m_pVertices[dwIndex];
  const uint32_t c = v.dwDiffuse;
  glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8), static_cast<GLubyte>(c),
             iAlpha >= 0 ? static_cast<GLubyte>(iAlpha) : static_cast<GLubyte>(c >> 24));
  if (bMulti)
  {
    const SPlatformGL* p = GetPlatformGL(m_pSettings);
    p->glMultiTexCoord2fARB(GL_TEXTURE0_ARB, v.vTexCoord.x, v.vTexCoord.y);
    p->glMultiTexCoord2fARB(GL_TEXTURE1_ARB, v.vTexCoord.x, v.vTexCoord.y);
  }
  else
  {
    glTexCoord2f(v.vTexCoord.x, v.vTexCoord.y);
  }
  glNormal3d(v.vNormal.x, v.vNormal.y, v.vNormal.z);
  glVertex3f(v.vPosition.x, v.vPosition.y, v.vPosition.z);
}

bool CObjectGL::MultiTexCoords() const
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  return (m_dwRenderFlags & RENDER_MULTITEXTURE) && p && p->glMultiTexCoord2fARB;
}

void CObjectGL::EmitPart(const SPartRecord* pPart, bool bAlphaFromFactor) const
{
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* data = ib ? ib->GetData() : nullptr;
  if (!data || !m_pVertices)
    return;
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint32_t indexCount = ib->GetIndexCount();
  const bool bMulti = MultiTexCoords();
  const int iAlpha = bAlphaFromFactor ? static_cast<int>(m_dwColorFactor >> 24) : -1;

  uint32_t first = pPart->dwFirstIndex;
  uint32_t count = pPart->dwIndexCount;
  if (first >= indexCount)
    return;
  if (count > indexCount - first)
    count = indexCount - first;

  glBegin(pPart->dwPrimitiveType);
  for (uint32_t k = 0; k < count; ++k)
  {
    const uint32_t index = IndexAt(data, b16, first + k, pPart->dwBaseVertex);
    if (index < m_dwVertexCount)
      EmitVertex(index, bMulti, iAlpha);
  }
  glEnd();
}

void CObjectGL::MeasureParts()
{
  if (m_dwBoundsAt == GetChangeCount() && m_bounds.size() == m_dwPartCount)
    return;
  m_dwBoundsAt = GetChangeCount();
  m_bounds.assign(m_dwPartCount, SBall{});
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* data = ib ? ib->GetData() : nullptr;
  if (!data || !m_pVertices || ib != m_pIndexBuffer)
    return;
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  const uint32_t total = ib->GetIndexCount();
  for (uint32_t m = 0; m < m_dwPartCount; ++m)
  {
    const SPartRecord* geo = Part(m);
    if (!geo || geo->dwFirstIndex >= total)
      continue;
    const uint32_t end = geo->dwFirstIndex + std::min(geo->dwIndexCount, total - geo->dwFirstIndex);
    double lo[3] = { INFINITY, INFINITY, INFINITY }, hi[3] = { -INFINITY, -INFINITY, -INFINITY };
    for (uint32_t k = geo->dwFirstIndex; k < end; ++k)
    {
      const uint32_t index = IndexAt(data, b16, k, geo->dwBaseVertex);
      if (index >= m_dwVertexCount)
        continue;
      const SVector3& p = m_pVertices[index].vPosition;
      const double xyz[3] = { p.x, p.y, p.z };
      for (int a = 0; a < 3; ++a)
      {
        lo[a] = std::min(lo[a], xyz[a]);
        hi[a] = std::max(hi[a], xyz[a]);
      }
    }
    SBall& ball = m_bounds[m];
    double r2 = 0.0;
    for (int a = 0; a < 3; ++a)
      ball.adCentre[a] = 0.5 * (lo[a] + hi[a]);
    for (uint32_t k = geo->dwFirstIndex; k < end; ++k)
    {
      const uint32_t index = IndexAt(data, b16, k, geo->dwBaseVertex);
      if (index >= m_dwVertexCount)
        continue;
      const SVector3& p = m_pVertices[index].vPosition;
      const double d[3] = { p.x - ball.adCentre[0], p.y - ball.adCentre[1], p.z - ball.adCentre[2] };
      r2 = std::max(r2, d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    ball.dRadius = std::sqrt(r2);
    ball.bValid = std::isfinite(ball.dRadius) && std::isfinite(ball.adCentre[0]) && std::isfinite(ball.adCentre[1]) &&
                  std::isfinite(ball.adCentre[2]);
  }
}

bool CObjectGL::OutOfView(uint32_t dwMaterial) const
{
  if (dwMaterial >= m_bounds.size() || !m_bounds[dwMaterial].bValid || m_dwBoundsAt != GetChangeCount() ||
      !StateDecides())
    return false;
  const SBall& ball = m_bounds[dwMaterial];
  const SMat4 clip = Multiply(ProjectionMatrix(State()->GetProjection()), FromFloats(&DrawMatrix().m[0][0]));
  if (OutsideView(clip, ball.adCentre, ball.dRadius))
    return true;
  // A few vertices (a quad, a fan) are tested themselves: all beyond one plane, and so
  // is the hull they span.
  const SPartRecord* geo = Part(dwMaterial);
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  if (!geo || geo->dwIndexCount > 16 || geo->dwFirstIndex >= ib->GetIndexCount())
    return false;
  const uint32_t end = geo->dwFirstIndex + std::min(geo->dwIndexCount, ib->GetIndexCount() - geo->dwFirstIndex);
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  uint32_t outside = 0x3F; // planes every vertex so far lies beyond
  for (uint32_t k = geo->dwFirstIndex; k < end && outside; ++k)
  {
    const uint32_t index = IndexAt(ib->GetData(), b16, k, geo->dwBaseVertex);
    if (index >= m_dwVertexCount)
      continue;
    const SVector3& v = m_pVertices[index].vPosition;
    double c[4];
    for (int r = 0; r < 4; ++r)
      c[r] = clip.at(r, 0) * v.x + clip.at(r, 1) * v.y + clip.at(r, 2) * v.z + clip.at(r, 3);
    for (int axis = 0; axis < 3; ++axis)
    {
      // A margin of a thousandth of w, for the rounding of the products.
      const double margin = 1e-3 * std::fabs(c[3]) + 1e-6;
      if (!(c[axis] < -c[3] - margin))
        outside &= ~(1u << (2 * axis));
      if (!(c[axis] > c[3] + margin))
        outside &= ~(2u << (2 * axis));
    }
  }
  return outside != 0;
}

bool CObjectGL::StateDecides() const
{
  const CStateGL* pState = State();
  return pState && pState->Known() && !(m_dwRenderFlags & RENDER_WIREFRAME);
}

GLenum CObjectGL::HiddenSide(uint32_t dwMaterial) const
{
  const SPartHint* pHint = GetPartHint(dwMaterial);
  if (!pHint || !pHint->bClosed || !pHint->iOutward || !StateDecides())
    return 0;
  // Where a closed surface is seen from outside, the nearest of its fragments at any
  // pixel is a front face's.  The back faces are then never seen as long as the depth
  // test keeps only the nearest, written fragment and nothing lets a fragment behind
  // show through or count: no blending, no alpha or stencil test.
  const CStateGL& st = *State();
  if (st.IsOn(CStateGL::CAP_BLEND) || st.IsOn(CStateGL::CAP_ALPHA_TEST) || st.IsOn(CStateGL::CAP_STENCIL_TEST) ||
      !st.IsOn(CStateGL::CAP_DEPTH_TEST) || st.GetDepthFunc() != GL_LESS || !st.GetDepthMask())
    return 0;

  // Seen from outside: the bounding ball lies wholly beyond the near plane, so the eye
  // is outside it and no front face is clipped away.  The plane, in object
  // coordinates, is clip z + clip w >= 0 of projection x model-view.
  const SMat4 p = ProjectionMatrix(st.GetProjection());
  const SMat4 mv = FromFloats(&DrawMatrix().m[0][0]);
  const SMat4 clip = Multiply(p, mv);
  double plane[4];
  for (int c = 0; c < 4; ++c)
    plane[c] = clip.at(2, c) + clip.at(3, c);
  // The centre as stored (z mirrored).
  const double centre[3] = { pHint->vCentre.x, pHint->vCentre.y,
                             m_convention.fZ < 0.0f ? -double(pHint->vCentre.z) : double(pHint->vCentre.z) };
  const double norm = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
  const double dist = plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] + plane[3];
  if (!(norm > 0.0) || !(dist > norm * (double(pHint->fRadius) * 1.001 + 1e-3)))
    return 0;

  // Which winding the screen shows for an outside face turned to the eye: the usual
  // one (counter-clockwise for counter-clockwise seen from outside) unless the
  // projection and the model-view together mirror space.  A perspective or
  // orthographic projection alone has a negative determinant; mirroring z, as the
  // store does, turns the winding round.
  const bool bUsual = Determinant4(p) * Determinant3(mv) < 0.0;
  const int iOutward = m_convention.fZ < 0.0f ? -pHint->iOutward : pHint->iOutward;
  const GLenum eOutsideWinding = ((iOutward > 0) == bUsual) ? GL_CCW : GL_CW;
  // The front face stays as it is: two-sided lighting lights by it.
  return st.GetFrontFace() == eOutsideWinding ? GL_BACK : GL_FRONT;
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
  CStateGL* pState = State();
  if (!m_bKeepsVertices || !m_pDrawIndexBuffer || !pState)
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
    bool bReplaced = false;
    if (bFull)
    {
      ApplyCulling(rec);
      ApplyTextures(m);
      bReplaced = ReplaceWhite(m);
    }
    const SPartRecord* geo = Part(m);
    if (!geo)
      continue;
    GLuint list = bOwn ? GetDisplayList(m) : 0;
    // A part drawn without culling whose far side cannot show is drawn without it;
    // culling goes off again after it, as its record asks.
    const GLenum eHidden = (bFull && list && rec->dwCullMode == CULL_OFF_GL) ? HiddenSide(m) : 0;
    const GLenum eCullFace = pState->GetCullFace();
    if (eHidden)
    {
      pState->Enable(GL_CULL_FACE, true);
      pState->CullFace(eHidden);
    }
    // A part wholly outside the view makes no fragment.
    if (bFull && OutOfView(m))
    {
      pState->CountDraw();
      pState->CountLeftOut();
    }
    else if (!(list && bFull && RepeatsDepthWriter(list)))
    {
      const bool bInvisible = bFull && !list && bFactorAlpha && OnlyDepthLands();
      if (list)
        glCallList(list);
      else if (!bInvisible)
        EmitPart(geo, bFactorAlpha);
      // With neither a depth nor a stencil test nothing of an invisible draw lands.
      else if (pState->IsOn(CStateGL::CAP_DEPTH_TEST) || pState->IsOn(CStateGL::CAP_STENCIL_TEST))
        EmitDepthOnly(geo);
      pState->CountDraw();
      if (list && bFull)
        NoteDepthWriter(list, eHidden != 0);
    }
    if (eHidden)
    {
      pState->Enable(GL_CULL_FACE, false);
      pState->CullFace(eCullFace);
    }
    // The texture's own mode back, for a texture applied later that sets none.
    if (bReplaced)
      pState->TexEnvMode(GL_MODULATE);
    CountPart(geo);
  }
  return m_pDrawIndexBuffer->EndAccess();
}

bool CObjectGL::OnlyDepthLands() const
{
  if ((m_dwColorFactor >> 24) != 0 || !StateDecides())
    return false;
  const CStateGL& st = *State();
  // Every fragment's alpha is the vertex alpha, 0, times whatever the textures give:
  // the vertex colour reaches the fragment (lit only through colour material, which
  // the device leaves on ambient and diffuse), and each texture unit in use modulates.
  if (st.IsOn(CStateGL::CAP_LIGHTING) && !st.IsOn(CStateGL::CAP_COLOR_MATERIAL))
    return false;
  for (uint32_t u = 0; u < CStateGL::UNITS; ++u)
    if (st.IsTexture2D(u) && st.GetTexEnvMode(u) != GL_MODULATE)
      return false;
  // Blended by that alpha, such a fragment leaves the colour as it was; the alpha test
  // keeps its first comparison, which passes everything.
  return st.IsOn(CStateGL::CAP_BLEND) && st.GetBlendSource() == GL_SRC_ALPHA &&
         (st.GetBlendDest() == GL_ONE_MINUS_SRC_ALPHA || st.GetBlendDest() == GL_ONE);
}

void CObjectGL::EmitDepthOnly(const SPartRecord* pPart)
{
  // The same fragments, depth and stencil alike, without colour, textures or lighting;
  // everything goes back as it was afterwards.
  CStateGL* pState = State();
  pState->Push();
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDisable(GL_LIGHTING);
  glDisable(GL_FOG);
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (p && p->glActiveTextureARB)
  {
    for (uint32_t u = 0; u < TEXTURE_STAGES; ++u)
    {
      p->glActiveTextureARB(GL_TEXTURE0_ARB + u);
      glDisable(GL_TEXTURE_2D);
    }
    p->glActiveTextureARB(GL_TEXTURE0_ARB);
  }
  else
  {
    glDisable(GL_TEXTURE_2D);
  }
  EmitPart(pPart, true);
  glPopAttrib();
  pState->Pop();
}

bool CObjectGL::RepeatsDepthWriter(GLuint uList) const
{
  CStateGL* pState = State();
  if (!StateDecides())
    return false;
  const SDepthWriterGL& w = pState->Writer();
  if (w.pObject != this || w.uList != uList || w.qwDraw != pState->GetDraws())
    return false;
  // Every fragment the part could make has a twin of the same depth already in the
  // buffer, or one nearer: a less-than test passes none.  Nothing else counts them.
  if (!pState->IsOn(CStateGL::CAP_DEPTH_TEST) || pState->GetDepthFunc() != GL_LESS ||
      pState->IsOn(CStateGL::CAP_STENCIL_TEST))
    return false;
  if (!(w.projection == pState->GetProjection()) ||
      std::memcmp(w.afModelView, &DrawMatrix().m[0][0], sizeof(w.afModelView)) != 0)
    return false;
  // The same faces, or fewer; a closed surface's far side lies behind its near side.
  const bool bCull = pState->IsOn(CStateGL::CAP_CULL_FACE);
  return w.bWholeSurface ||
         (bCull == w.bCull &&
          (!bCull || (pState->GetCullFace() == w.eCullFace && pState->GetFrontFace() == w.eFrontFace)));
}

void CObjectGL::NoteDepthWriter(GLuint uList, bool bFarSideLeftOut)
{
  // Only a draw that keeps the depth of each fragment that passes: written, tested
  // less-than (or equal), filled, and no fragment thrown away after.
  CStateGL* pState = State();
  if (!StateDecides())
    return;
  const GLenum eFunc = pState->GetDepthFunc();
  if (!pState->GetDepthMask() || !pState->IsOn(CStateGL::CAP_DEPTH_TEST) || (eFunc != GL_LESS && eFunc != GL_LEQUAL) ||
      pState->IsOn(CStateGL::CAP_ALPHA_TEST) || pState->IsOn(CStateGL::CAP_STENCIL_TEST))
    return;
  SDepthWriterGL& w = pState->Writer();
  w = SDepthWriterGL{};
  w.pObject = this;
  w.uList = uList;
  w.qwDraw = pState->GetDraws();
  w.bCull = pState->IsOn(CStateGL::CAP_CULL_FACE);
  w.eCullFace = pState->GetCullFace();
  w.eFrontFace = pState->GetFrontFace();
  w.bWholeSurface = bFarSideLeftOut || !w.bCull;
  w.projection = pState->GetProjection();
  std::memcpy(w.afModelView, &DrawMatrix().m[0][0], sizeof(w.afModelView));
}

ZRESULT CObjectGL::Draw(int32_t iPartCount) { return DrawParts(0, PartCountArg(iPartCount), true); }

ZRESULT CObjectGL::DrawPart(uint32_t dwPart) { return DrawParts(dwPart, 1, true); }

ZRESULT CObjectGL::DrawGeometry(int32_t iPartCount) { return DrawParts(0, PartCountArg(iPartCount), false); }

ZRESULT CObjectGL::DrawPartGeometry(uint32_t dwPart) { return DrawParts(dwPart, 1, false); }

ZRESULT CObjectGL::Upload()
{
  if (!m_bKeepsVertices || !m_puLists || !m_pDrawIndexBuffer)
    return ZP_OK;
  MeasureParts();
  // Committed again with nothing changed (the scene does so each frame it reads a
  // vertex back): the lists would come out the same, so they stay, and only the state
  // that compiling leaves is put into effect.
  if (m_uListBase && m_dwListCount == m_dwPartCount && !(m_dwRenderFlags & RENDER_FACTOR_ALPHA) &&
      HasContext(m_pSettings) && m_dwCompiledAt == GetChangeCount())
  {
    glListBase(m_uListBase);
    ApplyRenderStates();
    for (uint32_t i = 0; i < m_dwPartCount; ++i)
    {
      const SPartRecord* rec = Part(i);
      if (!rec)
        break;
      if (const SPartRecord* geo = Part(rec->dwMaterial))
        ApplyCulling(geo);
    }
    return ZP_OK;
  }
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
  m_white.assign(m_dwPartCount, 0);
  CIndexBuffer* ib = m_pDrawIndexBuffer;
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
    // The vertices the list holds: those of the part's indices within the buffers.
    const void* data = ib->GetData();
    const uint32_t total = ib->GetIndexCount();
    bool bWhite = data && m_pVertices && geo->dwFirstIndex < total;
    const uint32_t end = bWhite ? geo->dwFirstIndex + std::min(geo->dwIndexCount, total - geo->dwFirstIndex) : 0;
    for (uint32_t k = bWhite ? geo->dwFirstIndex : 0; k < end && bWhite; ++k)
    {
      const uint32_t index = IndexAt(data, ib->GetType() == INDEX_TYPE_16, k, geo->dwBaseVertex);
      bWhite = index >= m_dwVertexCount || m_pVertices[index].dwDiffuse == 0xFFFFFFFFu;
    }
    m_white[m] = bWhite ? 1 : 0;
  }
  m_dwCompiledAt = GetChangeCount();
  return ZP_OK;
}
