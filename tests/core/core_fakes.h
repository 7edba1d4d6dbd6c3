#pragma once

// A small fake platform for the engine-core tests: a device, camera, mesh object with
// engine-layout vertices, and a texture, each recording what is done to it.

#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_mesh_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/shader.h"
#include "sdk/core/texture.h"
#include "tests/common/fake_device_base.h"

#include <cstring>
#include <string>
#include <vector>

// Every call the fakes see, in order ("BeginFrame", "Update", ...).
inline std::vector<std::string>& CallLog()
{
  static std::vector<std::string> s_log;
  return s_log;
}
inline void LogCall(const std::string& s) { CallLog().push_back(s); }

inline int& TexturesDeleted()
{
  static int s_n = 0;
  return s_n;
}
inline int& ObjectsDeleted()
{
  static int s_n = 0;
  return s_n;
}

class CFakeCamera : public CCamera
{
public:
  ZRESULT UpdateView() override
  {
    LogCall("UpdateView");
    return CCamera::UpdateView();
  }
  ZRESULT ApplyPerspective() override
  {
    LogCall("ApplyPerspective");
    return ZP_OK;
  }
  ZRESULT ApplyOrtho() override
  {
    LogCall("ApplyOrtho");
    return ZP_OK;
  }
  ZRESULT ApplyGamma() override
  {
    LogCall("ApplyGamma");
    return ZP_OK;
  }
  ZRESULT Refresh() override
  {
    LogCall("Refresh");
    return ZP_OK;
  }
  ZRESULT ResetModelView() override
  {
    LogCall("ResetModelView");
    return ZP_OK;
  }
  ZRESULT Resize() override
  {
    LogCall("Resize");
    return CCamera::Resize();
  }
};

// Engine-layout vertices; the part records hold "platform" codes (engine + 10 for the
// primitive type, engine + 20 for the cull mode) so that conversions are visible.
class CFakeObject : public C3DMeshObject
{
public:
  struct SVertex
  {
    SVector3 p;
    uint32_t diffuse;
    SVector2 t;
    SVector3 n;
    uint32_t specular;
  };

  std::vector<SVertex> v;
  int iUploads = 0;
  int iAllocs = 0;

  ~CFakeObject() override { ++ObjectsDeleted(); }

  ZRESULT AllocateVertices(uint32_t dwCount, uint32_t) override
  {
    ++iAllocs;
    v.assign(dwCount, SVertex{});
    return ZP_OK;
  }
  ZRESULT Upload() override
  {
    ++iUploads;
    return ZP_OK;
  }
  ZRESULT Release() override
  {
    v.clear();
    return C3DMeshObject::Release();
  }
  void* GetVertexData() override { return v.empty() ? nullptr : v.data(); }

  void SetVertex(uint32_t i, float x, float y, float z, uint32_t d, float u, float vv, float nx, float ny,
                 float nz, uint32_t s) override
  {
    if (i < v.size())
      v[i] = SVertex{ { x, y, z }, d, { u, vv }, { nx, ny, nz }, s };
  }
  void SetPosition(uint32_t i, const SVector3* p) override
  {
    if (i < v.size())
      v[i].p = *p;
  }
  void SetTexCoord(uint32_t i, const SVector2* p) override
  {
    if (i < v.size())
      v[i].t = *p;
  }
  void SetNormal(uint32_t i, const SVector3* p) override
  {
    if (i < v.size())
      v[i].n = *p;
  }
  void SetDiffuse(uint32_t i, uint32_t c) override
  {
    if (i < v.size())
      v[i].diffuse = c;
  }
  void SetSpecular(uint32_t i, uint32_t c) override
  {
    if (i < v.size())
      v[i].specular = c;
  }
  void GetPosition(uint32_t i, SVector3* p) override { *p = v.at(i).p; }
  void GetNormal(uint32_t i, SVector3* p) override { *p = v.at(i).n; }
  void GetTexCoord(uint32_t i, SVector2* p) override { *p = v.at(i).t; }

  void SetPrimitiveType(uint32_t part, uint32_t type) override
  {
    if (SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(part) : nullptr)
      p->dwPrimitiveType = type + 10;
  }
  uint32_t GetPrimitiveType(uint32_t part) override
  {
    SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(part) : nullptr;
    return p ? p->dwPrimitiveType - 10 : 0;
  }
  void SetCullMode(uint32_t part, uint32_t mode) override
  {
    if (SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(part) : nullptr)
      p->dwCullMode = mode + 20;
  }
  uint32_t GetCullMode(uint32_t part) override
  {
    SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(part) : nullptr;
    return p ? p->dwCullMode - 20 : 0;
  }

  // Draws count primitives into the record's counters, like every platform does.
  ZRESULT Draw(int32_t iParts) override
  {
    LogCall("Draw");
    ApplyProjection();
    uint32_t n = iParts < 0 ? m_dwPartCount : static_cast<uint32_t>(iParts);
    for (uint32_t i = 0; i < n && m_pDrawIndexBuffer; ++i)
    {
      SPartRecord* p = m_pDrawIndexBuffer->GetPart(i);
      m_pSettings->adwCounters[0] += p->dwVertexCount;
      m_pSettings->adwCounters[1] += p->dwIndexCount;
      m_pSettings->adwCounters[2] += p->dwPrimitiveCount;
    }
    return ZP_OK;
  }

  SMaterial* Materials() const { return m_pMaterials; }
  uint32_t ClassBit() const { return ObjectClassBit(m_dwKind); }
};

// Data starting with "BAD" fails to load; anything else loads.
class CFakeTexture : public CTexture
{
public:
  ~CFakeTexture() override { ++TexturesDeleted(); }
  ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t r, const char* szName) override
  {
    if (pData && dwSize >= 3 && memcmp(pData, "BAD", 3) == 0)
      return ZP_FAIL;
    return CTexture::LoadFromMemory(pData, dwSize, r, szName);
  }
  ZRESULT LoadFromFile(const char* szPath, uint32_t r) override
  {
    if (szPath && strstr(szPath, "missing"))
      return ZP_FAIL;
    return CTexture::LoadFromFile(szPath, r);
  }
};

class CFakeDevice : public TFakeDeviceBase<CFakeCamera, CFakeObject, CFakeTexture>
{
public:
  bool bFailBeginFrame = false;
  bool bFailEndFrame = false;
  bool bFailCreate = false;

  ZRESULT Create(SEngineSettings* pSettings, zos::CWindow* hWnd) override
  {
    LogCall("Create");
    return bFailCreate ? ZP_FAIL : TFakeDeviceBase::Create(pSettings, hWnd);
  }
  ZRESULT Destroy() override
  {
    LogCall("Destroy");
    return TFakeDeviceBase::Destroy();
  }
  ZRESULT ApplyFog() override
  {
    LogCall("ApplyFog");
    return ZP_OK;
  }
  ZRESULT ApplyLights() override
  {
    LogCall("ApplyLights");
    return ZP_OK;
  }
  ZRESULT BeginFrame() override
  {
    LogCall("BeginFrame");
    return bFailBeginFrame ? ZP_FAIL : ZP_OK;
  }
  ZRESULT EndFrame() override
  {
    LogCall("EndFrame");
    return bFailEndFrame ? ZP_FAIL : ZP_OK;
  }
};
