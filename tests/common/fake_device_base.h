#pragma once

// What the fake devices of the core and scene tests share: a camera made in Create and
// deleted in Destroy, real index buffers and shaders, and the objects and textures of
// the test's own fake classes.

#include "sdk/core/3d_engine.h"
#include "sdk/core/camera.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/shader.h"

template <class TCamera, class TObject, class TTexture> class TFakeDeviceBase : public C3DEngine
{
public:
  ~TFakeDeviceBase() override { delete m_pCamera; }

  ZRESULT Create(SEngineSettings* pSettings, zos::CWindow* hWnd) override
  {
    m_pCamera = new TCamera();
    m_pCamera->Attach(pSettings);
    return C3DEngine::Create(pSettings, hWnd);
  }
  ZRESULT Destroy() override
  {
    delete m_pCamera;
    m_pCamera = nullptr;
    return C3DEngine::Destroy();
  }
  C3DObject* CreateObject(uint32_t dwKind, uint32_t dwRenderFlags) override
  {
    if (!ObjectClassBit(dwKind))
      return nullptr;
    return AdoptObject(new TObject(), dwKind, dwRenderFlags);
  }
  CIndexBuffer* CreateIndexBuffer(uint32_t, uint32_t, uint32_t dwType) override
  {
    if (dwType == INDEX_TYPE_16)
      return AdoptIndexBuffer(new CIndexBuffer16(), dwType);
    if (dwType == INDEX_TYPE_32)
      return AdoptIndexBuffer(new CIndexBuffer32(), dwType);
    return nullptr;
  }
  CTexture* CreateTexture(uint32_t dwKind, uint32_t dwFlags) override
  {
    return AdoptTexture(new TTexture(), dwKind, dwFlags);
  }
  CShader* CreateShader(uint32_t dwKind, uint32_t) override { return AdoptShader(new CShader(), dwKind); }

  static uint32_t Count(CPtrList& list)
  {
    uint32_t n = 0;
    for (void* p = list.First(); p; p = list.Next())
      ++n;
    return n;
  }
};
