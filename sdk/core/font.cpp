#include "sdk/core/font.h"

#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/world_base.h"

#include <cstdlib>
#include <cstring>

namespace
{

const char* const kSection = "FONT";

// Keys of the characters that are not named by themselves.
struct SNamedGlyph
{
  uint8_t byCode;
  const char* szKey;
};

const SNamedGlyph kNamedGlyphs[] = {
  { 32, "SPACE" },         { 44, "VIRGULE" }, { 46, "POINT" },  { 58, "2POINTS" },
  { 59, "POINT_VIRG" },    { 61, "EGAL" },    { 64, "AROBAZ" }, { 91, "CROCHET_OPEN" },
  { 93, "CROCHET_CLOSE" }, { 123, "}" },      { 125, "}" },     { 137, "POURCENT" },
};

// Characters whose key is the character itself.
const char kSelfNamed[] = "!\"#$&'()*+-/<>?\\_";

} // namespace

const char* FontGlyphKey(uint8_t byCode)
{
  static char s_aszSelf[256][2];
  static char s_aszLetters[256][6];
  for (const SNamedGlyph& g : kNamedGlyphs)
    if (g.byCode == byCode)
      return g.szKey;
  if (byCode != 0 && std::strchr(kSelfNamed, byCode))
  {
    s_aszSelf[byCode][0] = static_cast<char>(byCode);
    s_aszSelf[byCode][1] = 0;
    return s_aszSelf[byCode];
  }
  if (byCode >= '0' && byCode <= '9')
  {
    s_aszSelf[byCode][0] = static_cast<char>(byCode);
    s_aszSelf[byCode][1] = 0;
    return s_aszSelf[byCode];
  }
  if ((byCode >= 'A' && byCode <= 'Z') || (byCode >= 'a' && byCode <= 'z'))
  {
    std::memcpy(s_aszLetters[byCode], byCode <= 'Z' ? "MAJ_" : "MIN_", 4);
    s_aszLetters[byCode][4] = static_cast<char>(byCode);
    s_aszLetters[byCode][5] = 0;
    return s_aszLetters[byCode];
  }
  return nullptr;
}

CFont::CFont(SEngineSettings* pSettings)
    : m_pSettings(pSettings), m_adwGlyphs{}, m_adwCounters{}, m_fCellWidth(0.0f), m_fCellHeight(0.0f),
      m_pObject(nullptr)
{
}

CFont::~CFont() = default;

ZRESULT CFont::Load()
{
  CWorldBase* pApp = m_pSettings ? m_pSettings->pApplication : nullptr;
  if (!pApp)
    return ZP_FAIL;
  m_pObject = pApp->CreateObject(FONT_OBJECT_KIND, FONT_RENDER_FLAGS);
  if (!m_pObject)
    return ZP_FAIL;
  m_pObject->SetupGeometry(1, FONT_VERTEX_COUNT, FONT_VERTEX_COUNT);
  m_pObject->LockIndices();
  m_pObject->SetSequentialIndices();
  m_pObject->Commit();
  return ZP_OK;
}

ZRESULT CFont::Unload()
{
  m_adwCounters[0] = 0;
  m_adwCounters[1] = 0;
  CWorldBase* pApp = m_pSettings ? m_pSettings->pApplication : nullptr;
  if (m_pObject && pApp)
    pApp->DestroyObject(m_pObject);
  m_pObject = nullptr;
  return ZP_OK;
}

ZRESULT CFont::SetMakeTexture(const char* szName, const void* pData, uint32_t dwSize,
                              CSettingsStore* pFontStore)
{
  const char* szLog = m_pSettings ? m_pSettings->szLogPath : nullptr;
  int32_t iRows = pFontStore ? pFontStore->GetInt(kSection, "NB_ROW", 16) : 16;
  int32_t iCols = pFontStore ? pFontStore->GetInt(kSection, "NB_COL", 16) : 16;

  if (!m_pObject || m_pObject->SetTextureFromMemory(FONT_TEXTURE_KIND, FONT_TEXTURE_FLAGS, pData, dwSize,
                                                    ALL_PARTS, 0, szName) < 0)
  {
    LogMessage(szLog, 1, "# CFont::SetMakeTexture failed! (\"%s\")\n", szName ? szName : "");
    return ZP_FAIL;
  }

  // The grid must divide the assumed 256-texel side into at least one texel per cell.
  if (iCols < 1 || iCols > 256 || iRows < 1 || iRows > 256)
  {
    LogMessage(szLog, 1, "# CFont::SetMakeTexture failed! (\"%s\")\n", szName ? szName : "");
    return ZP_FAIL;
  }
  m_fCellWidth = 1.0f / static_cast<uint16_t>(static_cast<uint16_t>(256) / static_cast<uint16_t>(iCols));
  m_fCellHeight = 1.0f / static_cast<uint16_t>(static_cast<uint16_t>(256) / static_cast<uint16_t>(iRows));

  for (int c = 0; c < 256; ++c)
  {
    const char* szKey = FontGlyphKey(static_cast<uint8_t>(c));
    if (!szKey)
      continue;
    char szValue[256] = { 0 };
    if (!pFontStore)
      std::strcpy(szValue, "1.1");
    else
      pFontStore->GetString(kSection, szKey, "1.1", szValue, sizeof(szValue));
    const char* dot = std::strchr(szValue, '.');
    if (!dot)
      continue;
    uint32_t col = static_cast<uint32_t>(std::atoi(szValue));
    uint32_t row = static_cast<uint32_t>(std::atoi(dot + 1));
    m_adwGlyphs[c] = (col << 16) | (row & 0xFFFF);
  }
  return ZP_OK;
}
