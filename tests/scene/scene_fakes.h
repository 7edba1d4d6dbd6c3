#pragma once

// A recording fake platform for the scene tests: a device whose objects keep their
// vertices in the engine layout and write every draw into a shared journal, textures
// that fail on request, and a settings store over the built-in texts with overrides.

#include "app/scene/planeto_world.h"
#include "data/embedded.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/3d_mesh_object.h"
#include "sdk/core/device_services.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/shader.h"
#include "sdk/core/texture.h"
#include "tests/common/fake_device_base.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace scenetest
{

struct SDrawRecord
{
  const C3DObject* pObject;
  std::string sCall; // "Draw", "PreparePart", "DrawRange"
  SMatrix matrix;    // the matrix the draw used
  const CTexture* apTextures[2];
  uint32_t dwColorFactor;
  float fUserValue;
  uint32_t dwFirst; // DrawRange: first vertex
  uint8_t bFog, bSpecular, bAlpha;
};

struct SJournal
{
  std::vector<std::pair<uint32_t, uint32_t>> objects; // CreateObject (kind, flags) in order
  std::vector<uint32_t> textures;                     // CreateTexture flags in order
  std::vector<std::string> loads;                     // LoadFromMemory names in order
  std::vector<SDrawRecord> draws;
  std::set<std::string> badImages; // names whose decoding fails
  std::set<const void*> badReleases; // textures whose release fails
  int iFailObjectAt = -1;          // CreateObject number that fails
  bool bServices = false;          // the device offers both services
  bool bMeasureFails = false;      // the occlusion service cannot measure
  void Clear() { *this = SJournal(); }
};

inline SJournal& Journal()
{
  static SJournal s_journal;
  return s_journal;
}

class CFakeTexture : public CTexture
{
public:
  ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t r, const char* szName) override
  {
    Journal().loads.push_back(szName ? szName : "");
    if (szName && Journal().badImages.count(szName))
      return ZP_FAIL;
    return CTexture::LoadFromMemory(pData, dwSize, r, szName);
  }
  ZRESULT Release() override
  {
    const ZRESULT r = CTexture::Release();
    return Journal().badReleases.count(this) ? ZP_FAIL : r;
  }
};

class CFakeObject : public C3DMeshObject
{
public:
  struct SVertex
  {
    SVector3 p;
    uint32_t diffuse;
    SVector2 t;
  };
  std::vector<SVertex> v;
  int iCommits = 0;

  ZRESULT AllocateVertices(uint32_t dwCount, uint32_t) override
  {
    v.assign(dwCount, SVertex{});
    return ZP_OK;
  }
  ZRESULT Upload() override
  {
    ++iCommits;
    return ZP_OK;
  }
  ZRESULT Release() override
  {
    v.clear();
    return C3DMeshObject::Release();
  }
  void SetVertex(uint32_t i, float x, float y, float z, uint32_t d, float u, float vv, float, float, float,
                 uint32_t) override
  {
    if (i < v.size())
      v[i] = SVertex{ { x, y, z }, d, { u, vv } };
  }
  void SetPosition(uint32_t i, const SVector3* p) override
  {
    if (i < v.size())
      v[i].p = *p;
  }
  void GetPosition(uint32_t i, SVector3* p) override { *p = i < v.size() ? v[i].p : SVector3{}; }
  SVector3* GetPositionAddress(uint32_t i) override { return i < v.size() ? &v[i].p : nullptr; }

  // The part records keep the engine codes themselves.
  void SetPrimitiveType(uint32_t dwPart, uint32_t dwType) override
  {
    if (SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr)
      p->dwPrimitiveType = dwType;
  }
  uint32_t GetPrimitiveType(uint32_t dwPart) override
  {
    SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr;
    return p ? p->dwPrimitiveType : 0;
  }
  void SetCullMode(uint32_t dwPart, uint32_t dwMode) override
  {
    if (SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr)
      p->dwCullMode = dwMode;
  }
  uint32_t GetCullMode(uint32_t dwPart) override
  {
    SPartRecord* p = m_pDrawIndexBuffer ? m_pDrawIndexBuffer->GetPart(dwPart) : nullptr;
    return p ? p->dwCullMode : 0;
  }

  ZRESULT Draw(int32_t) override
  {
    Record("Draw", 0);
    return ZP_OK;
  }
  ZRESULT PreparePart(uint32_t) override
  {
    Record("PreparePart", 0);
    return ZP_OK;
  }
  ZRESULT DrawRange(uint32_t dwFirst, uint32_t, int32_t, int32_t) override
  {
    Record("DrawRange", dwFirst);
    return ZP_OK;
  }

private:
  void Record(const char* pszCall, uint32_t dwFirst)
  {
    SDrawRecord r;
    r.pObject = this;
    r.sCall = pszCall;
    r.matrix = *m_pWorldMatrix;
    r.apTextures[0] = m_dwPartCount ? GetTexture(0, 0) : nullptr;
    r.apTextures[1] = m_dwPartCount ? GetTexture(0, 1) : nullptr;
    r.dwColorFactor = m_dwColorFactor;
    r.fUserValue = m_fUserValue;
    r.dwFirst = dwFirst;
    r.bFog = m_pSettings->swFog.bCurrent;
    r.bSpecular = m_pSettings->swSpecular.bCurrent;
    r.bAlpha = m_pSettings->swAlpha.bCurrent;
    Journal().draws.push_back(r);
  }
};

// Services that only write what they are asked into the journal: MarkVolume (first =
// side count), DarkenMarked (colour factor = colour), Measure, DrawAdditive (the object,
// first = fade), DrawOverlays.
class CFakeShadowService : public CShadowVolumeService
{
public:
  void MarkVolume(const SVector3*, uint32_t dwSides, const SVector3*, uint32_t) override
  {
    Note("MarkVolume", nullptr, dwSides);
  }
  void DarkenMarked(uint32_t dwColor) override { Note("DarkenMarked", nullptr, 0, dwColor); }
  void DrawWireFrame(const SVector3*, uint32_t dwCount) override { Note("DrawWireFrame", nullptr, dwCount); }

  static void Note(const char* pszCall, const C3DObject* pObject, uint32_t dwFirst, uint32_t dwColor = 0)
  {
    SDrawRecord r{};
    r.pObject = pObject;
    r.sCall = pszCall;
    r.dwFirst = dwFirst;
    r.dwColorFactor = dwColor;
    Journal().draws.push_back(r);
  }
};

class CFakeOcclusionService : public CSunOcclusionService
{
public:
  ZRESULT Reset() override { return ZP_OK; }
  bool Measure(const SMatrix*, float, float, float, C3DObject* pDisc, CTexture*, const SOccluder*,
               uint32_t) override
  {
    CFakeShadowService::Note("Measure", pDisc, 0);
    return !Journal().bMeasureFails;
  }
  void DrawOverlays() override { CFakeShadowService::Note("DrawOverlays", nullptr, 0); }
  void DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how) override
  {
    CFakeShadowService::Note("DrawAdditive", pObject, how.bFade ? 1 : 0);
  }
};

class CFakeDevice : public TFakeDeviceBase<CCamera, CFakeObject, CFakeTexture>
{
public:
  CShadowVolumeService* GetShadowVolumeService() override
  {
    return Journal().bServices ? &m_shadows : nullptr;
  }
  CSunOcclusionService* GetSunOcclusionService() override
  {
    return Journal().bServices ? &m_occlusion : nullptr;
  }

  C3DObject* CreateObject(uint32_t dwKind, uint32_t dwRenderFlags) override
  {
    SJournal& j = Journal();
    j.objects.emplace_back(dwKind, dwRenderFlags);
    if (static_cast<int>(j.objects.size()) - 1 == j.iFailObjectAt)
      return nullptr;
    return TFakeDeviceBase::CreateObject(dwKind, dwRenderFlags);
  }
  CTexture* CreateTexture(uint32_t dwKind, uint32_t dwFlags) override
  {
    Journal().textures.push_back(dwFlags);
    return TFakeDeviceBase::CreateTexture(dwKind, dwFlags);
  }

private:
  CFakeShadowService m_shadows;
  CFakeOcclusionService m_occlusion;
};

// The running platform's flags, as the fake module describes them.
inline uint32_t& FakePlatformFlags()
{
  static uint32_t s_dwFlags = PLATFORM_OPENGL12;
  return s_dwFlags;
}

inline CFakeDevice*& LastDevice()
{
  static CFakeDevice* s_pDevice = nullptr;
  return s_pDevice;
}

inline ZRESULT FakeDescribe(SPlatformDesc* pDesc)
{
  std::memset(pDesc, 0, sizeof(*pDesc));
  std::strcpy(pDesc->szName, "Fake");
  pDesc->dwFlags = FakePlatformFlags();
  return ZP_OK;
}
inline C3DEngine* FakeCreate()
{
  LastDevice() = new CFakeDevice();
  return LastDevice();
}
inline void FakeDestroy(C3DEngine* pDevice)
{
  if (pDevice == LastDevice())
    LastDevice() = nullptr;
  delete pDevice;
}

// A store over a built-in text whose values can be overridden or removed.
class COverrideStore : public CSettingsStore
{
public:
  explicit COverrideStore(const char* pszText)
  {
    const SEmbeddedFile* f = pszText ? FindEmbeddedText(pszText) : nullptr;
    if (f)
      m_pIni = std::make_unique<CIniSettings>(reinterpret_cast<const char*>(f->data), f->size);
  }
  void Set(const std::string& section, const std::string& key, const std::string& value)
  {
    m_values[section + "/" + key] = value;
  }
  void Remove(const std::string& section, const std::string& key) { m_removed.insert(section + "/" + key); }

  bool GetBool(const char* s, const char* k, bool d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return std::atoi(v.c_str()) != 0; }, &CIniSettings::GetBool);
  }
  uint8_t GetByte(const char* s, const char* k, uint8_t d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return static_cast<uint8_t>(std::atol(v.c_str())); },
        &CIniSettings::GetByte);
  }
  uint16_t GetShort(const char* s, const char* k, uint16_t d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return static_cast<uint16_t>(std::atol(v.c_str())); },
        &CIniSettings::GetShort);
  }
  int32_t GetInt(const char* s, const char* k, int32_t d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return static_cast<int32_t>(std::atol(v.c_str())); },
        &CIniSettings::GetInt);
  }
  float GetFloat(const char* s, const char* k, float d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return static_cast<float>(std::atof(v.c_str())); },
        &CIniSettings::GetFloat);
  }
  double GetDouble(const char* s, const char* k, double d) override
  {
    return Get(
        s, k, d, [](const std::string& v) { return std::atof(v.c_str()); }, &CIniSettings::GetDouble);
  }
  ZRESULT GetString(const char* s, const char* k, const char* d, char* out, uint32_t n) override
  {
    const std::string* p = Find(s, k);
    if (p)
    {
      std::strncpy(out, p->c_str(), n - 1);
      out[n - 1] = 0;
      return ZP_OK;
    }
    return Gone(s, k) || !m_pIni ? ZP_FAIL : m_pIni->GetString(s, k, d, out, n);
  }

private:
  // An override wins; a removed key, or a store without text, gives the default.
  template <typename T, typename TConvert> T Get(const char* s, const char* k, T d, TConvert convert,
                                                 T (CIniSettings::*pGet)(const char*, const char*, T))
  {
    if (const std::string* p = Find(s, k))
      return convert(*p);
    return Gone(s, k) || !m_pIni ? d : (m_pIni.get()->*pGet)(s, k, d);
  }
  const std::string* Find(const char* s, const char* k) const
  {
    auto it = m_values.find(std::string(s) + "/" + k);
    return it == m_values.end() ? nullptr : &it->second;
  }
  bool Gone(const char* s, const char* k) const { return m_removed.count(std::string(s) + "/" + k) != 0; }

  std::unique_ptr<CIniSettings> m_pIni;
  std::map<std::string, std::string> m_values;
  std::set<std::string> m_removed;
};

} // namespace scenetest
