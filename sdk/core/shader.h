#pragma once

#include "sdk/core/result.h"

#include <cstdint>

class CTexture;
struct SEngineSettings;

// Base of every platform shader class.  The base only records the base name of what it
// was loaded from.
class CShader
{
public:
  CShader();
  virtual ~CShader(); // 0

  virtual ZRESULT Attach(SEngineSettings* pSettings);                              // 1
  virtual ZRESULT Release();                                                       // 2: clears the name
  virtual void Reserved3();                                                        // 3
  virtual void CopyFrameToTexture(CTexture* pTexture, uint32_t dwUnit);            // 4
  virtual void Use(CTexture* pTexture0, CTexture* pTexture1, CTexture* pTexture2); // 5
  virtual void Unuse();                                                            // 6
  virtual ZRESULT CreateFromText(uint32_t dwReserved1, uint32_t dwReserved2, const char* szText,
                                 uint32_t dwLength, const char* szName); // 7
  virtual ZRESULT CreateFromFile(uint32_t dwReserved1, uint32_t dwReserved2,
                                 const char* szPath); // 8
  virtual ZRESULT Reserved9();                        // 9: 0

  uint32_t GetKind() const { return m_dwKind; }
  void SetKind(uint32_t dwKind) { m_dwKind = dwKind; }
  const char* GetName() const { return m_szName; }

  CShader(const CShader&) = delete;
  CShader& operator=(const CShader&) = delete;

protected:
  SEngineSettings* m_pSettings;
  uint32_t m_dwKind;
  uint32_t m_dwReserved;
  char m_szName[256];
};
