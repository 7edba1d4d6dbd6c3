#include "sdk/opengl/texture_gl.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/image/image_readers.h"
#include "sdk/opengl/gl_headers.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

static_assert(IMAGE_RGB == GL_RGB && IMAGE_RGBA == GL_RGBA && IMAGE_LUMINANCE == GL_LUMINANCE &&
                  IMAGE_LUMINANCE_ALPHA == GL_LUMINANCE_ALPHA,
              "the decoded layouts go to glTexImage2D as they are");

CTextureGL::CTextureGL() : m_uTexture(0), m_ePixelFormat(0) {}

CTextureGL::~CTextureGL() { CTextureGL::Release(); }

void CTextureGL::DeleteTexture()
{
  if (m_uTexture)
    glDeleteTextures(1, &m_uTexture);
  m_uTexture = 0;
}

ZRESULT CTextureGL::Release()
{
  CTexture::Release();
  DeleteTexture();
  return ZP_OK;
}

ZRESULT CTextureGL::Reserved8() { return ZP_FAIL; }

void CTextureGL::Bind(uint32_t) { glBindTexture(GL_TEXTURE_2D, m_uTexture); }

void CTextureGL::Apply(uint32_t dwRenderFlags, uint32_t dwUnit)
{
  const SEngineSettings* s = m_pSettings;
  const SPlatformGL* p = GetPlatformGL(s);
  CStateGL* pState = p ? p->pState : nullptr;
  if (!pState)
    return;
  const bool bBlend = s && s->swAlpha.bCurrent && (dwRenderFlags & RENDER_ALPHA) && (m_dwFlags & TEXTURE_FLAG_BLEND);
  pState->Enable(GL_BLEND, bBlend);
  pState->Enable(GL_ALPHA_TEST, bBlend);
  pState->BlendFunc(GL_SRC_ALPHA, (m_dwFlags & TEXTURE_FLAG_ADDITIVE) ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA);

  pState->ActiveTexture(p->glActiveTextureARB, dwUnit);
  pState->Texture2D(true);
  glBindTexture(GL_TEXTURE_2D, m_uTexture);

  if (m_dwFlags & TEXTURE_FLAG_REPLACE)
  {
    pState->TexEnvMode(GL_REPLACE);
  }
  else if (m_dwFlags & TEXTURE_FLAG_INTERPOLATE)
  {
    pState->TexEnvMode(GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_INTERPOLATE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PREVIOUS_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_PRIMARY_COLOR_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, GL_SRC_COLOR);
  }
  else if (m_dwFlags & TEXTURE_FLAG_MODULATE)
  {
    pState->TexEnvMode(GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
  }
}

ZRESULT CTextureGL::Upload(const SImage& image, bool bMipmaps)
{
  GLuint name = 0;
  glGenTextures(1, &name);
  if (!name)
    return ZP_FAIL;
  glBindTexture(GL_TEXTURE_2D, name);
  GLint wrap = (m_dwKind & TEXTURE_KIND_REPEAT) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (bMipmaps)
  {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    if (gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(image.components), image.width, image.height,
                          image.format, GL_UNSIGNED_BYTE, image.pixels.data()) != 0)
    {
      glDeleteTextures(1, &name);
      return ZP_FAIL;
    }
  }
  else
  {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.format), image.width, image.height, 0,
                 image.format, GL_UNSIGNED_BYTE, image.pixels.data());
  }
  // A texture loaded again without Release would otherwise keep its old name forever.
  DeleteTexture();
  m_uTexture = name;
  m_wWidth = image.width;
  m_wHeight = image.height;
  m_wBitsPerPixel = image.bitsPerPixel;
  return ZP_OK;
}

ZRESULT CTextureGL::LoadTGA(const void* pData, uint32_t dwSize, const char* szPath)
{
  SImage image;
  ZRESULT r =
      pData ? ReadTGA(static_cast<const uint8_t*>(pData), dwSize, &image) : ReadTGAFile(szPath, &image);
  if (r < 0)
    return ZP_FAIL;
  m_ePixelFormat = image.format;
  return Upload(image, false);
}

ZRESULT CTextureGL::LoadPNG(const void* pData, uint32_t dwSize, const char* szPath)
{
  SImage image;
  ZRESULT r =
      pData ? ReadPNG(static_cast<const uint8_t*>(pData), dwSize, &image) : ReadPNGFile(szPath, &image);
  if (r < 0)
    return ZP_FAIL;
  return Upload(image, true);
}

ZRESULT CTextureGL::LoadRAW(const char* szPath)
{
  if (!szPath || !*szPath)
    return ZP_OK;
  SImage image;
  if (ReadRAWFile(szPath, &image) < 0)
    return ZP_FAIL;
  return Upload(image, true);
}

ZRESULT CTextureGL::LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t, const char* szName)
{
  CTexture::Release();
  ZRESULT r = ZP_FAIL;
  if (pData)
  {
    switch (ImageTypeFromName(szName))
    {
      case EImageType::TGA: r = LoadTGA(pData, dwSize, nullptr); break;
      case EImageType::PNG: r = LoadPNG(pData, dwSize, nullptr); break;
      case EImageType::RAW: r = ZP_FAIL; break; // RAW images come from files only
      case EImageType::Unknown: r = ZP_FAIL; break;
    }
  }
  SetName(szName);
  return r;
}

ZRESULT CTextureGL::LoadFromFile(const char* szPath, uint32_t)
{
  CTexture::Release();
  ZRESULT r = ZP_FAIL;
  switch (ImageTypeFromName(szPath))
  {
    case EImageType::TGA: r = LoadTGA(nullptr, 0, szPath); break;
    case EImageType::PNG: r = LoadPNG(nullptr, 0, szPath); break;
    case EImageType::RAW: r = LoadRAW(szPath); break;
    case EImageType::Unknown: r = ZP_FAIL; break;
  }
  SetName(szPath);
  return r;
}
