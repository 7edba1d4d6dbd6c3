#pragma once

#include "app/scene/scene_element.h"

#include <cstdint>
#include <string>

class CFont;

enum ETextCorner
{
  TEXT_TOP_LEFT,
  TEXT_TOP_RIGHT,
  TEXT_BOTTOM_LEFT,
  TEXT_BOTTOM_RIGHT
};

// One line of text in a corner of the frame, in the built-in bitmap font, white over a
// dark shadow so that it reads on the day side as on the night sky.  Drawn last, over
// the scene, with screen-space quads; a platform without textured quads (the software
// renderer) gets the text on its own status line instead.
class CTextOverlay : public CSceneElement
{
public:
  // Characters a line holds; longer text is cut.
  static constexpr uint32_t MAX_CHARACTERS = 48;

  explicit CTextOverlay(SEngineSettings* pSettings);

  // Whether the platform draws the quads (the software renderer shows the text on its
  // status line instead).
  static bool DrawsQuads(const SEngineSettings* pSettings);
  ~CTextOverlay() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Draw() override;

  // The line and where it goes; the quads are made again only when either, or the
  // frame's size, changed.
  void SetText(const char* szText, ETextCorner eCorner);
  const std::string& GetText() const { return m_strText; }

  // The glyph rectangle of character i on the screen (pixels, y down), for the tests.
  void GetCharacterBox(uint32_t i, float* pX0, float* pY0, float* pX1, float* pY1) const;

private:
  void Build();

  CFont* m_pFont;
  std::string m_strText;
  ETextCorner m_eCorner;
  uint16_t m_wBuiltWidth;
  uint16_t m_wBuiltHeight;
  bool m_bDirty;
  float m_fScale;
};
