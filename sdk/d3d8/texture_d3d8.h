#pragma once

#include "sdk/core/texture.h"

#include "sdk/d3d8/d3d8_headers.h"
#include "sdk/image/image_levels.h"

// A Direct3D 8 texture in the managed pool, decoded by the same TGA, PNG and RAW
// readers as the OpenGL textures and following the same kind and texture flags: kind
// bit 2 repeats (else clamps), and Apply reads the flags as the OpenGL texture does
// (0x02 may blend, 0x04 additive, then the first of 0x08 replace, 0x10 interpolate,
// 0x01 modulate).  TGA images make one level; PNG and RAW images a full mipmap chain,
// brought to power-of-two sides first as the OpenGL mipmap builder does.
class CTextureD3D8 : public CTexture
{
public:
  CTextureD3D8();
  ~CTextureD3D8() override; // 0

  ZRESULT Release() override;                                    // 2
  void Apply(uint32_t dwRenderFlags, uint32_t dwStage) override; // 4
  void Bind(uint32_t dwStage) override;                          // 5
  ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t dwReserved,
                         const char* szName) override;                    // 6
  ZRESULT LoadFromFile(const char* szPath, uint32_t dwReserved) override; // 7
  ZRESULT Reserved8() override;                                           // 8: unsupported
  ZRESULT LoadFromImage(const SImage* pImage, const char* szName) override; // 9
  ZRESULT BeginStaged(std::vector<SImage>* pLevels, const char* szName) override; // 10
  bool StepStaged(uint32_t dwBytes) override;                                     // 11

  IDirect3DTexture8* GetTexture() const { return m_pTexture; }
  uint32_t GetLevelCount() const { return m_dwLevels; }
  uint16_t GetWidth() const { return m_wWidth; }
  uint16_t GetHeight() const { return m_wHeight; }

  // Sampling and blending of the stage as Apply leaves them, without the texture
  // environment (the point sprites choose their own).
  void ApplySampling(uint32_t dwRenderFlags, uint32_t dwStage);

private:
  ZRESULT Load(const void* pData, uint32_t dwSize, const char* szPath, bool bFromMemory);
  ZRESULT Upload(const SImage& image, bool bMipmaps);
  // A managed A8R8G8B8 texture with room for exactly these levels; null on failure.
  IDirect3DTexture8* CreateLevels(const std::vector<SImage>& levels) const;
  // Makes pTexture this texture's, in place of the old one, with image's size.
  void Adopt(IDirect3DTexture8* pTexture, uint32_t dwLevels, const SImage& image);

  IDirect3DTexture8* m_pTexture;
  uint32_t m_dwLevels;
  CImageBands m_staged; // the rows of a staged image still to go
};
