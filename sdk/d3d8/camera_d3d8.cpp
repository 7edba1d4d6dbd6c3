#include "sdk/d3d8/camera_d3d8.h"

#include "sdk/core/engine_settings.h"
#include "sdk/d3d8/platform_d3d8.h"

namespace
{

const D3DMATRIX* AsD3D(const SMatrix* m) { return reinterpret_cast<const D3DMATRIX*>(m); }

D3DMATRIX Identity()
{
  D3DMATRIX m = {};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

// a x b, row vectors (the engine's and Direct3D's layout).
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
  D3DMATRIX out;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return out;
}

} // namespace

// The engine's matrices are laid out as Direct3D's (rows, translation in the last row)
// and its space is left-handed as Direct3D's.  The view goes into the projection, as
// the OpenGL camera puts it, and the view transform stays the identity: lighting and
// fog then happen in world space, as on OpenGL, and the pictures agree.

ZRESULT CCameraD3D8::ApplyPerspective()
{
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  if (!pDevice)
    return ZP_OK;
  const SMatrix& matView = m_pView ? m_pView->matView : m_pSettings->matView;
  const SMatrix& matProjection = m_pView ? m_pView->matProjection : m_pSettings->matProjection;
  D3DMATRIX projection = Multiply(*AsD3D(&matView), *AsD3D(&matProjection));
  // Direct3D puts pixel centres on whole coordinates, OpenGL half a pixel further:
  // the picture moves half a pixel left and up to land where OpenGL draws it.
  if (m_pSettings->wWidth && m_pSettings->wHeight)
  {
    const float dx = -1.0f / m_pSettings->wWidth, dy = 1.0f / m_pSettings->wHeight;
    for (int i = 0; i < 4; ++i)
    {
      projection.m[i][0] += dx * projection.m[i][3];
      projection.m[i][1] += dy * projection.m[i][3];
    }
  }
  pDevice->SetTransform(D3DTS_PROJECTION, &projection);
  const D3DMATRIX identity = Identity();
  pDevice->SetTransform(D3DTS_VIEW, &identity);
  return ZP_OK;
}

ZRESULT CCameraD3D8::ApplyOrtho()
{
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  if (!pDevice || !m_pSettings->wWidth || !m_pSettings->wHeight)
    return ZP_OK;
  // Pixel space, origin at the top-left corner, y downwards, z from -100 to 100.  Pixel
  // centres lie on whole coordinates in Direct3D: the half-pixel shift puts a texel on
  // each pixel as OpenGL's orthographic projection does.
  const float w = m_pSettings->wWidth, h = m_pSettings->wHeight;
  D3DMATRIX m = {};
  m._11 = 2.0f / w;
  m._22 = -2.0f / h;
  m._33 = 1.0f / 200.0f;
  m._41 = -1.0f - 1.0f / w;
  m._42 = 1.0f + 1.0f / h;
  m._43 = 0.5f;
  m._44 = 1.0f;
  pDevice->SetTransform(D3DTS_PROJECTION, &m);
  const D3DMATRIX identity = Identity();
  pDevice->SetTransform(D3DTS_VIEW, &identity);
  return ZP_OK;
}

ZRESULT CCameraD3D8::ResetModelView()
{
  if (IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings))
  {
    const D3DMATRIX identity = Identity();
    pDevice->SetTransform(D3DTS_WORLD, &identity);
  }
  return ZP_OK;
}

ZRESULT CCameraD3D8::Resize()
{
  ZRESULT r = CCamera::Resize();
  SPlatformD3D8* p = GetPlatformD3D8(m_pSettings);
  if (!p || !p->pDevice)
    return r;
  // The back buffer keeps the size it was made with; the viewport stays inside it.
  D3DVIEWPORT8 vp = { 0, 0, m_pSettings->wWidth, m_pSettings->wHeight, 0.0f, 1.0f };
  if (p->present.BackBufferWidth && vp.Width > p->present.BackBufferWidth)
    vp.Width = p->present.BackBufferWidth;
  if (p->present.BackBufferHeight && vp.Height > p->present.BackBufferHeight)
    vp.Height = p->present.BackBufferHeight;
  p->pDevice->SetViewport(&vp);
  ApplyPerspective();
  return r;
}
