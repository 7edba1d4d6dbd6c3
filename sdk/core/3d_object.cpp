#include "sdk/core/3d_object.h"

#include "sdk/core/index_buffer.h"

#include <cstring>

C3DObject::C3DObject()
    : m_pSettings(nullptr), m_dwVertexCount(0), m_dwPartCount(0), m_abyReserved{}, m_dwKind(0),
      m_dwRenderFlags(0), m_matObject{}, m_pWorldMatrix(nullptr), m_pIndexBuffer(nullptr),
      m_pDrawIndexBuffer(nullptr), m_pMaterials(nullptr), m_ppTextures(nullptr), m_dwColorFactor(0xFFFFFFFFu),
      m_fUserValue(0.0f)
{
}

C3DObject::~C3DObject() = default;

ZRESULT C3DObject::Attach(SEngineSettings* pSettings)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT C3DObject::Release() { return ZP_OK; }
void C3DObject::Reserved3() {}
ZRESULT C3DObject::ApplyProjection() { return ZP_OK; }
ZRESULT C3DObject::Draw(int32_t) { return ZP_OK; }
ZRESULT C3DObject::DrawPart(uint32_t) { return ZP_OK; }
ZRESULT C3DObject::DrawGeometry(int32_t) { return ZP_OK; }
ZRESULT C3DObject::DrawPartGeometry(uint32_t) { return ZP_OK; }
ZRESULT C3DObject::PreparePart(uint32_t) { return ZP_OK; }
ZRESULT C3DObject::DrawRange(uint32_t, uint32_t, int32_t, int32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved11(uint32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved12(uint32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved13(uint32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved14(uint32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved15(uint32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::Reserved16(uint32_t, uint32_t) { return ZP_OK; }
void* C3DObject::GetIndexData() { return nullptr; }
void* C3DObject::GetVertexData() { return nullptr; }
SMatrix* C3DObject::ResetMatrix()
{
  m_pWorldMatrix = &m_matObject;
  return m_pWorldMatrix;
}
ZRESULT C3DObject::SetupGeometry(uint32_t, uint32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::LockIndices() { return ZP_OK; }
void C3DObject::SetIndex(uint32_t, uint32_t) {}
uint32_t C3DObject::GetIndex(uint32_t) { return 0xFFFFFFFFu; }
void C3DObject::SetVertex(uint32_t, float, float, float, uint32_t, float, float, float, float, float,
                          uint32_t)
{
}
void C3DObject::SetPosition(uint32_t, const SVector3*) {}
void C3DObject::SetTexCoord(uint32_t, const SVector2*) {}
void C3DObject::SetNormal(uint32_t, const SVector3*) {}
void C3DObject::SetDiffuse(uint32_t, uint32_t) {}
void C3DObject::SetSpecular(uint32_t, uint32_t) {}

void C3DObject::GetVertex(uint32_t, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                          SVector3* pNormal, uint32_t* pSpecular)
{
  if (pPosition)
    *pPosition = SVector3{ 0.0f, 0.0f, 0.0f };
  if (pDiffuse)
    *pDiffuse = 0;
  if (pTexCoord)
    *pTexCoord = SVector2{ 0.0f, 0.0f };
  if (pNormal)
    *pNormal = SVector3{ 0.0f, 0.0f, 0.0f };
  if (pSpecular)
    *pSpecular = 0;
}

SVector3* C3DObject::GetPositionAddress(uint32_t) { return nullptr; }
void C3DObject::GetPosition(uint32_t, SVector3* pOut)
{
  if (pOut)
    *pOut = SVector3{ 0.0f, 0.0f, 0.0f };
}
SVector2* C3DObject::GetTexCoordAddress(uint32_t) { return nullptr; }
void C3DObject::GetTexCoord(uint32_t, SVector2* pOut)
{
  if (pOut)
    *pOut = SVector2{ 0.0f, 0.0f };
}
SVector3* C3DObject::GetNormalAddress(uint32_t) { return nullptr; }
void C3DObject::GetNormal(uint32_t, SVector3* pOut)
{
  if (pOut)
    *pOut = SVector3{ 0.0f, 0.0f, 0.0f };
}
uint32_t* C3DObject::GetDiffuseAddress(uint32_t) { return nullptr; }
void C3DObject::GetDiffuse(uint32_t, uint32_t* pOut)
{
  if (pOut)
    *pOut = 0;
}
uint32_t* C3DObject::GetSpecularAddress(uint32_t) { return nullptr; }
void C3DObject::GetSpecular(uint32_t, uint32_t* pOut)
{
  if (pOut)
    *pOut = 0;
}
ZRESULT C3DObject::GetPart(uint32_t, uint32_t*) { return ZP_FAIL; }
ZRESULT C3DObject::GetPartInfo(uint32_t, uint32_t*, uint32_t*, uint32_t*, uint32_t*, uint32_t*, uint32_t*,
                               uint32_t*, uint32_t*)
{
  return ZP_FAIL;
}
ZRESULT C3DObject::Commit() { return ZP_OK; }
void C3DObject::SetPrimitiveTypeAll(uint32_t, int32_t) {}
void C3DObject::SetPrimitiveType(uint32_t, uint32_t) {}
uint32_t C3DObject::GetPrimitiveType(uint32_t) { return 0; }
void C3DObject::QueryPrimitiveType(uint32_t, uint32_t* pType)
{
  if (pType)
    *pType = 0;
}
void C3DObject::SetCullModeAll(uint32_t, int32_t) {}
void C3DObject::SetCullMode(uint32_t, uint32_t) {}
uint32_t C3DObject::GetCullMode(uint32_t) { return 0; }
void C3DObject::QueryCullMode(uint32_t, uint32_t* pMode)
{
  if (pMode)
    *pMode = 0;
}
ZRESULT C3DObject::ComputeNormals() { return ZP_OK; }
uint32_t C3DObject::SetColorFactor(uint32_t dwLevel) { return dwLevel; }
void C3DObject::SetUserValue(float) {}
ZRESULT C3DObject::SetTextureFromMemory(uint32_t, uint32_t, const void*, uint32_t, int32_t, uint32_t,
                                        const char*)
{
  return ZP_OK;
}
ZRESULT C3DObject::SetPartTextureFromMemory(uint32_t, uint32_t, const void*, uint32_t, int32_t, uint32_t,
                                            const char*)
{
  return ZP_OK;
}
ZRESULT C3DObject::SetTextureFromFile(uint32_t, uint32_t, const char*, int32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::SetPartTextureFromFile(uint32_t, uint32_t, const char*, int32_t, uint32_t)
{
  return ZP_OK;
}
ZRESULT C3DObject::Reserved59(uint32_t, uint32_t) { return ZP_FAIL; }
void C3DObject::SetTextureAll(CTexture*, int32_t, uint32_t) {}
void C3DObject::SetTexture(CTexture*, uint32_t, uint32_t) {}
CTexture* C3DObject::GetTexture(uint32_t, uint32_t) { return nullptr; }
ZRESULT C3DObject::ReleaseTextureAll(int32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::ReleasePartTexture(uint32_t, uint32_t) { return ZP_OK; }
ZRESULT C3DObject::ImportModel(uint32_t, uint32_t, const char*) { return ZP_FAIL; }
ZRESULT C3DObject::ImportModel(const char*) { return ZP_FAIL; }
ZRESULT C3DObject::ExportModel(uint32_t) { return ZP_FAIL; }
ZRESULT C3DObject::BuildFromModel(const void*) { return ZP_FAIL; }
ZRESULT C3DObject::Reserved69(const void*) { return ZP_FAIL; }
ZRESULT C3DObject::BuildShape(uint32_t, void*) { return ZP_FAIL; }
ZRESULT C3DObject::RecordRenderStates() { return ZP_OK; }
void C3DObject::ApplyRenderStates() {}

void C3DObject::SetSequentialIndices()
{
  if (!m_pDrawIndexBuffer)
    return;
  uint32_t dwCount = m_pDrawIndexBuffer->GetIndexCount();
  for (uint32_t i = 0; i < dwCount; ++i)
    SetIndex(i, i);
}

void C3DObject::SetPart(uint32_t dwPart, uint32_t dwBaseVertex, uint32_t dwVertexCount, uint32_t dwFirstIndex,
                        uint32_t dwIndexCount, uint32_t dwPrimitiveCount, uint32_t dwPrimitiveType,
                        uint32_t dwCullMode, int32_t iMaterial)
{
  if (!m_pDrawIndexBuffer)
    return;
  SPartRecord* p = m_pDrawIndexBuffer->GetPart(dwPart);
  if (!p)
    return;
  p->dwMaterial = iMaterial == -1 ? dwPart : static_cast<uint32_t>(iMaterial);
  p->dwBaseVertex = dwBaseVertex;
  p->dwVertexCount = dwVertexCount;
  p->dwFirstIndex = dwFirstIndex;
  p->dwIndexCount = dwIndexCount;
  p->dwPrimitiveCount = dwPrimitiveCount;
  SetPrimitiveType(dwPart, dwPrimitiveType);
  SetCullMode(dwPart, dwCullMode);
}
