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

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;

const GLenum kPrimitiveModes[] = { GL_TRIANGLE_STRIP, GL_TRIANGLES,  GL_TRIANGLE_FAN,
                                   GL_LINES,          GL_LINE_STRIP, GL_POINTS };

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

// A part's triangles as three vertex numbers each, in drawing order and with the
// corners in the order OpenGL takes them (a strip's odd triangles turned round); empty
// when the part is not made of triangles.
std::vector<uint32_t> PartTriangles(const void* pIndices, bool b16, const SPartRecord& part,
                                    uint32_t dwIndexCount)
{
  std::vector<uint32_t> tri;
  const uint32_t first = part.dwFirstIndex;
  if (first >= dwIndexCount)
    return tri;
  const uint32_t n = std::min(part.dwIndexCount, dwIndexCount - first);
  auto at = [&](uint32_t k) { return IndexAt(pIndices, b16, first + k, part.dwBaseVertex); };
  switch (part.dwPrimitiveType)
  {
    case GL_TRIANGLES:
      for (uint32_t k = 0; k + 2 < n; k += 3)
        tri.insert(tri.end(), { at(k), at(k + 1), at(k + 2) });
      break;
    case GL_TRIANGLE_STRIP:
      for (uint32_t k = 0; k + 2 < n; ++k)
        if (k & 1)
          tri.insert(tri.end(), { at(k + 1), at(k), at(k + 2) });
        else
          tri.insert(tri.end(), { at(k), at(k + 1), at(k + 2) });
      break;
    case GL_TRIANGLE_FAN:
      for (uint32_t k = 1; k + 1 < n; ++k)
        tri.insert(tri.end(), { at(0), at(k), at(k + 1) });
      break;
    default: break;
  }
  return tri;
}

// Whether a part's triangles close a surface, and which way round: every edge between
// two distinct positions is walked once each way.  Vertices are taken by position, so
// that a sphere's seam and poles, whose vertices repeat positions with other texture
// coordinates, still close; triangles with two corners at one position are skipped,
// since they cover no pixel.  The sign of the enclosed volume says whether the
// triangles turn counter-clockwise (+1) or clockwise (-1) seen from outside; 0 when
// the surface is open, or when an index points past the vertices.
int8_t ClosedSurfaceWinding(const SVertexGL* pVertices, uint32_t dwVertexCount, const void* pIndices,
                            bool b16, const SPartRecord& part, uint32_t dwIndexCount)
{
  const std::vector<uint32_t> tri = PartTriangles(pIndices, b16, part, dwIndexCount);
  if (tri.empty())
    return 0;

  // One number per position, positions closer than a ten-thousandth of the part's
  // size taken as one: a sphere's seam closes on angles summed in single precision and
  // misses its start by a few ulps.  Cells of twice that size, and a position looks
  // for its twin in its own and the 26 cells around.
  float lo[3] = { INFINITY, INFINITY, INFINITY }, hi[3] = { -INFINITY, -INFINITY, -INFINITY };
  for (uint32_t i : tri)
  {
    if (i >= dwVertexCount)
      return 0;
    const float xyz[3] = { pVertices[i].x, pVertices[i].y, pVertices[i].z };
    for (int a = 0; a < 3; ++a)
    {
      lo[a] = std::min(lo[a], xyz[a]);
      hi[a] = std::max(hi[a], xyz[a]);
    }
  }
  const double size = std::max({ double(hi[0]) - lo[0], double(hi[1]) - lo[1], double(hi[2]) - lo[2] });
  if (!std::isfinite(size) || !(size > 0.0))
    return 0;
  const double eps = size * 1e-4;
  auto cellOf = [&](double c) { return static_cast<int64_t>(std::floor(c / (2.0 * eps))); };
  auto cellKey = [](int64_t x, int64_t y, int64_t z)
  {
    return (uint64_t(x) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(y) * 0xC2B2AE3D27D4EB4Full) ^
           (uint64_t(z) * 0x165667B19E3779F9ull);
  };
  std::unordered_multimap<uint64_t, uint32_t> cells; // cell -> representative vertex
  std::vector<uint32_t> rep;                         // number -> its vertex
  std::vector<uint32_t> id(tri.size());
  for (size_t i = 0; i < tri.size(); ++i)
  {
    const SVertexGL& v = pVertices[tri[i]];
    const int64_t cx = cellOf(v.x), cy = cellOf(v.y), cz = cellOf(v.z);
    uint32_t found = UINT32_MAX;
    for (int64_t dx = -1; dx <= 1 && found == UINT32_MAX; ++dx)
      for (int64_t dy = -1; dy <= 1 && found == UINT32_MAX; ++dy)
        for (int64_t dz = -1; dz <= 1 && found == UINT32_MAX; ++dz)
        {
          auto range = cells.equal_range(cellKey(cx + dx, cy + dy, cz + dz));
          for (auto it = range.first; it != range.second; ++it)
          {
            const SVertexGL& w = pVertices[rep[it->second]];
            if (std::fabs(w.x - v.x) <= eps && std::fabs(w.y - v.y) <= eps && std::fabs(w.z - v.z) <= eps)
            {
              found = it->second;
              break;
            }
          }
        }
    if (found == UINT32_MAX)
    {
      found = static_cast<uint32_t>(rep.size());
      rep.push_back(tri[i]);
      cells.emplace(cellKey(cx, cy, cz), found);
    }
    id[i] = found;
  }

  std::unordered_map<uint64_t, uint32_t> edges; // directed edge -> times walked
  double volume = 0.0;
  for (size_t t = 0; t < tri.size(); t += 3)
  {
    const uint32_t a = id[t], b = id[t + 1], c = id[t + 2];
    if (a == b || b == c || c == a)
      continue;
    for (auto [from, to] : { std::pair{ a, b }, std::pair{ b, c }, std::pair{ c, a } })
      if (++edges[(uint64_t(from) << 32) | to] > 1)
        return 0;
    const SVertexGL& A = pVertices[tri[t]];
    const SVertexGL& B = pVertices[tri[t + 1]];
    const SVertexGL& C = pVertices[tri[t + 2]];
    volume += double(A.x) * (double(B.y) * C.z - double(B.z) * C.y) +
              double(A.y) * (double(B.z) * C.x - double(B.x) * C.z) +
              double(A.z) * (double(B.x) * C.y - double(B.y) * C.x);
  }
  if (edges.empty())
    return 0;
  for (const auto& [edge, count] : edges)
    if (!edges.count((edge << 32) | (edge >> 32)))
      return 0;
  if (volume > 0.0)
    return 1;
  return volume < 0.0 ? -1 : 0;
}

// The radius of a ball around the centre that lies wholly inside the closed surface
// the triangles make, or 0 when the centre is not inside it.  The centre is inside
// when the triangles wind once around it: their solid angles, seen from it, add up to
// a whole sphere rather than to nothing.  The ball then reaches to the nearest
// triangle's plane, never farther than the triangle itself, and so meets none of them;
// a triangle too thin for a plane counts by the line along its longest edge.
float InnerRadius(const SVertexGL* pVertices, const std::vector<uint32_t>& tri, const float* pCentre)
{
  using V = std::array<double, 3>;
  auto sub = [](const V& a, const V& b) { return V{ a[0] - b[0], a[1] - b[1], a[2] - b[2] }; };
  auto dot = [](const V& a, const V& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
  auto cross = [](const V& a, const V& b)
  { return V{ a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0] }; };
  auto at = [&](uint32_t i)
  {
    const SVertexGL& v = pVertices[i];
    return V{ v.x - double(pCentre[0]), v.y - double(pCentre[1]), v.z - double(pCentre[2]) };
  };
  double solid = 0.0, radius = INFINITY;
  for (size_t t = 0; t + 2 < tri.size(); t += 3)
  {
    const V a = at(tri[t]), b = at(tri[t + 1]), c = at(tri[t + 2]);
    const double la = std::sqrt(dot(a, a)), lb = std::sqrt(dot(b, b)), lc = std::sqrt(dot(c, c));
    solid += 2.0 * std::atan2(dot(a, cross(b, c)), la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la);

    const V ab = sub(b, a), bc = sub(c, b), ca = sub(a, c);
    const V n = cross(ab, sub(c, a));
    const double longest = std::max({ dot(ab, ab), dot(bc, bc), dot(ca, ca) });
    double d;
    if (dot(n, n) > 1e-12 * longest * longest)
      d = std::fabs(dot(n, a)) / std::sqrt(dot(n, n));
    else if (longest > 0.0)
    {
      const V& from = dot(ab, ab) == longest ? a : (dot(bc, bc) == longest ? b : c);
      const V& e = dot(ab, ab) == longest ? ab : (dot(bc, bc) == longest ? bc : ca);
      d = std::sqrt(dot(cross(from, e), cross(from, e)) / longest);
    }
    else
      d = la;
    radius = std::min(radius, d);
  }
  if (!(std::fabs(solid) > 2.0 * kPi) || !std::isfinite(radius))
    return 0.0f;
  return static_cast<float>(radius);
}

// 4 x 4 determinant of a column-major matrix.
double Determinant4(const GLfloat* m)
{
  auto e = [m](int r, int c) { return double(m[c * 4 + r]); };
  double det = 0.0;
  for (int c = 0; c < 4; ++c)
  {
    // Minor of row 0, column c.
    int cols[3], k = 0;
    for (int j = 0; j < 4; ++j)
      if (j != c)
        cols[k++] = j;
    const double minor = e(1, cols[0]) * (e(2, cols[1]) * e(3, cols[2]) - e(2, cols[2]) * e(3, cols[1])) -
                         e(1, cols[1]) * (e(2, cols[0]) * e(3, cols[2]) - e(2, cols[2]) * e(3, cols[0])) +
                         e(1, cols[2]) * (e(2, cols[0]) * e(3, cols[1]) - e(2, cols[1]) * e(3, cols[0]));
    det += (c & 1 ? -1.0 : 1.0) * e(0, c) * minor;
  }
  return det;
}

// The last part drawn whose fragments all left their depth behind, so that drawing
// the same triangles again the same way lets no fragment through a less-than test.
struct SDepthWriter
{
  const void* pContext = nullptr;
  const CObjectGL* pObject = nullptr;
  GLuint uList = 0;
  uint64_t qwDraw = 0;        // its number in s_qwDraws; later draws move on
  bool bWholeSurface = false; // both sides drawn, or only a closed far side left out
  GLboolean bCull = GL_FALSE;
  GLint iCullFace = 0, iFrontFace = 0;
  GLfloat afModelView[16] = {}, afProjection[16] = {};
  GLint aiViewport[4] = {};
  GLfloat afDepthRange[2] = {};
  GLint iDrawBuffer = 0, iFramebuffer = 0; // where it drew
  // A ball inside the closed surface it laid whole, and the eye, where both stand
  // before the projection: whatever lies behind the ball, seen from the eye, fails
  // the depth test by a wide margin (see PlaceBall).
  bool bBall = false;
  double adEye[3] = {}, adBall[3] = {};
  double dBallInner = 0.0, dBallTest = 0.0;
};
uint64_t s_qwDraws = 0;
uint64_t s_qwTrianglesLeftOut = 0;
SDepthWriter s_writer;

// Whether the context draws through framebuffer objects, which a render target of
// its own would be bound as.  Asked once per context.
bool HasFramebufferObjects(const void* pContext)
{
  static const void* s_pAsked = nullptr;
  static bool s_bHas = false;
  if (s_pAsked != pContext)
  {
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    s_bHas = ext &&
             (std::strstr(ext, "GL_EXT_framebuffer_object") || std::strstr(ext, "GL_ARB_framebuffer_object"));
    s_pAsked = pContext;
  }
  return s_bHas;
}

// The state that places a draw's fragments and their depths, and the buffers they go to.
void ReadPlacement(SDepthWriter* p, const void* pContext)
{
  glGetIntegerv(GL_DRAW_BUFFER, &p->iDrawBuffer);
  p->iFramebuffer = 0;
  if (HasFramebufferObjects(pContext))
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING_EXT, &p->iFramebuffer);
  glGetFloatv(GL_MODELVIEW_MATRIX, p->afModelView);
  glGetFloatv(GL_PROJECTION_MATRIX, p->afProjection);
  glGetIntegerv(GL_VIEWPORT, p->aiViewport);
  glGetFloatv(GL_DEPTH_RANGE, p->afDepthRange);
  p->bCull = glIsEnabled(GL_CULL_FACE);
  glGetIntegerv(GL_CULL_FACE_MODE, &p->iCullFace);
  glGetIntegerv(GL_FRONT_FACE, &p->iFrontFace);
}

// The same camera and buffers, whatever the model-view matrix.
bool SameView(const SDepthWriter& a, const SDepthWriter& b)
{
  return a.iDrawBuffer == b.iDrawBuffer && a.iFramebuffer == b.iFramebuffer &&
         std::memcmp(a.afProjection, b.afProjection, sizeof(a.afProjection)) == 0 &&
         std::memcmp(a.aiViewport, b.aiViewport, sizeof(a.aiViewport)) == 0 &&
         std::memcmp(a.afDepthRange, b.afDepthRange, sizeof(a.afDepthRange)) == 0;
}

bool SamePlacement(const SDepthWriter& a, const SDepthWriter& b)
{
  return SameView(a, b) && std::memcmp(a.afModelView, b.afModelView, sizeof(a.afModelView)) == 0;
}

// A column-major model-view matrix that moves, turns and scales alike along every
// axis; its scale.
bool UniformScale(const GLfloat* mv, double* pScale)
{
  if (mv[3] != 0.0f || mv[7] != 0.0f || mv[11] != 0.0f || mv[15] != 1.0f)
    return false;
  auto col = [mv](int c, int r) { return double(mv[c * 4 + r]); };
  auto dot = [&](int a, int b) { return col(a, 0) * col(b, 0) + col(a, 1) * col(b, 1) + col(a, 2) * col(b, 2); };
  const double s2 = dot(0, 0);
  if (!(s2 > 0.0) || !std::isfinite(s2))
    return false;
  for (int a = 0; a < 3; ++a)
    for (int b = a; b < 3; ++b)
      if (std::fabs(dot(a, b) - (a == b ? s2 : 0.0)) > 1e-4 * s2)
        return false;
  *pScale = std::sqrt(s2);
  return true;
}

// Where the writer's ball (a surface's centre, inner and outer radius, in its object's
// space) and the eye stand before the projection, when the projection is a usual
// perspective one and the depth test tells the ball's inside from what lies behind it
// with room to spare.  Behind means: the segment from the eye meets the ball shrunk by
// a hundredth.  Such a segment runs through the whole ball for at least 0.28 of its
// radius, and the surface lies in front of the ball, so the point behind is that much
// deeper; that depth, in the buffer's units, must be more than 2^-18 everywhere on
// the ball and the surface must lie within the near and far planes.
bool PlaceBall(SDepthWriter* w, const float* pCentre, float fInner, float fOuter)
{
  double scale = 0.0;
  const GLfloat* mv = w->afModelView;
  if (!(fInner > 0.0f) || !UniformScale(mv, &scale))
    return false;
  double ball[3];
  for (int r = 0; r < 3; ++r)
    ball[r] = mv[r] * double(pCentre[0]) + mv[4 + r] * double(pCentre[1]) + mv[8 + r] * double(pCentre[2]) + mv[12 + r];

  // The projection's rows; the eye is where rows 0, 1 and 3 all vanish.
  const GLfloat* p = w->afProjection;
  auto row = [p](int r, int c) { return double(p[c * 4 + r]); };
  const double m[3][3] = { { row(0, 0), row(0, 1), row(0, 2) },
                           { row(1, 0), row(1, 1), row(1, 2) },
                           { row(3, 0), row(3, 1), row(3, 2) } };
  const double rhs[3] = { -row(0, 3), -row(1, 3), -row(3, 3) };
  auto det3 = [](const double (*a)[3])
  {
    return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
           a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  };
  const double det = det3(m);
  if (!(std::fabs(det) > 0.0) || !std::isfinite(det))
    return false;
  double eye[3];
  for (int k = 0; k < 3; ++k)
  {
    double a[3][3];
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        a[r][c] = c == k ? rhs[r] : m[r][c];
    eye[k] = det3(a) / det;
  }

  // Depth along w = row 3: z = -A + B / w when row 2 is -A row 3 + B (0, 0, 0, 1).
  int k = 0;
  for (int c = 1; c < 3; ++c)
    if (std::fabs(row(3, c)) > std::fabs(row(3, k)))
      k = c;
  const double len3 = std::sqrt(row(3, 0) * row(3, 0) + row(3, 1) * row(3, 1) + row(3, 2) * row(3, 2));
  if (!(len3 > 0.0))
    return false;
  const double A = -row(2, k) / row(3, k);
  const double B = row(2, 3) + A * row(3, 3);
  const double size2 = std::fabs(row(2, 0)) + std::fabs(row(2, 1)) + std::fabs(row(2, 2));
  for (int c = 0; c < 3; ++c)
    if (std::fabs(row(2, c) + A * row(3, c)) > 1e-5 * size2)
      return false;
  const double wNear = B / (A - 1.0), wFar = B / (A + 1.0);
  const double range = double(w->afDepthRange[1]) - w->afDepthRange[0];
  if (!(B < 0.0) || !(wNear > 0.0) || !(wFar > wNear) || !std::isfinite(wFar) || !(range > 0.0))
    return false;

  const double inner = scale * fInner, outer = scale * fOuter;
  const double wBall = row(3, 0) * ball[0] + row(3, 1) * ball[1] + row(3, 2) * ball[2] + row(3, 3);
  if (!(wBall - outer * len3 > wNear) || !(wBall + outer * len3 < wFar))
    return false;
  const double to[3] = { ball[0] - eye[0], ball[1] - eye[1], ball[2] - eye[2] };
  const double dist = std::sqrt(to[0] * to[0] + to[1] * to[1] + to[2] * to[2]);
  if (!(dist > outer))
    return false;
  // The widest angle between a ray through the ball and the direction w measures.
  const double cosAxis = (row(3, 0) * to[0] + row(3, 1) * to[1] + row(3, 2) * to[2]) / (len3 * dist);
  const double angle = std::acos(std::clamp(cosAxis, -1.0, 1.0)) + std::asin(outer / dist);
  if (!(angle < 0.5 * kPi - 1e-3))
    return false;
  const double test = 0.99 * inner;
  const double gap = 2.0 * std::sqrt(inner * inner - test * test) * std::cos(angle) * len3;
  const double wMax = wBall + outer * len3;
  if (!(0.5 * range * -B * gap / (wMax * wMax) > 1.0 / (1 << 18)))
    return false;

  w->bBall = true;
  std::copy(eye, eye + 3, w->adEye);
  std::copy(ball, ball + 3, w->adBall);
  w->dBallInner = inner;
  w->dBallTest = test;
  return true;
}

// Whether a point, before the projection, lies behind the writer's ball.
bool BehindBall(const SDepthWriter& w, const double* pPoint)
{
  double d[3], m[3];
  for (int r = 0; r < 3; ++r)
  {
    d[r] = pPoint[r] - w.adEye[r];
    m[r] = w.adBall[r] - w.adEye[r];
  }
  const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  if (!(len2 > 0.0))
    return false;
  const double t = std::clamp((d[0] * m[0] + d[1] * m[1] + d[2] * m[2]) / len2, 0.0, 1.0);
  double near2 = 0.0, from2 = 0.0;
  for (int r = 0; r < 3; ++r)
  {
    const double q = t * d[r] - m[r];           // the segment's nearest point to the centre
    const double o = pPoint[r] - w.adBall[r];   // the point from the centre
    near2 += q * q;
    from2 += o * o;
  }
  return near2 < w.dBallTest * w.dBallTest && from2 >= w.dBallInner * w.dBallInner;
}

GLint DepthFunc()
{
  GLint i = 0;
  glGetIntegerv(GL_DEPTH_FUNC, &i);
  return i;
}

} // namespace

void ForgetDepthWrites() { s_writer = SDepthWriter{}; }

uint64_t TrianglesLeftOutBehindDepth() { return s_qwTrianglesLeftOut; }

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
    case CULL_CW: return GL_CCW;
    default: return CULL_OFF_GL;
  }
}

uint32_t CullModeFromGL(uint32_t dwFrontFace)
{
  switch (dwFrontFace)
  {
    case GL_CW: return CULL_CCW;
    case GL_CCW: return CULL_CW;
    default: return CULL_NONE;
  }
}

// ---------------------------------------------------------------- life

CObjectGL::CObjectGL()
    : m_pVertices(nullptr), m_puLists(nullptr), m_uListBase(0), m_dwListCount(0), m_bKeepsVertices(false),
      m_bMirrorNormalZ(false), m_bEngineLayout(false)
{
}

CObjectGL::~CObjectGL() { FreeVertices(); }

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
  m_surfaces.clear();
  m_compiledFrom.clear();
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

void* CObjectGL::GetVertexData() { return m_pVertices; }

void CObjectGL::SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u, float v,
                          float nx, float ny, float nz, uint32_t dwSpecular)
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

void CObjectGL::GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                          SVector3* pNormal, uint32_t* pSpecular)
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

void CObjectGL::EmitVertex(uint32_t dwIndex, bool bMulti, int iAlpha) const
{
  const SVertexGL& v = m_pVertices[dwIndex];
  const uint32_t c = v.dwDiffuse;
  glColor4ub(static_cast<GLubyte>(c >> 16), static_cast<GLubyte>(c >> 8), static_cast<GLubyte>(c),
             iAlpha >= 0 ? static_cast<GLubyte>(iAlpha) : static_cast<GLubyte>(c >> 24));
  if (bMulti)
  {
    const SPlatformGL* p = GetPlatformGL(m_pSettings);
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

bool CObjectGL::MultiTexCoords() const
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  return (m_dwRenderFlags & RENDER_MULTITEXTURE) && p && p->glMultiTexCoord2fARB;
}

void CObjectGL::EmitPart(const SPartRecord* pPart, bool bAlphaFromFactor)
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

void CObjectGL::EmitTriangles(const std::vector<uint32_t>& tri) const
{
  if (tri.empty())
    return;
  const bool bMulti = MultiTexCoords();
  glBegin(GL_TRIANGLES);
  for (uint32_t index : tri)
    EmitVertex(index, bMulti, -1);
  glEnd();
}

CObjectGL::SSurface CObjectGL::SurfaceOf(const SPartRecord& part) const
{
  SSurface s{};
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  const bool b16 = ib->GetType() == INDEX_TYPE_16;
  s.iOutward =
      ClosedSurfaceWinding(m_pVertices, m_dwVertexCount, ib->GetData(), b16, part, ib->GetIndexCount());
  if (!s.iOutward)
    return s;
  // The centre of the box around the part's vertices, and the farthest vertex from it.
  float lo[3] = { INFINITY, INFINITY, INFINITY }, hi[3] = { -INFINITY, -INFINITY, -INFINITY };
  // Indices in range: the winding was found over the same ones.
  const uint32_t n = std::min(part.dwIndexCount, ib->GetIndexCount() - part.dwFirstIndex);
  for (uint32_t k = 0; k < n; ++k)
  {
    const SVertexGL& v = m_pVertices[IndexAt(ib->GetData(), b16, part.dwFirstIndex + k, part.dwBaseVertex)];
    const float xyz[3] = { v.x, v.y, v.z };
    for (int a = 0; a < 3; ++a)
    {
      lo[a] = std::min(lo[a], xyz[a]);
      hi[a] = std::max(hi[a], xyz[a]);
    }
  }
  double r2 = 0.0;
  for (int a = 0; a < 3; ++a)
    s.afCentre[a] = 0.5f * (lo[a] + hi[a]);
  for (uint32_t k = 0; k < n; ++k)
  {
    const SVertexGL& v = m_pVertices[IndexAt(ib->GetData(), b16, part.dwFirstIndex + k, part.dwBaseVertex)];
    const double dx = v.x - s.afCentre[0], dy = v.y - s.afCentre[1], dz = v.z - s.afCentre[2];
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  }
  s.fRadius = static_cast<float>(std::sqrt(r2));
  if (!std::isfinite(s.fRadius))
    s.iOutward = 0;
  else
    s.fInRadius = InnerRadius(m_pVertices, PartTriangles(ib->GetData(), b16, part, ib->GetIndexCount()),
                              s.afCentre);
  return s;
}

GLenum CObjectGL::HiddenSide(uint32_t dwMaterial) const
{
  if (dwMaterial >= m_surfaces.size() || !m_surfaces[dwMaterial].iOutward ||
      (m_dwRenderFlags & RENDER_WIREFRAME))
    return 0;
  // Where a closed surface is seen from outside, the nearest of its fragments at any
  // pixel is a front face's.  The back faces are then never seen as long as the depth
  // test keeps only the nearest, written fragment and nothing lets a fragment behind
  // show through or count: no blending, no alpha or stencil test.
  if (glIsEnabled(GL_BLEND) || glIsEnabled(GL_ALPHA_TEST) || glIsEnabled(GL_STENCIL_TEST) ||
      !glIsEnabled(GL_DEPTH_TEST))
    return 0;
  GLint iDepthFunc = 0;
  GLboolean bDepthWrite = GL_FALSE;
  glGetIntegerv(GL_DEPTH_FUNC, &iDepthFunc);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &bDepthWrite);
  if (iDepthFunc != GL_LESS || !bDepthWrite)
    return 0;

  // Seen from outside: the bounding sphere lies wholly beyond the near plane, so the eye
  // is outside it and no front face is clipped away.  The plane, in object coordinates,
  // is clip z + clip w >= 0 of projection x model-view.
  GLfloat p[16], mv[16];
  glGetFloatv(GL_PROJECTION_MATRIX, p);
  glGetFloatv(GL_MODELVIEW_MATRIX, mv);
  double plane[4];
  for (int c = 0; c < 4; ++c)
  {
    double z = 0.0, w = 0.0;
    for (int k = 0; k < 4; ++k)
    {
      z += double(p[k * 4 + 2]) * mv[c * 4 + k];
      w += double(p[k * 4 + 3]) * mv[c * 4 + k];
    }
    plane[c] = z + w;
  }
  const SSurface& s = m_surfaces[dwMaterial];
  const double norm = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
  const double dist =
      plane[0] * s.afCentre[0] + plane[1] * s.afCentre[1] + plane[2] * s.afCentre[2] + plane[3];
  if (!(norm > 0.0) || !(dist > norm * (double(s.fRadius) * 1.001 + 1e-3)))
    return 0;

  // Which winding the screen shows for an outside face turned to the eye: the usual
  // one (counter-clockwise for counter-clockwise seen from outside) unless the
  // projection and the model-view together mirror space.  A perspective or orthographic
  // projection alone has a negative determinant.
  const double det3 = double(mv[0]) * (double(mv[5]) * mv[10] - double(mv[9]) * mv[6]) -
                      double(mv[4]) * (double(mv[1]) * mv[10] - double(mv[9]) * mv[2]) +
                      double(mv[8]) * (double(mv[1]) * mv[6] - double(mv[5]) * mv[2]);
  const bool bUsual = Determinant4(p) * det3 < 0.0;
  const GLenum eOutsideWinding = ((s.iOutward > 0) == bUsual) ? GL_CCW : GL_CW;
  // The front face stays as it is: two-sided lighting lights by it.
  GLint iFrontFace = GL_CCW;
  glGetIntegerv(GL_FRONT_FACE, &iFrontFace);
  return static_cast<GLenum>(iFrontFace) == eOutsideWinding ? GL_BACK : GL_FRONT;
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
  std::vector<uint32_t> kept; // the triangles left in sight, when some are hidden
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
    // A part drawn without culling whose far side cannot show is drawn without it;
    // culling goes off again after it, as its record asks.
    const GLenum eHidden = (bFull && list && rec->dwCullMode == CULL_OFF_GL) ? HiddenSide(m) : 0;
    GLint iCullFace = GL_BACK;
    if (eHidden)
    {
      glGetIntegerv(GL_CULL_FACE_MODE, &iCullFace);
      glEnable(GL_CULL_FACE);
      glCullFace(eHidden);
    }
    if (!(list && bFull && RepeatsDepthWriter(list)))
    {
      if (list && bFull && TrianglesInSight(m, &kept))
        EmitTriangles(kept);
      else if (list)
        glCallList(list);
      else if (bFull && bFactorAlpha && OnlyDepthLands())
        EmitDepthOnly(geo);
      else
        EmitPart(geo, bFactorAlpha);
      ++s_qwDraws;
      if (list && bFull)
        NoteDepthWriter(list, m, eHidden != 0);
    }
    if (eHidden)
    {
      glDisable(GL_CULL_FACE);
      glCullFace(static_cast<GLenum>(iCullFace));
    }
    CountPart(geo);
  }
  return m_pDrawIndexBuffer->EndAccess();
}

bool CObjectGL::OnlyDepthLands() const
{
  if ((m_dwColorFactor >> 24) != 0)
    return false;
  // Every fragment's alpha is the vertex alpha, 0, times whatever the textures give:
  // the vertex colour reaches the fragment (lit only through colour material), and
  // each texture unit in use modulates.
  if (glIsEnabled(GL_LIGHTING))
  {
    GLint iMaterial = 0;
    glGetIntegerv(GL_COLOR_MATERIAL_PARAMETER, &iMaterial);
    if (!glIsEnabled(GL_COLOR_MATERIAL) || (iMaterial != GL_AMBIENT_AND_DIFFUSE && iMaterial != GL_DIFFUSE))
      return false;
  }
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  const bool bUnits = p && p->glActiveTextureARB;
  GLint iActive = GL_TEXTURE0_ARB;
  if (bUnits)
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &iActive);
  bool bModulateOnly = true;
  for (uint32_t u = 0; u < (bUnits ? TEXTURE_STAGES : 1u) && bModulateOnly; ++u)
  {
    if (bUnits)
      p->glActiveTextureARB(GL_TEXTURE0_ARB + u);
    GLint iMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &iMode);
    bModulateOnly = !glIsEnabled(GL_TEXTURE_2D) || iMode == GL_MODULATE;
  }
  if (bUnits)
    p->glActiveTextureARB(static_cast<GLenum>(iActive));
  if (!bModulateOnly)
    return false;
  // Blended by that alpha, such a fragment leaves the colour as it was; an alpha test
  // would throw it away (and its depth with it) unless it passes everything.
  GLint iSrc = 0, iDst = 0, iEquation = GL_FUNC_ADD, iAlphaFunc = GL_ALWAYS;
  glGetIntegerv(GL_BLEND_SRC, &iSrc);
  glGetIntegerv(GL_BLEND_DST, &iDst);
  glGetIntegerv(GL_BLEND_EQUATION, &iEquation);
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &iAlphaFunc);
  return glIsEnabled(GL_BLEND) && iSrc == GL_SRC_ALPHA &&
         (iDst == GL_ONE_MINUS_SRC_ALPHA || iDst == GL_ONE) && iEquation == GL_FUNC_ADD &&
         (!glIsEnabled(GL_ALPHA_TEST) || iAlphaFunc == GL_ALWAYS);
}

void CObjectGL::EmitDepthOnly(const SPartRecord* pPart)
{
  // The same fragments, depth and stencil alike, without colour, textures or lighting;
  // everything goes back as it was afterwards.
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
}

bool CObjectGL::RepeatsDepthWriter(GLuint uList) const
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (s_writer.pObject != this || s_writer.uList != uList || s_writer.qwDraw != s_qwDraws || !p ||
      s_writer.pContext != p->hRC)
    return false;
  // Every fragment the part could make has a twin of the same depth already in the
  // buffer, or one nearer: a less-than test passes none.  Nothing else counts them.
  if (!glIsEnabled(GL_DEPTH_TEST) || DepthFunc() != GL_LESS || glIsEnabled(GL_STENCIL_TEST) ||
      (m_dwRenderFlags & RENDER_WIREFRAME))
    return false;
  SDepthWriter now;
  ReadPlacement(&now, p->hRC);
  if (!SamePlacement(now, s_writer))
    return false;
  // The same faces, or fewer; a closed surface's far side lies behind its near side.
  return s_writer.bWholeSurface ||
         (now.bCull == s_writer.bCull &&
          (!now.bCull || (now.iCullFace == s_writer.iCullFace && now.iFrontFace == s_writer.iFrontFace)));
}

void CObjectGL::NoteDepthWriter(GLuint uList, uint32_t dwMaterial, bool bFarSideLeftOut)
{
  // Only a draw that keeps the depth of each fragment that passes: written, tested
  // less-than (or equal), filled, not shifted, and no fragment thrown away after.
  GLboolean bWrite = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &bWrite);
  const GLint iFunc = DepthFunc();
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!p || !bWrite || !glIsEnabled(GL_DEPTH_TEST) || (iFunc != GL_LESS && iFunc != GL_LEQUAL) ||
      glIsEnabled(GL_ALPHA_TEST) || glIsEnabled(GL_STENCIL_TEST) || glIsEnabled(GL_POLYGON_OFFSET_FILL) ||
      (m_dwRenderFlags & RENDER_WIREFRAME))
    return;
  s_writer = SDepthWriter{};
  ReadPlacement(&s_writer, p->hRC);
  s_writer.pContext = p->hRC;
  s_writer.pObject = this;
  s_writer.uList = uList;
  s_writer.qwDraw = s_qwDraws;
  s_writer.bWholeSurface = bFarSideLeftOut || !s_writer.bCull;
  // Every fragment of its near side laid: nothing clipped away but by the view.
  bool bClipped = false;
  for (GLenum e = GL_CLIP_PLANE0; e <= GL_CLIP_PLANE5; ++e)
    bClipped = bClipped || glIsEnabled(e);
  if (s_writer.bWholeSurface && !bClipped && dwMaterial < m_surfaces.size() && m_surfaces[dwMaterial].iOutward)
  {
    const SSurface& surface = m_surfaces[dwMaterial];
    PlaceBall(&s_writer, surface.afCentre, surface.fInRadius, surface.fRadius);
  }
}

bool CObjectGL::TrianglesInSight(uint32_t dwMaterial, std::vector<uint32_t>* pKept) const
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!s_writer.bBall || s_writer.qwDraw != s_qwDraws || !p || s_writer.pContext != p->hRC)
    return false;
  // Only the depth test may decide: no stencil to count a failing fragment, no offset.
  const GLint iFunc = DepthFunc();
  if (!glIsEnabled(GL_DEPTH_TEST) || (iFunc != GL_LESS && iFunc != GL_LEQUAL) || glIsEnabled(GL_STENCIL_TEST) ||
      glIsEnabled(GL_POLYGON_OFFSET_FILL) || (m_dwRenderFlags & RENDER_WIREFRAME))
    return false;
  SDepthWriter now;
  ReadPlacement(&now, p->hRC);
  double scale = 0.0;
  if (!SameView(now, s_writer) || !UniformScale(now.afModelView, &scale))
    return false;
  const SPartRecord* geo = Part(dwMaterial);
  CIndexBuffer* ib = m_pDrawIndexBuffer;
  if (!geo || !ib || !ib->GetData())
    return false;
  const std::vector<uint32_t> tri =
      PartTriangles(ib->GetData(), ib->GetType() == INDEX_TYPE_16, *geo, ib->GetIndexCount());
  // An index past the vertices is skipped by the list, which shifts the triangles.
  if (tri.empty() || *std::max_element(tri.begin(), tri.end()) >= m_dwVertexCount)
    return false;

  const GLfloat* mv = now.afModelView;
  std::vector<int8_t> behind(m_dwVertexCount, -1); // per vertex: not yet asked, no, yes
  auto hidden = [&](uint32_t i)
  {
    if (behind[i] < 0)
    {
      const SVertexGL& v = m_pVertices[i];
      double at[3];
      for (int r = 0; r < 3; ++r)
        at[r] = mv[r] * double(v.x) + mv[4 + r] * double(v.y) + mv[8 + r] * double(v.z) + mv[12 + r];
      behind[i] = BehindBall(s_writer, at) ? 1 : 0;
    }
    return behind[i] == 1;
  };
  // A triangle whose corners all lie behind the ball lies behind it whole: the points
  // behind a ball form a convex set.
  pKept->clear();
  for (size_t t = 0; t + 2 < tri.size(); t += 3)
    if (!(hidden(tri[t]) && hidden(tri[t + 1]) && hidden(tri[t + 2])))
      pKept->insert(pKept->end(), { tri[t], tri[t + 1], tri[t + 2] });
  if (pKept->size() == tri.size())
    return false;
  s_qwTrianglesLeftOut += (tri.size() - pKept->size()) / 3;
  return true;
}

ZRESULT CObjectGL::Draw(int32_t iPartCount) { return DrawParts(0, PartCountArg(iPartCount), true); }

ZRESULT CObjectGL::DrawPart(uint32_t dwPart) { return DrawParts(dwPart, 1, true); }

ZRESULT CObjectGL::DrawGeometry(int32_t iPartCount) { return DrawParts(0, PartCountArg(iPartCount), false); }

ZRESULT CObjectGL::DrawPartGeometry(uint32_t dwPart) { return DrawParts(dwPart, 1, false); }

// What the lists are compiled from, byte for byte: the vertices, the indices, the part
// records and the render flags.
std::vector<uint8_t> CObjectGL::ListSource() const
{
  std::vector<uint8_t> out;
  const CIndexBuffer* ib = m_pDrawIndexBuffer;
  const void* pIndices = const_cast<CIndexBuffer*>(ib)->GetData();
  const size_t vertexBytes = m_pVertices ? size_t(m_dwVertexCount) * sizeof(SVertexGL) : 0;
  const size_t indexBytes =
      pIndices ? size_t(ib->GetIndexCount()) * (ib->GetType() == INDEX_TYPE_16 ? 2 : 4) : 0;
  out.reserve(vertexBytes + indexBytes + size_t(m_dwPartCount) * sizeof(SPartRecord) + 8);
  auto append = [&out](const void* p, size_t n)
  { out.insert(out.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n); };
  append(&m_dwRenderFlags, sizeof(m_dwRenderFlags));
  const uint32_t dwType = ib->GetType();
  append(&dwType, sizeof(dwType));
  if (vertexBytes)
    append(m_pVertices, vertexBytes);
  if (indexBytes)
    append(pIndices, indexBytes);
  for (uint32_t i = 0; i < m_dwPartCount; ++i)
    if (const SPartRecord* rec = Part(i))
      append(rec, sizeof(*rec));
  return out;
}

ZRESULT CObjectGL::Upload()
{
  if (!m_bKeepsVertices || !m_puLists || !m_pDrawIndexBuffer)
    return ZP_OK;
  // Committed again with nothing changed (the scene does so each frame it reads a
  // vertex back): the lists would come out the same, so they stay, and only the state
  // that compiling leaves is put into effect.
  if (m_uListBase && m_dwListCount == m_dwPartCount && !(m_dwRenderFlags & RENDER_FACTOR_ALPHA) &&
      HasContext(m_pSettings) && ListSource() == m_compiledFrom)
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
  m_compiledFrom.clear();
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
  m_surfaces.assign(m_dwPartCount, SSurface{});
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
    if (m < m_surfaces.size() && m_pVertices && ib->GetData())
      m_surfaces[m] = SurfaceOf(*geo);
  }
  m_compiledFrom = ListSource();
  return ZP_OK;
}

// ---------------------------------------------------------------- point sprites

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
      const SVertexGL& v = m_pVertices[index];
      const uint32_t c = v.dwDiffuse;
      m_pPoints[n++] = SPoint{ v.x,
                               v.y,
                               v.z,
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
  glDisable(GL_CULL_FACE);
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
    const SVertexGL& v = m_pVertices[dwFirstVertex + k];
    glVertex3f(v.x, v.y, v.z);
  }
  glEnd();
  ++s_qwDraws;
  m_pSettings->adwCounters[0] += n;
  m_pSettings->adwCounters[1] += n;
  m_pSettings->adwCounters[2] += dwPrimitiveCount;
  return ZP_OK;
}
