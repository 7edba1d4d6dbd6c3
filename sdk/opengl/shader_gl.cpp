#include "sdk/opengl/shader_gl.h"

#include "sdk/core/texture.h"
#include "sdk/core/engine_settings.h"
#include "sdk/opengl/platform_gl.h"
#include "sdk/opengl/state_gl.h"

#include <cstdio>
#include <vector>

namespace
{

// The render flags a shader's textures are applied with.
constexpr uint32_t kShaderTextureFlags = 0x18C3F;

} // namespace

CShaderGL::CShaderGL() : m_hShader(0), m_hProgram(0) {}

CShaderGL::~CShaderGL() { CShaderGL::Release(); }

ZRESULT CShaderGL::Release()
{
  CShader::Release();
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (p)
  {
    if (m_hShader && m_hProgram && p->glDetachObjectARB)
      p->glDetachObjectARB(m_hProgram, m_hShader);
    if (m_hProgram && p->glDeleteObjectARB)
      p->glDeleteObjectARB(m_hProgram);
    if (m_hShader && p->glDeleteObjectARB)
      p->glDeleteObjectARB(m_hShader);
  }
  m_hShader = 0;
  m_hProgram = 0;
  return ZP_OK;
}

ZRESULT CShaderGL::Reserved9() { return ZP_FAIL; }

ZRESULT CShaderGL::CreateFromText(uint32_t dwReserved1, uint32_t dwReserved2, const char* szText,
                                  uint32_t dwLength, const char* szName)
{
  Release();
  CShader::CreateFromText(dwReserved1, dwReserved2, szText, dwLength, szName);
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!p || !p->glCreateShaderObjectARB)
    return ZP_OK;
  if (!szText || !p->glShaderSourceARB || !p->glCompileShaderARB || !p->glCreateProgramObjectARB ||
      !p->glAttachObjectARB || !p->glLinkProgramARB)
    return ZP_FAIL;

  m_hShader = p->glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
  if (!m_hShader)
    return ZP_FAIL;
  const GLcharARB* source = szText;
  GLint length = static_cast<GLint>(dwLength);
  p->glShaderSourceARB(m_hShader, 1, &source, &length);
  p->glCompileShaderARB(m_hShader);
  m_hProgram = p->glCreateProgramObjectARB();
  if (!m_hProgram)
    return ZP_FAIL;
  p->glAttachObjectARB(m_hProgram, m_hShader);
  p->glLinkProgramARB(m_hProgram);
  return ZP_OK;
}

ZRESULT CShaderGL::CreateFromFile(uint32_t dwReserved1, uint32_t dwReserved2, const char* szPath)
{
  if (!szPath)
    return ZP_FAIL;
  FILE* f = std::fopen(szPath, "rb");
  if (!f)
    return ZP_FAIL;
  std::vector<char> text;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  long length = ok ? std::ftell(f) : -1;
  ok = ok && length >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok)
  {
    text.resize(static_cast<size_t>(length) + 1, 0);
    ok = std::fread(text.data(), 1, static_cast<size_t>(length), f) == static_cast<size_t>(length);
  }
  std::fclose(f);
  if (!ok)
    return ZP_FAIL;
  return CreateFromText(dwReserved1, dwReserved2, text.data(), static_cast<uint32_t>(length), szPath);
}

void CShaderGL::Use(CTexture* pTexture0, CTexture* pTexture1, CTexture* pTexture2)
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (!m_hProgram || !p || !p->glUseProgramObjectARB)
    return;
  p->glUseProgramObjectARB(m_hProgram);
  if (p->pState)
    p->pState->Program(true);
  if (pTexture2)
    pTexture2->Apply(kShaderTextureFlags, 2);
  if (pTexture1)
    pTexture1->Apply(kShaderTextureFlags, 1);
  if (pTexture0)
    pTexture0->Apply(kShaderTextureFlags, 0);
  if (p->glGetUniformLocationARB && p->glUniform1iARB)
  {
    p->glUniform1iARB(p->glGetUniformLocationARB(m_hProgram, "Texture0"), 0);
    p->glUniform1iARB(p->glGetUniformLocationARB(m_hProgram, "Texture1"), 1);
    p->glUniform1iARB(p->glGetUniformLocationARB(m_hProgram, "Texture2"), 2);
  }
}

void CShaderGL::Unuse()
{
  const SPlatformGL* p = GetPlatformGL(m_pSettings);
  if (m_hProgram && p && p->glUseProgramObjectARB)
  {
    p->glUseProgramObjectARB(0);
    if (p->pState)
      p->pState->Program(false);
  }
}

void CShaderGL::CopyFrameToTexture(CTexture* pTexture, uint32_t dwUnit)
{
  if (!m_hProgram || !pTexture || !m_pSettings)
    return;
  pTexture->Bind(dwUnit);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, m_pSettings->wWidth, m_pSettings->wHeight, 0);
}
