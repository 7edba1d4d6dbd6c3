#include "app/scene/text_overlay.h"

#include "data/embedded.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/font.h"
#include "sdk/core/ini_settings.h"
#include "sdk/core/platform.h"

#include <cstring>

namespace
{

// The built-in font image: 16 x 16 cells of 16 texels, the glyphs about 10 wide.
const char* const kFontImage = "font.png";
constexpr float CELL_PIXELS = 16.0f;
constexpr float ADVANCE_PIXELS = 10.0f;
constexpr float MARGIN_PIXELS = 8.0f;
constexpr uint32_t TEXT_COLOR = 0xFFFFFFFF;
constexpr uint32_t SHADOW_COLOR = 0xC0000000;
// Each character is two quads (shadow, then glyph) of four vertices and six indices.
constexpr uint32_t VERTICES_PER_CHARACTER = 8;
constexpr uint32_t INDICES_PER_CHARACTER = 12;

} // namespace

bool CTextOverlay::DrawsQuads(const SEngineSettings* s)
{
  return (s->descPlatform.dwFlags & PLATFORM_SOFTWARE) != PLATFORM_SOFTWARE;
}

CTextOverlay::CTextOverlay(SEngineSettings* pSettings)
    : CSceneElement(pSettings), m_pFont(nullptr), m_eCorner(TEXT_TOP_LEFT), m_wBuiltWidth(0),
      m_wBuiltHeight(0), m_bDirty(true), m_fScale(1.0f)
{
}

CTextOverlay::~CTextOverlay()
{
  if (m_pFont)
    m_pFont->Unload();
  delete m_pFont;
}

ZRESULT CTextOverlay::Load()
{
  const SEmbeddedFile* pText = FindEmbeddedText("Planeto.Font.ini");
  const SEmbeddedFile* pImage = FindBuiltInImage(kFontImage);
  if (!pText || !pImage)
    return ZP_FAIL;
  m_pFont = new CFont(m_pSettings);
  if (m_pFont->Load() < 0)
    return ZP_FAIL;
  // The font's object is made for a few characters; it is sized for a whole line
  // before the texture goes on, since a new geometry starts a new texture table.
  C3DObject* pObject = m_pFont->GetObject();
  if (pObject->SetupGeometry(1, MAX_CHARACTERS * VERTICES_PER_CHARACTER,
                             MAX_CHARACTERS * INDICES_PER_CHARACTER) < 0)
    return ZP_FAIL;
  CIniSettings store(reinterpret_cast<const char*>(pText->data), pText->size);
  return m_pFont->SetMakeTexture(kFontImage, pImage->data, pImage->size, &store);
}

ZRESULT CTextOverlay::Unload()
{
  if (m_pFont)
    m_pFont->Unload();
  delete m_pFont;
  m_pFont = nullptr;
  if (m_pSettings)
    m_pSettings->szOverlayText[0] = 0;
  return ZP_OK;
}

void CTextOverlay::SetText(const char* szText, ETextCorner eCorner)
{
  std::string strText = szText ? szText : "";
  if (strText.size() > MAX_CHARACTERS)
    strText.resize(MAX_CHARACTERS);
  if (strText == m_strText && eCorner == m_eCorner)
    return;
  m_strText = strText;
  m_eCorner = eCorner;
  m_bDirty = true;
  if (m_pSettings)
  {
    std::strncpy(m_pSettings->szOverlayText, m_strText.c_str(), sizeof(m_pSettings->szOverlayText) - 1);
    m_pSettings->szOverlayText[sizeof(m_pSettings->szOverlayText) - 1] = 0;
  }
}

void CTextOverlay::GetCharacterBox(uint32_t i, float* pX0, float* pY0, float* pX1, float* pY1) const
{
  const float fW = m_pSettings ? m_pSettings->wWidth : 0.0f, fH = m_pSettings ? m_pSettings->wHeight : 0.0f;
  const float fCell = CELL_PIXELS * m_fScale, fAdvance = ADVANCE_PIXELS * m_fScale;
  const float fMargin = MARGIN_PIXELS * m_fScale;
  const float fLine = fAdvance * static_cast<float>(m_strText.size()) + (fCell - fAdvance);
  const bool bRight = m_eCorner == TEXT_TOP_RIGHT || m_eCorner == TEXT_BOTTOM_RIGHT;
  const bool bBottom = m_eCorner == TEXT_BOTTOM_LEFT || m_eCorner == TEXT_BOTTOM_RIGHT;
  *pX0 = (bRight ? fW - fMargin - fLine : fMargin) + fAdvance * static_cast<float>(i);
  *pY0 = bBottom ? fH - fMargin - fCell : fMargin;
  *pX1 = *pX0 + fCell;
  *pY1 = *pY0 + fCell;
}

void CTextOverlay::Build()
{
  C3DObject* pObject = m_pFont->GetObject();
  m_fScale = m_pSettings->wHeight >= 1200 ? 2.0f : 1.0f;
  pObject->LockIndices();
  uint32_t n = 0;
  for (uint32_t i = 0; i < m_strText.size(); ++i)
  {
    const uint32_t dwGlyph = m_pFont->GetGlyph(static_cast<uint8_t>(m_strText[i]));
    if (!dwGlyph || m_strText[i] == ' ')
      continue;
    // Column and row count from 1 at the image's top left, as the texture coordinates
    // do from 0.
    const float fCol = static_cast<float>(dwGlyph >> 16) - 1.0f,
                fRow = static_cast<float>(dwGlyph & 0xFFFF) - 1.0f;
    const float u0 = fCol * m_pFont->GetCellWidth(), u1 = u0 + m_pFont->GetCellWidth();
    const float v0 = fRow * m_pFont->GetCellHeight(), v1 = v0 + m_pFont->GetCellHeight();
    float x0, y0, x1, y1;
    GetCharacterBox(i, &x0, &y0, &x1, &y1);
    for (int layer = 0; layer < 2; ++layer)
    {
      const float d = layer == 0 ? m_fScale : 0.0f; // the shadow one pixel down and right
      const uint32_t c = layer == 0 ? SHADOW_COLOR : TEXT_COLOR;
      const uint32_t b = n * 4;
      pObject->SetVertex(b + 0, x0 + d, y0 + d, 0.0f, c, u0, v0, 0.0f, 0.0f, 1.0f, 0);
      pObject->SetVertex(b + 1, x1 + d, y0 + d, 0.0f, c, u1, v0, 0.0f, 0.0f, 1.0f, 0);
      pObject->SetVertex(b + 2, x0 + d, y1 + d, 0.0f, c, u0, v1, 0.0f, 0.0f, 1.0f, 0);
      pObject->SetVertex(b + 3, x1 + d, y1 + d, 0.0f, c, u1, v1, 0.0f, 0.0f, 1.0f, 0);
      static const uint32_t kQuad[6] = { 0, 1, 2, 2, 1, 3 };
      for (uint32_t k = 0; k < 6; ++k)
        pObject->SetIndex(n * 6 + k, b + kQuad[k]);
      ++n;
    }
  }
  pObject->SetPart(0, 0, n * 4, 0, n * 6, n * 2, PRIMITIVE_TRIANGLE_LIST, CULL_NONE, -1);
  pObject->Commit();
  m_wBuiltWidth = m_pSettings->wWidth;
  m_wBuiltHeight = m_pSettings->wHeight;
  m_bDirty = false;
}

void CTextOverlay::Draw()
{
  if (!m_pFont || !m_pFont->GetObject() || m_strText.empty() || !DrawsQuads(m_pSettings))
    return;
  if (m_bDirty || m_wBuiltWidth != m_pSettings->wWidth || m_wBuiltHeight != m_pSettings->wHeight)
    Build();
  m_pFont->GetObject()->Draw(ALL_PARTS);
}
