#pragma once

#include "sdk/core/shader.h"

#include "sdk/opengl/gl_headers.h"

// A fragment program on the ARB shader objects.  Where the entry points are missing
// it is created but inert: every operation then does nothing.
class CShaderGL : public CShader
{
public:
  CShaderGL();
  ~CShaderGL() override; // 0

  ZRESULT Release() override;                                                       // 2
  void CopyFrameToTexture(CTexture* pTexture, uint32_t dwUnit) override;            // 4
  void Use(CTexture* pTexture0, CTexture* pTexture1, CTexture* pTexture2) override; // 5
  void Unuse() override;                                                            // 6
  ZRESULT CreateFromText(uint32_t dwReserved1, uint32_t dwReserved2, const char* szText, uint32_t dwLength,
                         const char* szName) override; // 7
  ZRESULT CreateFromFile(uint32_t dwReserved1, uint32_t dwReserved2,
                         const char* szPath) override; // 8
  ZRESULT Reserved9() override;                        // 9: unsupported

  GLhandleARB GetProgram() const { return m_hProgram; }
  GLhandleARB GetShaderObject() const { return m_hShader; }

private:
  GLhandleARB m_hShader;
  GLhandleARB m_hProgram;
};
