#pragma once

#include "sdk/core/3d_object.h"
#include "sdk/core/index_buffer.h"
#include "sdk/core/ptr_list.h"
#include "sdk/core/result.h"

#include <cstdint>
#include <new>
#include <vector>

class C3DObject;
class CCamera;
class CShadowVolumeService;
class CSunOcclusionService;
class CIndexBuffer;
class CShader;
class CTexture;
namespace zos
{
class CWindow;
}
struct SEngineSettings;

// Object kind flags (first argument of CreateObject).
constexpr uint32_t OBJECT_KIND_SHAREABLE = 0x0001;
constexpr uint32_t OBJECT_KIND_MESH = 0x0002;
constexpr uint32_t OBJECT_KIND_BARE = 0x0004;
// Point sprites.  Drawn whole (Draw), each point takes its size in percent from its
// texture coordinate u (sprites make their own texture coordinates) and its colour from
// its vertex; DrawRange gives all its points the user value and the colour factor.
constexpr uint32_t OBJECT_KIND_SPRITES = 0x0008;
constexpr uint32_t OBJECT_KIND_SCREEN = 0x0010;
constexpr uint32_t OBJECT_KIND_NORMALS = 0x0400;
constexpr uint32_t OBJECT_KIND_INDEX16 = 0x0800;
constexpr uint32_t OBJECT_KIND_INDEX32 = 0x1000;
constexpr uint32_t OBJECT_KIND_CLASS_MASK =
    OBJECT_KIND_MESH | OBJECT_KIND_BARE | OBJECT_KIND_SPRITES | OBJECT_KIND_SCREEN;
// Texture and shader kinds share the shareable bit.
constexpr uint32_t TEXTURE_KIND_SHAREABLE = 0x0001;

// The class bit CreateObject builds for a kind: the first of 0x2, 0x4, 0x8, 0x10 that
// is set, or 0.
uint32_t ObjectClassBit(uint32_t dwKind);

// The device base.  Every video platform derives its device from it and keeps the
// slot order of these fifteen operations.  The device owns everything it creates in
// its four lists, from creation to destruction; Destroy frees what is left.
class C3DEngine
{
public:
  C3DEngine();
  virtual ~C3DEngine(); // 0

  // 1: the base stores the record; platforms call it last, after their own set-up.
  virtual ZRESULT Create(SEngineSettings* pSettings, zos::CWindow* hWnd);
  // 2: empties the four lists, writes leak lines; platforms call it last.
  virtual ZRESULT Destroy();
  virtual ZRESULT ApplyFog();                                               // 3
  virtual ZRESULT ApplyLights();                                            // 4
  virtual ZRESULT BeginFrame();                                             // 5
  virtual ZRESULT EndFrame();                                               // 6
  virtual C3DObject* CreateObject(uint32_t dwKind, uint32_t dwRenderFlags); // 7: null here
  // 8-14: the destroy operations are shared by every platform and implemented here.
  virtual ZRESULT DestroyObject(C3DObject* pObject); // 8
  virtual CIndexBuffer* CreateIndexBuffer(uint32_t dwIgnored1, uint32_t dwIgnored2,
                                          uint32_t dwType);                  // 9: null here
  virtual ZRESULT DestroyIndexBuffer(CIndexBuffer* pBuffer);                 // 10
  virtual CTexture* CreateTexture(uint32_t dwKind, uint32_t dwTextureFlags); // 11: null here
  virtual ZRESULT DestroyTexture(CTexture* pTexture);                        // 12
  virtual CShader* CreateShader(uint32_t dwKind, uint32_t dwIgnored);        // 13: null here
  virtual ZRESULT DestroyShader(CShader* pShader);                           // 14
  // 15, 16: the optional services (sdk/core/device_services.h), owned by the device and
  // valid from Create to Destroy; null here and on every device that lacks them.
  virtual CShadowVolumeService* GetShadowVolumeService(); // 15
  virtual CSunOcclusionService* GetSunOcclusionService(); // 16
  // 17: the frame last presented, read through the device as 0xAARRGGBB words, top row
  // first.  False on a device that leaves this to the window system, where the window
  // itself is read; a device whose frames may still be on their way to the window
  // after Present answers here.
  virtual bool ReadPresentedFrame(int* pWidth, int* pHeight, std::vector<uint32_t>* pPixels); // 17
  // 18: the longest side a texture may have on this device; 0 when it sets no limit.
  virtual uint32_t GetMaxTextureSide(); // 18

  // Find-or-create: with kind bit 0x1 an already listed shareable texture of the same
  // kind, flags and base name gains a reference and is returned; otherwise a new one is
  // created and loaded.  Null on failure.
  CTexture* LoadTexture(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData, uint32_t dwSize,
                        const char* szName);
  CTexture* LoadTextureFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath);
  // One more reference on a listed texture (each texture-table entry of an object holds
  // one).  False when the texture is not listed.
  bool AddRefTexture(CTexture* pTexture);

  SEngineSettings* GetSettings() const { return m_pSettings; }
  CCamera* GetCamera() const { return m_pCamera; }

  C3DEngine(const C3DEngine&) = delete;
  C3DEngine& operator=(const C3DEngine&) = delete;

protected:
  // The creation pattern every platform follows, once the platform class is built:
  // store the flags, Attach, and list it (shareable = kind bit 0x1).  A failed Attach
  // releases and deletes the item and gives null.  A null item gives null.
  C3DObject* AdoptObject(C3DObject* pObject, uint32_t dwKind, uint32_t dwRenderFlags);
  CTexture* AdoptTexture(CTexture* pTexture, uint32_t dwKind, uint32_t dwTextureFlags);
  CShader* AdoptShader(CShader* pShader, uint32_t dwKind);
  // Stores the type and lists the buffer (not attached: its owner attaches it).
  CIndexBuffer* AdoptIndexBuffer(CIndexBuffer* pBuffer, uint32_t dwType);

  // The device factory: a platform names its classes, the object's by the first kind
  // bit (0x2 mesh, 0x4 bare, 0x8 sprites, 0x10 screen), and what their constructors
  // take; every device builds and adopts them alike.
  template <class TMesh, class TBare, class TSprites, class TScreen, class... TArgs>
  C3DObject* MakeObject(uint32_t dwKind, uint32_t dwRenderFlags, TArgs... args)
  {
    C3DObject* pObject = nullptr;
    switch (ObjectClassBit(dwKind))
    {
      case OBJECT_KIND_MESH: pObject = new (std::nothrow) TMesh(args...); break;
      case OBJECT_KIND_BARE: pObject = new (std::nothrow) TBare(args...); break;
      case OBJECT_KIND_SPRITES: pObject = new (std::nothrow) TSprites(args...); break;
      case OBJECT_KIND_SCREEN: pObject = new (std::nothrow) TScreen(args...); break;
      default: return nullptr;
    }
    return AdoptObject(pObject, dwKind, dwRenderFlags);
  }
  template <class T16, class T32> CIndexBuffer* MakeIndexBuffer(uint32_t dwType)
  {
    if (dwType == INDEX_TYPE_16)
      return AdoptIndexBuffer(new (std::nothrow) T16(), dwType);
    if (dwType == INDEX_TYPE_32)
      return AdoptIndexBuffer(new (std::nothrow) T32(), dwType);
    return nullptr;
  }
  template <class TTexture> CTexture* MakeTexture(uint32_t dwKind, uint32_t dwTextureFlags)
  {
    return AdoptTexture(new (std::nothrow) TTexture(), dwKind, dwTextureFlags);
  }

public:
  SEngineSettings* m_pSettings;
  CCamera* m_pCamera; // created by the platform's Create, deleted by the platform
  CSharedPtrList m_plistObjects;
  CSharedPtrList m_plistTextures;
  CSharedPtrList m_plistShaders;
  CPtrList m_plistObjectsIndex;

private:
  CTexture* FindSharedTexture(uint32_t dwKind, uint32_t dwTextureFlags, const char* szName);
};
