#include "sdk/d3d8/texture_d3d8.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/d3d8/platform_d3d8.h"
#include "sdk/image/image_levels.h"
#include "sdk/image/image_readers.h"

#include <algorithm>
#include <vector>

namespace
{

// Texture kind bit 2: repeat wrapping (else clamped to the edge).
constexpr uint32_t KIND_REPEAT = 0x02;
// Texture flags, as the OpenGL texture reads them.
constexpr uint32_t FLAG_MODULATE = 0x01;
constexpr uint32_t FLAG_BLEND = 0x02;
constexpr uint32_t FLAG_ADDITIVE = 0x04;
constexpr uint32_t FLAG_REPLACE = 0x08;
constexpr uint32_t FLAG_INTERPOLATE = 0x10;

// One row of A8R8G8B8 words from row y (counted from the bottom) of a decoded image
// (1 to 4 bytes a pixel: grey, grey and alpha, RGB, RGBA).
void RowToARGB(const SImage& image, uint32_t y, uint32_t* dst)
{
  const uint32_t w = image.width, c = image.components;
  const uint8_t* src = image.pixels.data() + size_t(y) * w * c;
  for (uint32_t x = 0; x < w; ++x, src += c)
  {
    uint32_t r, g, b, a = 255;
    switch (c)
    {
      case 1: r = g = b = src[0]; break;
      case 2: r = g = b = src[0], a = src[1]; break;
      case 3: r = src[0], g = src[1], b = src[2]; break;
      default: r = src[0], g = src[1], b = src[2], a = src[3]; break;
    }
    dst[x] = a << 24 | r << 16 | g << 8 | b;
  }
}

// Rows [dwFirst, dwFirst + dwRows) of a level, counted from the bottom as decoded, into
// the surface, whose rows count from the top.
bool FillRows(IDirect3DTexture8* pTexture, UINT uLevel, const SImage& level, uint32_t dwFirst, uint32_t dwRows)
{
  const LONG lTop = static_cast<LONG>(level.height - dwFirst - dwRows);
  const RECT band = { 0, lTop, static_cast<LONG>(level.width), lTop + static_cast<LONG>(dwRows) };
  D3DLOCKED_RECT rect;
  if (FAILED(pTexture->LockRect(uLevel, &rect, &band, 0)))
    return false;
  for (uint32_t i = 0; i < dwRows; ++i)
    RowToARGB(level, dwFirst + dwRows - 1 - i,
              reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(rect.pBits) + size_t(i) * rect.Pitch));
  pTexture->UnlockRect(uLevel);
  return true;
}

} // namespace

CTextureD3D8::CTextureD3D8() : m_pTexture(nullptr), m_dwLevels(0) {}

CTextureD3D8::~CTextureD3D8() { CTextureD3D8::Release(); }

ZRESULT CTextureD3D8::Release()
{
  CTexture::Release();
  if (m_pTexture)
    m_pTexture->Release();
  m_pTexture = nullptr;
  m_dwLevels = 0;
  m_staged.Clear();
  return ZP_OK;
}

ZRESULT CTextureD3D8::Reserved8() { return ZP_FAIL; }

void CTextureD3D8::Bind(uint32_t dwStage)
{
  if (IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings))
    pDevice->SetTexture(dwStage, m_pTexture);
}

void CTextureD3D8::ApplySampling(uint32_t dwRenderFlags, uint32_t dwStage)
{
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  if (!pDevice)
    return;
  const bool bBlend =
      m_pSettings->swAlpha.bCurrent && (dwRenderFlags & RENDER_ALPHA) && (m_dwFlags & FLAG_BLEND);
  pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, bBlend);
  pDevice->SetRenderState(D3DRS_ALPHATESTENABLE, bBlend);
  pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  pDevice->SetRenderState(D3DRS_DESTBLEND, (m_dwFlags & FLAG_ADDITIVE) ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA);

  pDevice->SetTexture(dwStage, m_pTexture);
  const DWORD address = (m_dwKind & KIND_REPEAT) ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
  pDevice->SetTextureStageState(dwStage, D3DTSS_ADDRESSU, address);
  pDevice->SetTextureStageState(dwStage, D3DTSS_ADDRESSV, address);
  pDevice->SetTextureStageState(dwStage, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  pDevice->SetTextureStageState(dwStage, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
  pDevice->SetTextureStageState(dwStage, D3DTSS_MIPFILTER, m_dwLevels > 1 ? D3DTEXF_LINEAR : D3DTEXF_NONE);
  // Every stage reads the vertex's one pair of coordinates.
  pDevice->SetTextureStageState(dwStage, D3DTSS_TEXCOORDINDEX, 0);
}

void CTextureD3D8::Apply(uint32_t dwRenderFlags, uint32_t dwStage)
{
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  if (!pDevice)
    return;
  ApplySampling(dwRenderFlags, dwStage);
  // The texture environments of the OpenGL texture, as stage operations; CURRENT is
  // the lit vertex colour at stage 0 and the previous stage's result after it.
  if (m_dwFlags & FLAG_REPLACE)
  {
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(dwStage, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    pDevice->SetTextureStageState(dwStage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    return;
  }
  if (m_dwFlags & FLAG_INTERPOLATE)
  {
    // previous x primary + texture x (1 - primary)
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLOROP, D3DTOP_LERP);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG0, D3DTA_DIFFUSE);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG1, D3DTA_CURRENT);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG2, D3DTA_TEXTURE);
  }
  else
  {
    // Modulate, also where no environment flag is set (OpenGL's default environment).
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLOROP, D3DTOP_MODULATE);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    pDevice->SetTextureStageState(dwStage, D3DTSS_COLORARG2, D3DTA_CURRENT);
  }
  pDevice->SetTextureStageState(dwStage, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  pDevice->SetTextureStageState(dwStage, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  pDevice->SetTextureStageState(dwStage, D3DTSS_ALPHAARG2, D3DTA_CURRENT);
}

ZRESULT CTextureD3D8::Upload(const SImage& image, bool bMipmaps)
{
  // The mipmap chain (the nearest powers of two, then halvings), scaled from the top
  // row as this device has always taken its images.
  std::vector<SImage> levels;
  if (bMipmaps)
    levels = MipLevelsFromTop(image);
  else if (IsWholeImage(image))
    levels.push_back(image);
  IDirect3DTexture8* pTexture = CreateLevels(levels);
  if (!pTexture)
    return ZP_FAIL;
  for (UINT u = 0; u < levels.size(); ++u)
    if (!FillRows(pTexture, u, levels[u], 0, levels[u].height))
    {
      pTexture->Release();
      return ZP_FAIL;
    }
  Adopt(pTexture, static_cast<uint32_t>(levels.size()), image);
  return ZP_OK;
}

IDirect3DTexture8* CTextureD3D8::CreateLevels(const std::vector<SImage>& levels) const
{
  IDirect3DDevice8* pDevice = GetDeviceD3D8(m_pSettings);
  if (!pDevice || levels.empty())
    return nullptr;
  for (const SImage& level : levels)
    if (!IsWholeImage(level))
      return nullptr;
  const UINT uLevels = static_cast<UINT>(levels.size());
  IDirect3DTexture8* pTexture = nullptr;
  if (FAILED(pDevice->CreateTexture(levels.front().width, levels.front().height, uLevels, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &pTexture)))
    return nullptr;
  if (pTexture->GetLevelCount() != uLevels)
  {
    pTexture->Release();
    return nullptr;
  }
  return pTexture;
}

void CTextureD3D8::Adopt(IDirect3DTexture8* pTexture, uint32_t dwLevels, const SImage& image)
{
  if (m_pTexture)
    m_pTexture->Release();
  m_pTexture = pTexture;
  m_dwLevels = dwLevels;
  m_wWidth = image.width;
  m_wHeight = image.height;
  m_wBitsPerPixel = image.bitsPerPixel;
}

ZRESULT CTextureD3D8::Load(const void* pData, uint32_t dwSize, const char* szPath, bool bFromMemory)
{
  const uint8_t* pBytes = static_cast<const uint8_t*>(pData);
  SImage image;
  switch (ImageTypeFromName(szPath))
  {
    case EImageType::TGA:
      if ((bFromMemory ? ReadTGA(pBytes, dwSize, &image) : ReadTGAFile(szPath, &image)) < 0)
        return ZP_FAIL;
      return Upload(image, false);
    case EImageType::PNG:
      if ((bFromMemory ? ReadPNG(pBytes, dwSize, &image) : ReadPNGFile(szPath, &image)) < 0)
        return ZP_FAIL;
      return Upload(image, true);
    case EImageType::RAW:
      // RAW images come from files only; an empty path loads nothing and succeeds.
      if (bFromMemory)
        return ZP_FAIL;
      if (!szPath || !*szPath)
        return ZP_OK;
      if (ReadRAWFile(szPath, &image) < 0)
        return ZP_FAIL;
      return Upload(image, true);
    case EImageType::Unknown: break;
  }
  return ZP_FAIL;
}

ZRESULT CTextureD3D8::LoadFromMemory(const void* pData, uint32_t dwSize, uint32_t, const char* szName)
{
  CTexture::Release();
  const ZRESULT r = pData ? Load(pData, dwSize, szName, true) : ZP_FAIL;
  SetName(szName);
  return r;
}

ZRESULT CTextureD3D8::LoadFromImage(const SImage* pImage, const char* szName)
{
  CTexture::Release();
  const ZRESULT r = pImage ? Upload(*pImage, true) : ZP_FAIL;
  SetName(szName);
  return r;
}

ZRESULT CTextureD3D8::BeginStaged(std::vector<SImage>* pLevels, const char* szName)
{
  IDirect3DTexture8* pTexture = pLevels ? CreateLevels(*pLevels) : nullptr;
  if (!pTexture)
    return ZP_FAIL;
  Adopt(pTexture, static_cast<uint32_t>(pLevels->size()), pLevels->front());
  SetName(szName);
  m_staged.Reset(pLevels);
  return ZP_OK;
}

bool CTextureD3D8::StepStaged(uint32_t dwBytes)
{
  if (m_staged.Done())
    return true;
  uint32_t dwSpent = 0, dwLevel = 0, dwFirst = 0, dwRows = 0;
  while (dwSpent < dwBytes && m_staged.Next(dwBytes - dwSpent, &dwLevel, &dwFirst, &dwRows))
  {
    const SImage& level = m_staged.Levels()[dwLevel];
    FillRows(m_pTexture, dwLevel, level, dwFirst, dwRows);
    dwSpent += dwRows * level.width * level.components;
  }
  if (!m_staged.Done())
    return false;
  m_staged.Clear();
  return true;
}

ZRESULT CTextureD3D8::LoadFromFile(const char* szPath, uint32_t)
{
  CTexture::Release();
  const ZRESULT r = Load(nullptr, 0, szPath, false);
  SetName(szPath);
  return r;
}
