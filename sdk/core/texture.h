#pragma once

#include "sdk/core/result.h"

#include <cstdint>
#include <vector>

struct SEngineSettings;
struct SImage;

// Base of every platform texture class.  The base only records the image's base name;
// a platform decodes the image and then calls the base loaders to record the name.
class CTexture
{
public:
  CTexture();
  virtual ~CTexture(); // 0

  virtual ZRESULT Attach(SEngineSettings* pSettings);           // 1
  virtual ZRESULT Release();                                    // 2: clears the name
  virtual void Reserved3();                                     // 3
  virtual void Apply(uint32_t dwRenderFlags, uint32_t dwStage); // 4: while drawing
  virtual void Bind(uint32_t dwUnit);                           // 5
  virtual ZRESULT LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t dwReserved,
                                 const char* szName);                    // 6
  virtual ZRESULT LoadFromFile(const char* szPath, uint32_t dwReserved); // 7
  virtual ZRESULT Reserved8();                                           // 8: 0
  // 9: an image already decoded (a map of the user's); the base keeps the name only.
  virtual ZRESULT LoadFromImage(const SImage* pImage, const char* szName);
  // 10, 11: an image handed to the device a band of rows at a time, so that a large map
  // read again while the scene runs costs no frame more than a little copying.
  // BeginStaged takes the levels of detail (MipLevels' chain: *pLevels is left empty)
  // and makes the texture's storage; each StepStaged then copies about dwBytes more
  // and answers true once every level is in.  The texture is drawn only after that.
  // The base stages nothing: its BeginStaged fails and leaves *pLevels as it was, and
  // the caller loads level 0 at once.
  virtual ZRESULT BeginStaged(std::vector<SImage>* pLevels, const char* szName);
  virtual bool StepStaged(uint32_t dwBytes);

  uint32_t GetKind() const { return m_dwKind; }
  uint32_t GetFlags() const { return m_dwFlags; }
  void SetKindAndFlags(uint32_t dwKind, uint32_t dwFlags)
  {
    m_dwKind = dwKind;
    m_dwFlags = dwFlags;
  }
  const char* GetName() const { return m_szName; }
  void SetName(const char* szName); // stores the base name of szName

  CTexture(const CTexture&) = delete;
  CTexture& operator=(const CTexture&) = delete;

protected:
  SEngineSettings* m_pSettings;
  uint32_t m_dwKind;
  uint32_t m_dwFlags;
  char m_szName[256];
  uint16_t m_wBitsPerPixel;
  uint16_t m_wWidth;
  uint16_t m_wHeight;

  friend class C3DEngine;
};

// The text after the last backslash, or, when there is none, after the last slash, or
// the whole name.  Null gives "".
const char* TextureBaseName(const char* szName);
