#include "app/scene/stencil_shadow.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/device_services.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/core/world_base.h"

namespace
{

constexpr float kLargest = 3.4028235e38f;

SVector3 Sub(const SVector3& a, const SVector3& b) { return SVector3{ a.x - b.x, a.y - b.y, a.z - b.z }; }

// Each component raised to the minimum, then lowered to the maximum.
SVector3 Clamp(SVector3 v, const SVector3& vMax, const SVector3& vMin)
{
  float* p[3] = { &v.x, &v.y, &v.z };
  const float hi[3] = { vMax.x, vMax.y, vMax.z };
  const float lo[3] = { vMin.x, vMin.y, vMin.z };
  for (int i = 0; i < 3; ++i)
  {
    if (*p[i] < lo[i])
      *p[i] = lo[i];
    if (*p[i] > hi[i])
      *p[i] = hi[i];
  }
  return v;
}

// A vertex in world space in the engine's convention, through the whole caster matrix
// as the platform stores it.  (TransformPoint adds a stored translation to a converted
// rotation, which on a platform that mirrors z moves the volume off its caster.)
SVector3 WorldPosition(C3DMath* pMath, C3DObject* pObject, uint32_t dwVertex, const SMatrix& matCaster)
{
  SVector3 p;
  pObject->GetPosition(dwVertex, &p);
  const float s = pMath->GetDepthSign();
  const float z = s * p.z;
  const float(*m)[4] = matCaster.m;
  return SVector3{ p.x * m[0][0] + p.y * m[1][0] + z * m[2][0] + m[3][0],
                   p.x * m[0][1] + p.y * m[1][1] + z * m[2][1] + m[3][1],
                   s * (p.x * m[0][2] + p.y * m[1][2] + z * m[2][2] + m[3][2]) };
}

} // namespace

CStencilShadow::CStencilShadow(SEngineSettings* pSettings)
    : CSceneElement(pSettings), m_dwShadowColor(0), m_matIdentity{}, m_bShowConstruct(0), m_aCasters{}
{
  for (SShadowCaster& caster : m_aCasters)
    ResetCaster(&caster);
}

CStencilShadow::~CStencilShadow()
{
  for (SShadowCaster& caster : m_aCasters)
    FreeArrays(&caster);
}

void CStencilShadow::ResetCaster(SShadowCaster* pCaster)
{
  *pCaster = SShadowCaster{};
  pCaster->vMax = SVector3{ kLargest, kLargest, kLargest };
  pCaster->vMin = SVector3{ -kLargest, -kLargest, -kLargest };
}

void CStencilShadow::FreeArrays(SShadowCaster* pCaster)
{
  TrackedFree(pCaster->pSides);
  TrackedFree(pCaster->pCaps);
  pCaster->pSides = pCaster->pCaps = nullptr;
  pCaster->dwCapacity = pCaster->dwSideCount = pCaster->dwCapCount = 0;
}

CShadowVolumeService* CStencilShadow::Service() const
{
  CWorldBase* pApp = App();
  C3DEngine* pDevice = pApp ? pApp->GetDevice() : nullptr;
  return pDevice ? pDevice->GetShadowVolumeService() : nullptr;
}

void CStencilShadow::SetCaster(int iCaster, C3DObject* pObject, SMatrix* pMatrix, float fMaxX, float fMinX)
{
  if (iCaster < 0 || iCaster >= CASTER_COUNT)
    return;
  SShadowCaster& caster = m_aCasters[iCaster];
  caster.pObject = pObject;
  caster.pMatrix = pMatrix;
  caster.vMax.x = fMaxX;
  caster.vMin.x = fMinX;
}

ZRESULT CStencilShadow::Load()
{
  if (!Service())
    return ZP_FAIL;
  CSettingsStore* pStore = m_pSettings->pEngineStore;
  m_bShowConstruct = pStore && pStore->GetBool("STENCIL_SHADOW", "SHOW_CONSTRUCT", false) ? 1 : 0;
  const uint8_t byFactor = pStore ? pStore->GetByte("STENCIL_SHADOW", "SHADOW_COLOR_FACTOR", 50) : 50;
  m_dwShadowColor = byFactor * 0x01010101u;
  if (m_pSettings->pMath)
    m_pSettings->pMath->Identity(&m_matIdentity);

  for (SShadowCaster& caster : m_aCasters)
  {
    if (!caster.pObject)
      continue;
    const uint32_t dwCapacity = 200 * caster.pObject->GetVertexCount();
    FreeArrays(&caster);
    if (!dwCapacity)
      continue;
    caster.pSides = static_cast<SVector3*>(TrackedCalloc(dwCapacity, sizeof(SVector3)));
    caster.pCaps = static_cast<SVector3*>(TrackedCalloc(dwCapacity, sizeof(SVector3)));
    if (!caster.pSides || !caster.pCaps)
    {
      FreeArrays(&caster);
      return ZP_FAIL;
    }
    caster.dwCapacity = dwCapacity;
  }
  return ZP_OK;
}

ZRESULT CStencilShadow::Unload()
{
  for (SShadowCaster& caster : m_aCasters)
  {
    FreeArrays(&caster);
    ResetCaster(&caster);
  }
  m_edges.clear();
  return ZP_OK;
}

void CStencilShadow::ToggleEdge(uint16_t a, uint16_t b)
{
  // An edge shared by two lit triangles is inside the lit region: it goes again.
  for (size_t i = 0; i < m_edges.size(); ++i)
  {
    const SEdge& e = m_edges[i];
    if ((e.a == a && e.b == b) || (e.a == b && e.b == a))
    {
      m_edges[i] = m_edges.back();
      m_edges.pop_back();
      return;
    }
  }
  m_edges.push_back(SEdge{ a, b });
}

ZRESULT CStencilShadow::BuildShadowVolume(int iCaster)
{
  if (iCaster < 0 || iCaster >= CASTER_COUNT)
    return ZP_OK;
  SShadowCaster& caster = m_aCasters[iCaster];
  C3DObject* pObject = caster.pObject;
  if (!pObject)
    return ZP_OK;
  caster.dwSideCount = caster.dwCapCount = 0;
  C3DMath* pMath = m_pSettings->pMath;
  const SMatrix matCaster = caster.pMatrix ? *caster.pMatrix : *pObject->GetMatrix();
  const SVector3 vLight = m_pSettings->light1.vPosition; // a direction: the sun is far
  if (caster.pMatrix)
    pObject->SetWorldMatrix(caster.pMatrix);
  pObject->LockIndices();

  auto position = [&](uint32_t dwVertex) { return WorldPosition(pMath, pObject, dwVertex, matCaster); };
  auto lit = [&](const SVector3& a, const SVector3& b, const SVector3& c)
  {
    SVector3 n;
    const SVector3 cb = Sub(c, b), ba = Sub(b, a);
    pMath->Vec3Cross(&n, &cb, &ba);
    return pMath->Vec3Dot(&n, &vLight) >= 0.0f;
  };

  const uint32_t dwParts = pObject->GetPartCount();
  for (uint32_t dwPart = 0; dwPart < dwParts; ++dwPart)
  {
    uint32_t dwBase = 0, dwFirst = 0, dwCount = 0, dwType = 0;
    pObject->GetPartInfo(dwPart, &dwBase, nullptr, &dwFirst, &dwCount, nullptr, &dwType, nullptr, nullptr);
    m_edges.clear();
    m_edges.reserve(3 * static_cast<size_t>(dwCount));
    auto index = [&](uint32_t t) { return static_cast<uint16_t>(pObject->GetIndex(dwFirst + t) + dwBase); };
    if (dwType == PRIMITIVE_TRIANGLE_LIST)
    {
      for (uint32_t t = 0; t + 2 < dwCount; t += 3)
      {
        const uint16_t a = index(t), b = index(t + 1), c = index(t + 2);
        if (lit(position(a), position(b), position(c)))
        {
          ToggleEdge(a, b);
          ToggleEdge(b, c);
          ToggleEdge(c, a);
        }
      }
    }
    else if (dwType == PRIMITIVE_TRIANGLE_FAN && dwCount >= 3)
    {
      const uint16_t a = index(0);
      for (uint32_t t = 1; t + 1 < dwCount; ++t)
      {
        const uint16_t b = index(t), c = index(t + 1);
        if (lit(position(a), position(b), position(c)))
          ToggleEdge(b, c);
      }
    }
    ExtrudePart(&caster, vLight);
  }
  m_edges.clear();
  return pObject->Commit();
}

void CStencilShadow::ExtrudePart(SShadowCaster* pCaster, const SVector3& vLight)
{
  if (m_edges.empty())
    return;
  C3DMath* pMath = m_pSettings->pMath;
  C3DObject* pObject = pCaster->pObject;
  const SMatrix matCaster = pCaster->pMatrix ? *pCaster->pMatrix : *pObject->GetMatrix();
  const SVector3 vFar = { 10.0f * vLight.x, 10.0f * vLight.y, 10.0f * vLight.z };
  // Each edge writes six positions to each array, which never grow: a build keeps the
  // edges that fit and drops the rest.
  const size_t uRoom = (pCaster->dwCapacity - pCaster->dwSideCount) / 6;
  const size_t n = m_edges.size() < uRoom ? m_edges.size() : uRoom;
  if (!n)
    return;
  struct SQuad
  {
    SVector3 p1, p2, e1, e2;
  };
  auto quad = [&](const SEdge& e)
  {
    const SVector3 p1 = WorldPosition(pMath, pObject, e.a, matCaster);
    const SVector3 p2 = WorldPosition(pMath, pObject, e.b, matCaster);
    const SVector3 e1 = Sub(p1, vFar), e2 = Sub(p2, vFar);
    return SQuad{ Clamp(p1, pCaster->vMax, pCaster->vMin), Clamp(p2, pCaster->vMax, pCaster->vMin),
                  Clamp(e1, pCaster->vMax, pCaster->vMin), Clamp(e2, pCaster->vMax, pCaster->vMin) };
  };

  const double k = 1.0 / (2.0 * static_cast<double>(m_edges.size()));
  double aNear[3] = { 0, 0, 0 }, aFar[3] = { 0, 0, 0 };
  SVector3* pSide = pCaster->pSides + pCaster->dwSideCount;
  for (size_t i = 0; i < n; ++i)
  {
    const SQuad q = quad(m_edges[i]);
    aNear[0] += (q.p1.x + q.p2.x) * k;
    aNear[1] += (q.p1.y + q.p2.y) * k;
    aNear[2] += (q.p1.z + q.p2.z) * k;
    aFar[0] += (q.e1.x + q.e2.x) * k;
    aFar[1] += (q.e1.y + q.e2.y) * k;
    aFar[2] += (q.e1.z + q.e2.z) * k;
    *pSide++ = q.p1;
    *pSide++ = q.p2;
    *pSide++ = q.e1;
    *pSide++ = q.p2;
    *pSide++ = q.e2;
    *pSide++ = q.e1;
  }
  pCaster->dwSideCount += static_cast<uint32_t>(6 * n);

  const SVector3 vNear = { static_cast<float>(aNear[0]), static_cast<float>(aNear[1]),
                           static_cast<float>(aNear[2]) };
  const SVector3 vFarCentre = { static_cast<float>(aFar[0]), static_cast<float>(aFar[1]),
                                static_cast<float>(aFar[2]) };
  // Both caps face out of the volume, as the sides do: the near one turns the edge
  // round (each side runs along it from p1 to p2), the far one keeps it, since the
  // side's second triangle runs back along e2 to e1.  The faces then close round the
  // volume, and a ray is counted alike whether it enters by a side or a cap.
  SVector3* pCap = pCaster->pCaps + pCaster->dwCapCount;
  for (size_t i = 0; i < n; ++i)
  {
    const SQuad q = quad(m_edges[i]);
    *pCap++ = vNear;
    *pCap++ = q.p2;
    *pCap++ = q.p1;
    *pCap++ = vFarCentre;
    *pCap++ = q.e1;
    *pCap++ = q.e2;
  }
  pCaster->dwCapCount += static_cast<uint32_t>(6 * n);
}

void CStencilShadow::DrawShadowVolume(int iCaster)
{
  if (iCaster < 0 || iCaster >= CASTER_COUNT)
    return;
  const SShadowCaster& caster = m_aCasters[iCaster];
  CShadowVolumeService* pService = Service();
  if (!caster.dwSideCount || !pService)
    return;
  pService->MarkVolume(caster.pSides, caster.dwSideCount, caster.pCaps, caster.dwCapCount);
  pService->DarkenMarked(m_dwShadowColor);
  if (m_bShowConstruct)
  {
    pService->DrawWireFrame(caster.pSides, caster.dwSideCount);
    pService->DrawWireFrame(caster.pCaps, caster.dwCapCount);
  }
}
