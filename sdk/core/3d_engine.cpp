#include "sdk/core/3d_engine.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/camera.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/log.h"
#include "sdk/core/shader.h"
#include "sdk/core/texture.h"

#include <cstring>

uint32_t ObjectClassBit(uint32_t dwKind)
{
  static const uint32_t s_adwOrder[] = { OBJECT_KIND_MESH, OBJECT_KIND_BARE, OBJECT_KIND_SPRITES,
                                         OBJECT_KIND_SCREEN };
  for (uint32_t dwBit : s_adwOrder)
  {
    if (dwKind & dwBit)
      return dwBit;
  }
  return 0;
}

C3DEngine::C3DEngine() : m_pSettings(nullptr), m_pCamera(nullptr) {}

// The lists free their own nodes; what they point at is gone by now (Destroy) or is
// deliberately not touched here, since a platform's part of the device is already
// destroyed when this runs.
C3DEngine::~C3DEngine() = default;

ZRESULT C3DEngine::Create(SEngineSettings* pSettings, zos::CWindow*)
{
  m_pSettings = pSettings;
  return ZP_OK;
}

ZRESULT C3DEngine::Destroy()
{
  const char* szLog = m_pSettings ? m_pSettings->szLogPath : nullptr;

  for (void* p = m_plistObjects.First(); p; p = m_plistObjects.ReleaseCurrent(true))
  {
    C3DObject* pObject = static_cast<C3DObject*>(p);
    pObject->Release();
    delete pObject;
  }
  if (m_plistObjects.First())
    LogMessage(szLog, 1, "# C3DEngine::m_plistObjects detected memory leaks !\n");

  for (void* p = m_plistObjectsIndex.First(); p; p = m_plistObjectsIndex.RemoveCurrent())
  {
    CIndexBuffer* pBuffer = static_cast<CIndexBuffer*>(p);
    pBuffer->Release();
    delete pBuffer;
  }
  if (m_plistObjectsIndex.First())
    LogMessage(szLog, 1, "# C3DEngine::m_plistObjectsIndex detected memory leaks !\n");

  for (void* p = m_plistTextures.First(); p; p = m_plistTextures.ReleaseCurrent(true))
  {
    CTexture* pTexture = static_cast<CTexture*>(p);
    pTexture->Release();
    delete pTexture;
  }
  if (m_plistTextures.First())
    LogMessage(szLog, 1, "# C3DEngine::m_plistTextures detected memory leaks !\n");

  for (void* p = m_plistShaders.First(); p; p = m_plistShaders.ReleaseCurrent(true))
  {
    CShader* pShader = static_cast<CShader*>(p);
    pShader->Release();
    delete pShader;
  }
  if (m_plistShaders.First())
    LogMessage(szLog, 1, "# C3DEngine::m_plistShaders detected memory leaks !\n");

  return ZP_OK;
}

ZRESULT C3DEngine::ApplyFog() { return ZP_OK; }

ZRESULT C3DEngine::ApplyLights() { return ZP_OK; }

ZRESULT C3DEngine::BeginFrame() { return ZP_OK; }

ZRESULT C3DEngine::EndFrame() { return ZP_OK; }

C3DObject* C3DEngine::CreateObject(uint32_t, uint32_t) { return nullptr; }

ZRESULT C3DEngine::DestroyObject(C3DObject* pObject)
{
  if (!pObject)
    return ZP_FAIL;
  if (!ObjectClassBit(pObject->GetKind()))
    return ZP_FAIL;
  if (!m_plistObjects.Release(pObject, false))
    return ZP_FAIL;
  ZRESULT r = pObject->Release();
  delete pObject;
  return r;
}

CIndexBuffer* C3DEngine::CreateIndexBuffer(uint32_t, uint32_t, uint32_t) { return nullptr; }

ZRESULT C3DEngine::DestroyIndexBuffer(CIndexBuffer* pBuffer)
{
  if (!pBuffer)
    return ZP_FAIL;
  if (pBuffer->GetType() != INDEX_TYPE_16 && pBuffer->GetType() != INDEX_TYPE_32)
    return ZP_FAIL;
  if (!m_plistObjectsIndex.Remove(pBuffer))
    return ZP_OK;
  ZRESULT r = pBuffer->Release();
  delete pBuffer;
  return r;
}

CTexture* C3DEngine::CreateTexture(uint32_t, uint32_t) { return nullptr; }

ZRESULT C3DEngine::DestroyTexture(CTexture* pTexture)
{
  if (!pTexture)
    return ZP_FAIL;
  if (!m_plistTextures.Release(pTexture, false))
    return ZP_OK; // still referenced, or not listed
  ZRESULT r = pTexture->Release();
  delete pTexture;
  return r;
}

CShader* C3DEngine::CreateShader(uint32_t, uint32_t) { return nullptr; }

ZRESULT C3DEngine::DestroyShader(CShader* pShader)
{
  if (!pShader)
    return ZP_FAIL;
  if (!m_plistShaders.Release(pShader, false))
    return ZP_OK;
  ZRESULT r = pShader->Release();
  delete pShader;
  return r;
}

CShadowVolumeService* C3DEngine::GetShadowVolumeService() { return nullptr; }

CSunOcclusionService* C3DEngine::GetSunOcclusionService() { return nullptr; }

uint32_t C3DEngine::GetMaxTextureSide() { return 0; }

bool C3DEngine::ReadPresentedFrame(int*, int*, std::vector<uint32_t>*) { return false; }

// ---------------------------------------------------------------------------

CTexture* C3DEngine::FindSharedTexture(uint32_t dwKind, uint32_t dwTextureFlags, const char* szName)
{
  const char* szBase = TextureBaseName(szName);
  for (void* p = m_plistTextures.First(); p; p = m_plistTextures.Next())
  {
    CTexture* pTexture = static_cast<CTexture*>(p);
    if (m_plistTextures.IsCurrentShareable() && pTexture->GetFlags() == dwTextureFlags &&
        pTexture->GetKind() == dwKind && strcmp(pTexture->GetName(), szBase) == 0)
    {
      m_plistTextures.AddRefCurrent();
      return pTexture;
    }
  }
  return nullptr;
}

CTexture* C3DEngine::LoadTexture(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData, uint32_t dwSize,
                                 const char* szName)
{
  if (dwKind & TEXTURE_KIND_SHAREABLE)
  {
    if (CTexture* pShared = FindSharedTexture(dwKind, dwTextureFlags, szName))
      return pShared;
  }
  CTexture* pTexture = CreateTexture(dwKind, dwTextureFlags);
  if (!pTexture)
    return nullptr;
  if (ZP_FAILED(pTexture->LoadFromMemory(pData, dwSize, 0, szName)))
  {
    DestroyTexture(pTexture);
    return nullptr;
  }
  return pTexture;
}

CTexture* C3DEngine::LoadTextureFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath)
{
  if (dwKind & TEXTURE_KIND_SHAREABLE)
  {
    if (CTexture* pShared = FindSharedTexture(dwKind, dwTextureFlags, szPath))
      return pShared;
  }
  CTexture* pTexture = CreateTexture(dwKind, dwTextureFlags);
  if (!pTexture)
    return nullptr;
  if (ZP_FAILED(pTexture->LoadFromFile(szPath, 0)))
  {
    DestroyTexture(pTexture);
    return nullptr;
  }
  return pTexture;
}

bool C3DEngine::AddRefTexture(CTexture* pTexture)
{
  if (!pTexture || !m_plistTextures.Find(pTexture))
    return false;
  m_plistTextures.AddRefCurrent();
  return true;
}

// ---------------------------------------------------------------------------

C3DObject* C3DEngine::AdoptObject(C3DObject* pObject, uint32_t dwKind, uint32_t dwRenderFlags)
{
  if (!pObject)
    return nullptr;
  pObject->SetFlags(dwKind, dwRenderFlags);
  if (ZP_FAILED(pObject->Attach(m_pSettings)))
  {
    // Not listed yet, so the device's DestroyObject would leave it alone: free it here.
    pObject->Release();
    delete pObject;
    return nullptr;
  }
  m_plistObjects.AddTail(pObject, (dwKind & OBJECT_KIND_SHAREABLE) != 0);
  return pObject;
}

CTexture* C3DEngine::AdoptTexture(CTexture* pTexture, uint32_t dwKind, uint32_t dwTextureFlags)
{
  if (!pTexture)
    return nullptr;
  pTexture->SetKindAndFlags(dwKind, dwTextureFlags);
  if (ZP_FAILED(pTexture->Attach(m_pSettings)))
  {
    pTexture->Release();
    delete pTexture;
    return nullptr;
  }
  m_plistTextures.AddTail(pTexture, (dwKind & TEXTURE_KIND_SHAREABLE) != 0);
  return pTexture;
}

CShader* C3DEngine::AdoptShader(CShader* pShader, uint32_t dwKind)
{
  if (!pShader)
    return nullptr;
  pShader->SetKind(dwKind);
  if (ZP_FAILED(pShader->Attach(m_pSettings)))
  {
    pShader->Release();
    delete pShader;
    return nullptr;
  }
  m_plistShaders.AddTail(pShader, (dwKind & TEXTURE_KIND_SHAREABLE) != 0);
  return pShader;
}

CIndexBuffer* C3DEngine::AdoptIndexBuffer(CIndexBuffer* pBuffer, uint32_t dwType)
{
  if (!pBuffer)
    return nullptr;
  pBuffer->SetType(dwType);
  m_plistObjectsIndex.AddTail(pBuffer);
  return pBuffer;
}
