#pragma once

// The bitmap font: a texture holding a grid of character cells, the glyph map from
// character codes to cells (read from the font settings) and a screen-space object to
// draw characters with.  It keeps the slot order of the scene elements (destructor,
// Load, Unload, Update, Draw) so that the world drives it as one of them.

#include "sdk/core/result.h"

#include <cstdint>

class C3DObject;
class CSettingsStore;
struct SEngineSettings;

// The font object: 2D class with 16-bit indices; light 0, blending, colour material,
// render states at every draw, one texture per part.
constexpr uint32_t FONT_OBJECT_KIND = 0x810;
constexpr uint32_t FONT_RENDER_FLAGS = 0xC29;
constexpr uint32_t FONT_VERTEX_COUNT = 96;
// Shareable, clamped; modulate, may blend.
constexpr uint32_t FONT_TEXTURE_KIND = 1;
constexpr uint32_t FONT_TEXTURE_FLAGS = 3;

class CFont
{
public:
  explicit CFont(SEngineSettings* pSettings);
  virtual ~CFont(); // 0

  virtual ZRESULT Load();   // 1: builds the font object
  virtual ZRESULT Unload(); // 2: destroys it; may run half-loaded
  virtual void Update() {}  // 3
  virtual void Draw() {}    // 4

  // Gives the object the font texture (the image bytes and their name) and reads the
  // grid size and the glyph map from the font store.
  ZRESULT SetMakeTexture(const char* szName, const void* pData, uint32_t dwSize, CSettingsStore* pFontStore);

  // Column in the upper 16 bits, row in the lower 16 bits, both from 1; 0 = no glyph.
  uint32_t GetGlyph(uint8_t byCode) const { return m_adwGlyphs[byCode]; }
  float GetCellWidth() const { return m_fCellWidth; }
  float GetCellHeight() const { return m_fCellHeight; }
  C3DObject* GetObject() const { return m_pObject; }

  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

private:
  SEngineSettings* m_pSettings;
  uint32_t m_adwGlyphs[256];
  uint32_t m_adwCounters[2];
  float m_fCellWidth;
  float m_fCellHeight;
  C3DObject* m_pObject;
};

// The settings key that sets a character code's glyph, or null when the code has none.
const char* FontGlyphKey(uint8_t byCode);
