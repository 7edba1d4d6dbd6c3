#include "sdk/core/3d_mesh_object.h"

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/texture.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/core/world_base.h"

#include <cmath>
#include <cstring>

namespace
{

const SMaterial s_DefaultMaterial = {
  { 1.0f, 1.0f, 1.0f, 0.0f },
  { 1.0f, 1.0f, 1.0f, 1.0f },
  { 0.0f, 0.0f, 0.0f, 1.0f },
  { 0.0f, 0.0f, 0.0f, 1.0f },
  20.0f,
};

SVector3 Sub(const SVector3& a, const SVector3& b) { return SVector3{ a.x - b.x, a.y - b.y, a.z - b.z }; }

SVector3 Cross(const SVector3& a, const SVector3& b)
{
  return SVector3{ a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

// v x (1 / |v|); false for a zero or non-finite vector, which is left alone.
bool Normalize(SVector3* v)
{
  float fLength = std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z);
  if (!(fLength > 0.0f) || !std::isfinite(fLength))
    return false;
  float k = 1.0f / fLength;
  v->x *= k;
  v->y *= k;
  v->z *= k;
  return true;
}

CWorldBase* Application(SEngineSettings* pSettings) { return pSettings ? pSettings->pApplication : nullptr; }

// The address of a field of a handed-out vertex, or null.
template <class T> T* Field(SMeshVertex* p, T SMeshVertex::*pField) { return p ? &(p->*pField) : nullptr; }

// A value times a sign of +1 or -1, by negation so that every value comes back as it was.
inline float Signed(float fSign, float f) { return fSign < 0.0f ? -f : f; }

} // namespace

C3DMeshObject::C3DMeshObject() = default;

C3DMeshObject::~C3DMeshObject()
{
  FreeVertexStore();
  // No texture references are given back here: Release does that.
  delete m_pIndexBuffer;
  m_pIndexBuffer = nullptr;
  m_pDrawIndexBuffer = nullptr;
  TrackedFree(m_pMaterials);
  m_pMaterials = nullptr;
  TrackedFree(m_ppTextures);
  m_ppTextures = nullptr;
}

ZRESULT C3DMeshObject::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  m_pWorldMatrix = &m_matObject;
  memset(&m_matObject, 0, sizeof(m_matObject));
  for (int i = 0; i < 4; ++i)
    m_matObject.m[i][i] = 1.0f;
  return ZP_OK;
}

ZRESULT C3DMeshObject::Release()
{
  FreeVertexStore();
  if (m_pIndexBuffer)
  {
    if (ZP_FAILED(m_pIndexBuffer->Release()))
      return ZP_FAIL;
    delete m_pIndexBuffer;
    m_pIndexBuffer = nullptr;
  }
  m_pDrawIndexBuffer = nullptr;
  TrackedFree(m_pMaterials);
  m_pMaterials = nullptr;
  FreeTextureTable();
  return ZP_OK;
}

ZRESULT C3DMeshObject::ApplyProjection()
{
  CWorldBase* pApp = Application(m_pSettings);
  C3DEngine* pDevice = pApp ? pApp->GetDevice() : nullptr;
  CCamera* pCamera = pDevice ? pDevice->GetCamera() : nullptr;
  if (!pCamera)
    return ZP_FAIL;
  if (ObjectClassBit(m_dwKind) == OBJECT_KIND_SCREEN)
    return pCamera->ApplyOrtho();
  return pCamera->ApplyPerspective();
}

void* C3DMeshObject::GetIndexData()
{
  ShapeChanged(); // the caller may write through it
  return m_pIndexBuffer ? m_pIndexBuffer->GetData() : nullptr;
}

void* C3DMeshObject::GetVertexData()
{
  ShapeChanged();
  return m_pVertices;
}

SMatrix* C3DMeshObject::ResetMatrix()
{
  m_pWorldMatrix = &m_matObject;
  return m_pWorldMatrix;
}

uint32_t C3DMeshObject::ChooseIndexType(uint32_t dwKind, uint32_t dwIndexCount)
{
  if (dwKind & OBJECT_KIND_INDEX16)
    return INDEX_TYPE_16;
  if (dwKind & OBJECT_KIND_INDEX32)
    return INDEX_TYPE_32;
  return dwIndexCount > 65535 ? INDEX_TYPE_32 : INDEX_TYPE_16;
}

CIndexBuffer* C3DMeshObject::NewIndexBuffer(uint32_t dwType)
{
  if (dwType == INDEX_TYPE_16)
    return new CIndexBuffer16();
  if (dwType == INDEX_TYPE_32)
    return new CIndexBuffer32();
  return nullptr;
}

void C3DMeshObject::FreeVertexStore()
{
  TrackedFree(m_pVertices);
  m_pVertices = nullptr;
}

ZRESULT C3DMeshObject::AllocateVertices(uint32_t dwVertexCount, uint32_t)
{
  FreeVertexStore();
  if (!m_bKeepsVertices || !dwVertexCount)
    return ZP_OK;
  m_pVertices = static_cast<SMeshVertex*>(TrackedCalloc(dwVertexCount, sizeof(SMeshVertex)));
  return m_pVertices ? ZP_OK : ZP_FAIL;
}

ZRESULT C3DMeshObject::Upload() { return ZP_OK; }

ZRESULT C3DMeshObject::SetupGeometry(uint32_t dwPartCount, uint32_t dwVertexCount, uint32_t dwIndexCount)
{
  // The old texture table's entries are given back, so that a rebuilt object keeps its
  // references balanced.
  FreeTextureTable();
  TrackedFree(m_pMaterials);
  m_pMaterials = nullptr;
  ShapeChanged();
  m_hints.clear();

  m_dwVertexCount = dwVertexCount;
  m_dwPartCount = dwPartCount;

  if (dwPartCount)
  {
    m_pMaterials = static_cast<SMaterial*>(TrackedMalloc(sizeof(SMaterial) * dwPartCount));
    if (!m_pMaterials)
      return ZP_FAIL;
    for (uint32_t i = 0; i < dwPartCount; ++i)
      m_pMaterials[i] = s_DefaultMaterial;

    m_ppTextures = static_cast<CTexture**>(
        TrackedCalloc(static_cast<size_t>(dwPartCount) * TEXTURE_STAGES, sizeof(CTexture*)));
    if (!m_ppTextures)
      return ZP_FAIL;
  }

  if (m_pIndexBuffer)
  {
    if (m_pDrawIndexBuffer == m_pIndexBuffer)
      m_pDrawIndexBuffer = nullptr;
    ZRESULT r = m_pIndexBuffer->Release();
    delete m_pIndexBuffer;
    m_pIndexBuffer = nullptr;
    if (ZP_FAILED(r))
      return ZP_FAIL;
  }

  CIndexBuffer* pBuffer = NewIndexBuffer(ChooseIndexType(m_dwKind, dwIndexCount));
  if (!pBuffer)
    return ZP_FAIL;
  if (ZP_FAILED(pBuffer->Attach(m_pSettings)) || ZP_FAILED(pBuffer->Allocate(dwPartCount, dwIndexCount)))
  {
    pBuffer->Release();
    delete pBuffer;
    return ZP_FAIL;
  }
  m_pIndexBuffer = pBuffer;
  m_pDrawIndexBuffer = pBuffer;

  if (ZP_FAILED(AllocateVertices(dwVertexCount, dwPartCount)))
    return ZP_FAIL;
  return ZP_OK;
}

ZRESULT C3DMeshObject::LockIndices()
{
  return m_pDrawIndexBuffer ? m_pDrawIndexBuffer->BeginAccess() : ZP_FAIL;
}

void C3DMeshObject::SetIndex(uint32_t dwPosition, uint32_t dwValue)
{
  ShapeChanged();
  if (m_pDrawIndexBuffer)
    m_pDrawIndexBuffer->SetIndex(dwPosition, dwValue);
}

// ---------------------------------------------------------------- vertices

void C3DMeshObject::SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u,
                              float v, float nx, float ny, float nz, uint32_t dwSpecular)
{
  SMeshVertex* p = Vertex(dwVertex);
  if (!p)
    return;
  ShapeChanged();
  const SVertexConvention& c = m_convention;
  p->vPosition = SVector3{ x, y, Signed(c.fZ, z) };
  p->vNormal = SVector3{ Signed(c.fNormalXY, nx), Signed(c.fNormalXY, ny), Signed(c.fNormalZ, nz) };
  p->dwDiffuse = dwDiffuse;
  p->dwSpecular = dwSpecular;
  p->vTexCoord = SVector2{ u, c.bFlipV ? 1.0f - v : v };
}

void C3DMeshObject::SetPosition(uint32_t dwVertex, const SVector3* pPosition)
{
  SMeshVertex* p = Vertex(dwVertex);
  if (!p || !pPosition)
    return;
  ShapeChanged();
  p->vPosition = SVector3{ pPosition->x, pPosition->y, Signed(m_convention.fZ, pPosition->z) };
}

void C3DMeshObject::SetTexCoord(uint32_t dwVertex, const SVector2* pTexCoord)
{
  SMeshVertex* p = Vertex(dwVertex);
  if (!p || !pTexCoord)
    return;
  ++m_dwChangeCount;
  p->vTexCoord = SVector2{ pTexCoord->x, m_convention.bFlipV ? 1.0f - pTexCoord->y : pTexCoord->y };
}

void C3DMeshObject::SetNormal(uint32_t dwVertex, const SVector3* pNormal)
{
  SMeshVertex* p = Vertex(dwVertex);
  if (!p || !pNormal)
    return;
  ++m_dwChangeCount;
  const SVertexConvention& c = m_convention;
  p->vNormal = SVector3{ Signed(c.fNormalXY, pNormal->x), Signed(c.fNormalXY, pNormal->y),
                         Signed(c.fNormalZ, pNormal->z) };
}

void C3DMeshObject::SetDiffuse(uint32_t dwVertex, uint32_t dwColor)
{
  if (SMeshVertex* p = HandOut(dwVertex, true, false))
    p->dwDiffuse = dwColor;
}

void C3DMeshObject::SetSpecular(uint32_t dwVertex, uint32_t dwColor)
{
  if (SMeshVertex* p = HandOut(dwVertex, true, false))
    p->dwSpecular = dwColor;
}

void C3DMeshObject::GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                              SVector3* pNormal, uint32_t* pSpecular)
{
  GetPosition(dwVertex, pPosition);
  GetDiffuse(dwVertex, pDiffuse);
  GetTexCoord(dwVertex, pTexCoord);
  GetNormal(dwVertex, pNormal);
  GetSpecular(dwVertex, pSpecular);
}

SMeshVertex* C3DMeshObject::HandOut(uint32_t dwVertex, bool bAllowed, bool bShape)
{
  SMeshVertex* p = bAllowed ? Vertex(dwVertex) : nullptr;
  if (p && bShape)
    ShapeChanged();
  else if (p)
    ++m_dwChangeCount;
  return p;
}

SVector3* C3DMeshObject::GetPositionAddress(uint32_t dwVertex)
{
  return Field(HandOut(dwVertex, m_convention.bAddresses, true), &SMeshVertex::vPosition);
}

void C3DMeshObject::GetPosition(uint32_t dwVertex, SVector3* pOut)
{
  const SMeshVertex* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = SVector3{ p->vPosition.x, p->vPosition.y, Signed(m_convention.fZ, p->vPosition.z) };
}

SVector2* C3DMeshObject::GetTexCoordAddress(uint32_t dwVertex)
{
  return Field(HandOut(dwVertex, m_convention.bAddresses, false), &SMeshVertex::vTexCoord);
}

void C3DMeshObject::GetTexCoord(uint32_t dwVertex, SVector2* pOut)
{
  const SMeshVertex* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = SVector2{ p->vTexCoord.x, m_convention.bFlipV ? 1.0f - p->vTexCoord.y : p->vTexCoord.y };
}

SVector3* C3DMeshObject::GetNormalAddress(uint32_t dwVertex)
{
  return Field(HandOut(dwVertex, m_convention.bAddresses, false), &SMeshVertex::vNormal);
}

void C3DMeshObject::GetNormal(uint32_t dwVertex, SVector3* pOut)
{
  const SMeshVertex* p = Vertex(dwVertex);
  if (!p || !pOut)
    return;
  const SVertexConvention& c = m_convention;
  *pOut = SVector3{ Signed(c.fNormalXY, p->vNormal.x), Signed(c.fNormalXY, p->vNormal.y),
                    Signed(c.fNormalZ, p->vNormal.z) };
}

uint32_t* C3DMeshObject::GetDiffuseAddress(uint32_t dwVertex)
{
  return Field(HandOut(dwVertex, true, false), &SMeshVertex::dwDiffuse);
}

void C3DMeshObject::GetDiffuse(uint32_t dwVertex, uint32_t* pOut)
{
  const SMeshVertex* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = p->dwDiffuse;
}

uint32_t* C3DMeshObject::GetSpecularAddress(uint32_t dwVertex)
{
  return Field(HandOut(dwVertex, true, false), &SMeshVertex::dwSpecular);
}

void C3DMeshObject::GetSpecular(uint32_t dwVertex, uint32_t* pOut)
{
  const SMeshVertex* p = Vertex(dwVertex);
  if (p && pOut)
    *pOut = p->dwSpecular;
}

// ---------------------------------------------------------------- part codes

SPartRecord* C3DMeshObject::Part(uint32_t dwPart) const
{
  return m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr;
}

uint32_t SPartCodes::Primitive(uint32_t dwEngineType) const
{
  return dwEngineType < 6 ? adwPrimitive[dwEngineType] : dwPrimitiveOther;
}

uint32_t SPartCodes::EnginePrimitive(uint32_t dwCode) const
{
  for (uint32_t i = 0; i < 6; ++i)
    if (adwPrimitive[i] == dwCode)
      return i;
  return PRIMITIVE_TRIANGLE_LIST;
}

uint32_t SPartCodes::Cull(uint32_t dwEngineMode) const { return adwCull[dwEngineMode < 4 ? dwEngineMode : 0]; }

uint32_t SPartCodes::EngineCull(uint32_t dwCode) const
{
  for (uint32_t i = 0; i < 4; ++i)
    if (adwCull[i] == dwCode)
      return i;
  return CULL_NONE;
}

uint32_t C3DMeshObject::PrimitiveCode(uint32_t dwEngineType) const
{
  return m_pPartCodes ? m_pPartCodes->Primitive(dwEngineType) : dwEngineType;
}

uint32_t C3DMeshObject::CullCode(uint32_t dwEngineMode) const
{
  return m_pPartCodes ? m_pPartCodes->Cull(dwEngineMode) : dwEngineMode;
}

void C3DMeshObject::SetPrimitiveTypeAll(uint32_t dwType, int32_t iPartCount)
{
  for (uint32_t i = 0, n = PartCountArg(iPartCount); i < n; ++i)
    SetPrimitiveType(i, dwType);
}

void C3DMeshObject::SetPrimitiveType(uint32_t dwPart, uint32_t dwType)
{
  if (SPartRecord* p = Part(dwPart))
  {
    ShapeChanged();
    p->dwPrimitiveType = PrimitiveCode(dwType);
  }
}

// The engine's code of a part's primitive type and cull mode (0 for a part that is not
// there); the object keeps them in its device's codes.
uint32_t C3DMeshObject::GetPrimitiveType(uint32_t dwPart)
{
  const SPartRecord* p = Part(dwPart);
  return !p ? 0 : m_pPartCodes ? m_pPartCodes->EnginePrimitive(p->dwPrimitiveType) : p->dwPrimitiveType;
}

uint32_t C3DMeshObject::GetCullMode(uint32_t dwPart)
{
  const SPartRecord* p = Part(dwPart);
  return !p ? 0 : m_pPartCodes ? m_pPartCodes->EngineCull(p->dwCullMode) : p->dwCullMode;
}

void C3DMeshObject::QueryPrimitiveType(uint32_t dwPart, uint32_t* pType)
{
  if (pType)
    *pType = GetPrimitiveType(dwPart);
}

void C3DMeshObject::QueryCullMode(uint32_t dwPart, uint32_t* pMode)
{
  if (pMode)
    *pMode = GetCullMode(dwPart);
}

void C3DMeshObject::SetCullModeAll(uint32_t dwMode, int32_t iPartCount)
{
  for (uint32_t i = 0, n = PartCountArg(iPartCount); i < n; ++i)
    SetCullMode(i, dwMode);
}

void C3DMeshObject::SetCullMode(uint32_t dwPart, uint32_t dwMode)
{
  if (SPartRecord* p = Part(dwPart))
  {
    ++m_dwChangeCount;
    p->dwCullMode = CullCode(dwMode);
  }
}


const SPartHint* C3DMeshObject::GetPartHint(uint32_t dwMaterial) const
{
  if (m_dwHintShapeCount != m_dwShapeCount || dwMaterial >= m_hints.size())
    return nullptr;
  return &m_hints[dwMaterial];
}

void C3DMeshObject::SetPartHint(uint32_t dwMaterial, const SPartHint& hint)
{
  if (m_dwHintShapeCount != m_dwShapeCount)
    m_hints.clear();
  if (dwMaterial >= m_hints.size())
    m_hints.resize(size_t(dwMaterial) + 1);
  m_hints[dwMaterial] = hint;
  m_dwHintShapeCount = m_dwShapeCount;
}

uint32_t C3DMeshObject::GetIndex(uint32_t dwPosition)
{
  return m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetIndex(dwPosition) : 0xFFFFFFFFu;
}

ZRESULT C3DMeshObject::GetPart(uint32_t dwPart, uint32_t* pRecord)
{
  if (!pRecord)
    return ZP_FAIL;
  return GetPartInfo(dwPart, &pRecord[1], &pRecord[2], &pRecord[3], &pRecord[4], &pRecord[5], &pRecord[6],
                     &pRecord[7], &pRecord[0]);
}

ZRESULT C3DMeshObject::GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount,
                                   uint32_t* pFirstIndex, uint32_t* pIndexCount, uint32_t* pPrimitiveCount,
                                   uint32_t* pPrimitiveType, uint32_t* pCullMode, uint32_t* pMaterial)
{
  if (!m_pDrawIndexBuffer)
    return ZP_FAIL;
  ZRESULT r = m_pDrawIndexBuffer->GetPartInfo(dwPart, pBaseVertex, pVertexCount, pFirstIndex, pIndexCount,
                                              pPrimitiveCount, nullptr, nullptr, pMaterial);
  if (ZP_FAILED(r))
    return r;
  if (pPrimitiveType)
    *pPrimitiveType = GetPrimitiveType(dwPart);
  if (pCullMode)
    *pCullMode = GetCullMode(dwPart);
  return ZP_OK;
}

ZRESULT C3DMeshObject::Commit()
{
  if (m_dwKind & OBJECT_KIND_NORMALS)
  {
    m_dwKind &= ~OBJECT_KIND_NORMALS;
    ComputeNormals();
  }
  ZRESULT r = Upload();
  ZRESULT rEnd = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->EndAccess() : ZP_OK;
  return ZP_FAILED(r) ? r : rEnd;
}

ZRESULT C3DMeshObject::ComputeNormals()
{
  const SVector3 vZero = { 0.0f, 0.0f, 0.0f };
  for (uint32_t v = 0; v < m_dwVertexCount; ++v)
    SetNormal(v, &vZero);

  auto addFace = [this](uint32_t a, uint32_t b, uint32_t c)
  {
    // Indices that point outside the vertices (an unfilled buffer) contribute nothing.
    if (a >= m_dwVertexCount || b >= m_dwVertexCount || c >= m_dwVertexCount)
      return;
    SVector3 A, B, C;
    GetPosition(a, &A);
    GetPosition(b, &B);
    GetPosition(c, &C);
    SVector3 n = Cross(Sub(A, B), Sub(A, C));
    // A degenerate triangle has no direction to add.
    if (!Normalize(&n))
      return;
    const uint32_t adwVertex[3] = { a, b, c };
    for (uint32_t v : adwVertex)
    {
      SVector3 N;
      GetNormal(v, &N);
      N.x += n.x;
      N.y += n.y;
      N.z += n.z;
      if (!Normalize(&N))
        N = SVector3{ 0.0f, 0.0f, 0.0f };
      SetNormal(v, &N);
    }
  };

  for (uint32_t p = 0; p < m_dwPartCount; ++p)
  {
    uint32_t dwBase = 0, dwFirst = 0, dwCount = 0, dwPrims = 0, dwType = 0;
    if (ZP_FAILED(GetPartInfo(p, &dwBase, nullptr, &dwFirst, &dwCount, &dwPrims, &dwType, nullptr, nullptr)))
      continue;
    auto idx = [&](uint32_t q) { return GetIndex(q) + dwBase; };
    switch (dwType)
    {
      case PRIMITIVE_TRIANGLE_STRIP:
        for (uint32_t k = 0; k < dwPrims; ++k)
        {
          uint32_t q = dwFirst + k;
          if (k & 1)
            addFace(idx(q + 1), idx(q), idx(q + 2));
          else
            addFace(idx(q), idx(q + 1), idx(q + 2));
        }
        break;
      case PRIMITIVE_TRIANGLE_LIST:
        for (uint32_t q = dwFirst; q + 2 < dwFirst + dwCount; q += 3)
          addFace(idx(q), idx(q + 1), idx(q + 2));
        break;
      case PRIMITIVE_TRIANGLE_FAN:
        for (uint32_t q = dwFirst + 1; q + 2 <= dwFirst + dwCount; ++q)
          addFace(idx(dwFirst), idx(q), idx(q + 1));
        break;
      default: break;
    }
  }
  return static_cast<ZRESULT>(m_dwPartCount);
}

uint32_t C3DMeshObject::SetColorFactor(uint32_t dwLevel)
{
  m_dwColorFactor = (dwLevel & 0xFFu) * 0x01010101u;
  return dwLevel;
}

void C3DMeshObject::SetUserValue(float fValue) { m_fUserValue = fValue; }

// ---------------------------------------------------------------------------
// Texture table

CTexture** C3DMeshObject::TextureSlot(uint32_t dwRow, uint32_t dwStage) const
{
  if (!m_ppTextures || dwRow >= m_dwPartCount || dwStage >= TEXTURE_STAGES)
    return nullptr;
  return &m_ppTextures[dwRow * TEXTURE_STAGES + dwStage];
}

uint32_t C3DMeshObject::PartCountArg(int32_t iPartCount) const
{
  if (iPartCount < 0 || static_cast<uint32_t>(iPartCount) > m_dwPartCount)
    return m_dwPartCount;
  return static_cast<uint32_t>(iPartCount);
}

void C3DMeshObject::FreeTextureTable()
{
  if (m_ppTextures)
  {
    CWorldBase* pApp = Application(m_pSettings);
    for (uint32_t i = 0; i < m_dwPartCount * TEXTURE_STAGES; ++i)
    {
      if (m_ppTextures[i] && pApp)
        pApp->DestroyTexture(m_ppTextures[i]);
      m_ppTextures[i] = nullptr;
    }
  }
  TrackedFree(m_ppTextures);
  m_ppTextures = nullptr;
}

void C3DMeshObject::SetTexture(CTexture* pTexture, uint32_t dwRow, uint32_t dwStage)
{
  CTexture** ppSlot = TextureSlot(dwRow, dwStage);
  if (!ppSlot || *ppSlot == pTexture)
    return;
  CWorldBase* pApp = Application(m_pSettings);
  // The entry takes its own reference and gives back the one it held.
  if (pTexture && pApp)
    pApp->AddRefTexture(pTexture);
  CTexture* pOld = *ppSlot;
  *ppSlot = pTexture;
  if (pOld && pApp)
    pApp->DestroyTexture(pOld);
}

void C3DMeshObject::SetTextureAll(CTexture* pTexture, int32_t iPartCount, uint32_t dwStage)
{
  for (uint32_t i = 0, n = PartCountArg(iPartCount); i < n; ++i)
    SetTexture(pTexture, i, dwStage);
}

CTexture* C3DMeshObject::GetTexture(uint32_t dwRow, uint32_t dwStage)
{
  CTexture** ppSlot = TextureSlot(dwRow, dwStage);
  return ppSlot ? *ppSlot : nullptr;
}

ZRESULT C3DMeshObject::ReleasePartTexture(uint32_t dwRow, uint32_t dwStage)
{
  CTexture** ppSlot = TextureSlot(dwRow, dwStage);
  if (ppSlot && *ppSlot)
  {
    CWorldBase* pApp = Application(m_pSettings);
    if (pApp)
      pApp->DestroyTexture(*ppSlot);
    *ppSlot = nullptr;
  }
  return ZP_OK;
}

ZRESULT C3DMeshObject::ReleaseTextureAll(int32_t iPartCount, uint32_t dwStage)
{
  for (uint32_t i = 0, n = PartCountArg(iPartCount); i < n; ++i)
    ReleasePartTexture(i, dwStage);
  return ZP_OK;
}

// The loaders hand back one reference of their own; the table entries take theirs in
// SetTexture, so the loader's is dropped at the end.
namespace
{

enum ETarget
{
  TARGET_FIRST_N,
  TARGET_PART
};

} // namespace

static ZRESULT PlaceTexture(C3DMeshObject* pObject, CWorldBase* pApp, CTexture* pTexture, int iTarget,
                            int32_t iWhich, uint32_t dwStage)
{
  if (iTarget == TARGET_FIRST_N || iWhich == ALL_PARTS)
    pObject->SetTextureAll(pTexture, iTarget == TARGET_FIRST_N ? iWhich : ALL_PARTS, dwStage);
  else
    pObject->SetTexture(pTexture, static_cast<uint32_t>(iWhich), dwStage);
  if (pTexture && pApp)
    pApp->DestroyTexture(pTexture);
  return ZP_OK;
}

// Decodes the image (when there is one) and places the texture; an image that does not
// decode fails and leaves the table as it was.
static ZRESULT LoadAndPlaceTexture(C3DMeshObject* pObject, SEngineSettings* pSettings, uint32_t dwKind,
                                   uint32_t dwTextureFlags, const void* pData, uint32_t dwSize,
                                   const char* szName, int iTarget, int32_t iWhich, uint32_t dwStage)
{
  CWorldBase* pApp = Application(pSettings);
  CTexture* pTexture = nullptr;
  if (pData && dwSize)
  {
    pTexture = pApp ? pApp->LoadTexture(dwKind, dwTextureFlags, pData, dwSize, szName) : nullptr;
    if (!pTexture)
      return ZP_FAIL;
  }
  return PlaceTexture(pObject, pApp, pTexture, iTarget, iWhich, dwStage);
}

ZRESULT C3DMeshObject::SetTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                            uint32_t dwSize, int32_t iPartCount, uint32_t dwStage,
                                            const char* szName)
{
  return LoadAndPlaceTexture(this, m_pSettings, dwKind, dwTextureFlags, pData, dwSize, szName, TARGET_FIRST_N,
                             iPartCount, dwStage);
}

ZRESULT C3DMeshObject::SetPartTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                                uint32_t dwSize, int32_t iPart, uint32_t dwStage,
                                                const char* szName)
{
  return LoadAndPlaceTexture(this, m_pSettings, dwKind, dwTextureFlags, pData, dwSize, szName, TARGET_PART,
                             iPart, dwStage);
}

ZRESULT C3DMeshObject::SetTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath,
                                          int32_t iPartCount, uint32_t dwStage)
{
  CWorldBase* pApp = Application(m_pSettings);
  CTexture* pTexture = nullptr;
  if (szPath && szPath[0])
  {
    pTexture = pApp ? pApp->LoadTextureFile(dwKind, dwTextureFlags, szPath) : nullptr;
    if (!pTexture)
      return ZP_FAIL;
  }
  return PlaceTexture(this, pApp, pTexture, TARGET_FIRST_N, iPartCount, dwStage);
}

ZRESULT C3DMeshObject::SetPartTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath,
                                              int32_t iPart, uint32_t dwStage)
{
  CWorldBase* pApp = Application(m_pSettings);
  CTexture* pTexture = nullptr;
  if (szPath && szPath[0])
  {
    pTexture = pApp ? pApp->LoadTextureFile(dwKind, dwTextureFlags, szPath) : nullptr;
    if (!pTexture)
      return ZP_FAIL;
  }
  return PlaceTexture(this, pApp, pTexture, TARGET_PART, iPart, dwStage);
}

// ---------------------------------------------------------------------------
// Model files.  The engine recognised 3D-Studio and DirectX model names, but nothing in
// this program loads a model, so the import and export operations are not provided:
// they answer the generic failure.

ZRESULT C3DMeshObject::ImportModel(uint32_t, uint32_t, const char*) { return ZP_FAIL; }

ZRESULT C3DMeshObject::ImportModel(const char*) { return ZP_FAIL; }

ZRESULT C3DMeshObject::ExportModel(uint32_t) { return ZP_FAIL; }

ZRESULT C3DMeshObject::BuildFromModel(const void*) { return ZP_FAIL; }
