#pragma once

#include "sdk/core/texture.h"

#include "sdk/image/image_levels.h"
#include "sdk/opengl/gl_headers.h"

// Texture kind bit 2: repeat wrapping (else clamped to the edge).
constexpr uint32_t TEXTURE_KIND_REPEAT = 0x02;

// Texture flags read by Apply.
constexpr uint32_t TEXTURE_FLAG_MODULATE = 0x01;
constexpr uint32_t TEXTURE_FLAG_BLEND = 0x02;
constexpr uint32_t TEXTURE_FLAG_ADDITIVE = 0x04;
constexpr uint32_t TEXTURE_FLAG_REPLACE = 0x08;
constexpr uint32_t TEXTURE_FLAG_INTERPOLATE = 0x10;

// An OpenGL texture read from a TGA, PNG or RAW image.
class CTextureGL : public CTexture
{
public:
  CTextureGL();
  ~CTextureGL() override; // 0

  ZRESULT Release() override;                                   // 2
  void Apply(uint32_t dwRenderFlags, uint32_t dwUnit) override; // 4
  void Bind(uint32_t dwUnit) override;                          // 5
  ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t dwReserved,
                         const char* szName) override;                    // 6
  ZRESULT LoadFromFile(const char* szPath, uint32_t dwReserved) override; // 7
  ZRESULT Reserved8() override;                                           // 8: unsupported
  ZRESULT LoadFromImage(const SImage* pImage, const char* szName) override; // 9
  ZRESULT BeginStaged(std::vector<SImage>* pLevels, const char* szName) override; // 10
  bool StepStaged(uint32_t dwBytes) override;                                     // 11

  GLuint GetTextureName() const { return m_uTexture; }
  GLenum GetPixelFormat() const { return m_ePixelFormat; }
  uint16_t GetWidth() const { return m_wWidth; }
  uint16_t GetHeight() const { return m_wHeight; }
  uint16_t GetBitsPerPixel() const { return m_wBitsPerPixel; }

private:
  ZRESULT LoadTGA(const void* pData, uint32_t dwSize, const char* szPath);
  ZRESULT LoadPNG(const void* pData, uint32_t dwSize, const char* szPath);
  ZRESULT LoadRAW(const char* szPath);
  // Uploads a decoded image: one level (TGA) or the GLU mipmap chain (PNG, RAW).
  ZRESULT Upload(const SImage& image, bool bMipmaps);
  // A new texture name, bound, with this texture's wrapping and filters; 0 on failure.
  GLuint NewTextureName(bool bMipmaps) const;
  // Makes name this texture's, in place of the old one, with the size of level 0.
  void Adopt(GLuint name, const SImage& top);
  void DeleteTexture();

  GLuint m_uTexture;
  GLenum m_ePixelFormat;
  CImageBands m_staged; // the rows of a staged image still to go
};
