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
  m_staged.Clear();
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
  if (!image.width || !image.height ||
      image.pixels.size() < size_t(image.width) * image.height * image.components)
    return ZP_FAIL;
  const GLuint name = NewTextureName(bMipmaps);
  if (!name)
    return ZP_FAIL;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (bMipmaps)
  {
    if (gluBuild2DMipmaps(GL_TEXTURE_2D, static_cast<GLint>(image.components), image.width, image.height,
                          image.format, GL_UNSIGNED_BYTE, image.pixels.data()) != 0)
    {
      glDeleteTextures(1, &name);
      return ZP_FAIL;
    }
  }
  else
  {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.format), image.width, image.height, 0,
                 image.format, GL_UNSIGNED_BYTE, image.pixels.data());
  }
  Adopt(name, image);
  return ZP_OK;
}

GLuint CTextureGL::NewTextureName(bool bMipmaps) const
{
  GLuint name = 0;
  glGenTextures(1, &name);
  if (!name)
    return 0;
  glBindTexture(GL_TEXTURE_2D, name);
  const GLint wrap = (m_dwKind & TEXTURE_KIND_REPEAT) ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, bMipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  return name;
}

void CTextureGL::Adopt(GLuint name, const SImage& top)
{
  // A texture loaded again without Release would otherwise keep its old name forever.
  DeleteTexture();
  m_uTexture = name;
  m_wWidth = top.width;
  m_wHeight = top.height;
  m_wBitsPerPixel = top.bitsPerPixel;
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

ZRESULT CTextureGL::LoadFromImage(const SImage* pImage, const char* szName)
{
  CTexture::Release();
  const ZRESULT r = pImage ? Upload(*pImage, true) : ZP_FAIL;
  SetName(szName);
  return r;
}

ZRESULT CTextureGL::BeginStaged(std::vector<SImage>* pLevels, const char* szName)
{
  if (!pLevels || pLevels->empty())
    return ZP_FAIL;
  for (const SImage& level : *pLevels)
    if (!IsWholeImage(level) || level.format != pLevels->front().format)
      return ZP_FAIL;
  const GLuint name = NewTextureName(pLevels->size() > 1);
  if (!name)
    return ZP_FAIL;
  // The storage of every level now, its texels band by band later.
  for (size_t i = 0; i < pLevels->size(); ++i)
  {
    const SImage& level = (*pLevels)[i];
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), static_cast<GLint>(level.components), level.width,
                 level.height, 0, level.format, GL_UNSIGNED_BYTE, nullptr);
  }
  Adopt(name, pLevels->front());
  SetName(szName);
  m_staged.Reset(pLevels);
  return ZP_OK;
}

bool CTextureGL::StepStaged(uint32_t dwBytes)
{
  if (m_staged.Done())
    return true;
  glBindTexture(GL_TEXTURE_2D, m_uTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  uint32_t dwSpent = 0, dwLevel = 0, dwFirst = 0, dwRows = 0;
  while (dwSpent < dwBytes && m_staged.Next(dwBytes - dwSpent, &dwLevel, &dwFirst, &dwRows))
  {
    const SImage& level = m_staged.Levels()[dwLevel];
    const size_t uRowBytes = size_t(level.width) * level.components;
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(dwLevel), 0, static_cast<GLint>(dwFirst), level.width,
                    static_cast<GLsizei>(dwRows), level.format, GL_UNSIGNED_BYTE,
                    level.pixels.data() + dwFirst * uRowBytes);
    dwSpent += static_cast<uint32_t>(dwRows * uRowBytes);
  }
  if (!m_staged.Done())
    return false;
  m_staged.Clear();
  return true;
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
