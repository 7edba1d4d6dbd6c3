#include "app/platform_select.h"

#include "sdk/core/settings_store.h"

#include <cstring>

const SDisplayMode g_DisplayModes[DISPLAY_MODE_COUNT] = {
  { 200, 200, "200 x 200" },     { 320, 200, "320 x 200" },     { 320, 480, "320 x 480" },
  { 480, 272, "480 x 272" },     { 480, 360, "480 x 360" },     { 512, 512, "512 x 512" },
  { 640, 480, "640 x 480" },     { 800, 600, "800 x 600" },     { 1024, 768, "1024 x 768" },
  { 1280, 1024, "1280 x 1024" }, { 1600, 1200, "1600 x 1200" },
};

const SColorDepth g_ColorDepths[COLOR_DEPTH_COUNT] = {
  { 16, "16 bits" },
  { 32, "32 bits" },
};

const char* const CPlatformDialogModel::CAPTION = "Zephyro\xC2\xAE - Select platform :";

namespace
{

const char* const DISABLED_LABEL = "-Disable-";

// The descriptor's name field is 32 bytes and need not be terminated.
bool DescriptorNamed(const SPlatformDesc& desc, const char* szName)
{
  size_t n = strlen(szName);
  if (n >= sizeof(desc.szName))
    return false;
  return memcmp(desc.szName, szName, n + 1) == 0;
}

} // namespace

ZRESULT MatchDisplayMode(PlatformChoice* pChoice)
{
  if (!pChoice)
    return ZP_OK;
  for (int i = 0; i < DISPLAY_MODE_COUNT; ++i)
  {
    if (g_DisplayModes[i].wWidth == pChoice->wWidth && g_DisplayModes[i].wHeight == pChoice->wHeight)
    {
      pChoice->wModeIndex = static_cast<uint16_t>(i);
      break;
    }
  }
  for (int i = 0; i < COLOR_DEPTH_COUNT; ++i)
  {
    if (g_ColorDepths[i].byBits == pChoice->byColorDepth)
    {
      pChoice->wDepthIndex = static_cast<uint16_t>(i);
      break;
    }
  }
  return ZP_OK;
}

ZRESULT ValidPlatform(PlatformChoice* pChoice, const SPlatformDesc* pDescs, uint32_t dwCount)
{
  if (!pChoice || !pDescs || dwCount == 0)
    return ZP_FAIL;
  if (pChoice->wPlatformIndex >= PLATFORM_COUNT)
    return ZP_FAIL;
  const char* szName = g_PlatformTable[pChoice->wPlatformIndex].szName;
  for (uint32_t i = 0; i < dwCount; ++i)
  {
    if (DescriptorNamed(pDescs[i], szName))
    {
      pChoice->wPlatformIndex = static_cast<uint16_t>(i);
      return ZP_OK;
    }
  }
  return ZP_FAIL;
}

ZRESULT SavePlatformChoice(const PlatformChoice* pChoice, CSettingsStore* pStore)
{
  if (!pChoice || !pStore)
    return ZP_OK;
  pStore->SetBool("WORLD", "ASK_ME_ON_START", pChoice->bAsk != 0);
  pStore->SetInt("WORLD", "WIDTH", pChoice->wWidth);
  pStore->SetInt("WORLD", "HEIGHT", pChoice->wHeight);
  pStore->SetInt("WORLD", "COLOR_DEPTH", pChoice->byColorDepth);
  pStore->SetBool("WORLD", "FULLSCREEN", pChoice->bFullscreen != 0);
  pStore->SetBool("WORLD", "DESKTOP_ENABLE", pChoice->bDesktop != 0);
  if (pChoice->dwDialogFlags & DLGFLAG_REAL_TIME)
    pStore->SetBool("WORLD", "REAL_TIME", pChoice->bRealTime != 0);
  return ZP_OK;
}

bool LoadSavedPlatformChoice(PlatformChoice* pChoice, CSettingsStore* pStore)
{
  if (!pChoice || !pStore)
    return false;
  // A store answers its default for what it lacks: two different ones tell a value
  // that is there from one that is not.
  auto saved = [pStore](const char* szKey, int32_t* pValue)
  {
    *pValue = pStore->GetInt("WORLD", szKey, 0);
    return *pValue == pStore->GetInt("WORLD", szKey, -1);
  };
  int32_t iValue = 0;
  if (saved("ASK_ME_ON_START", &iValue))
    pChoice->bAsk = iValue != 0;
  const bool bWidth = saved("WIDTH", &iValue);
  if (bWidth)
    pChoice->wWidth = static_cast<uint16_t>(iValue);
  const bool bHeight = saved("HEIGHT", &iValue);
  if (bHeight)
    pChoice->wHeight = static_cast<uint16_t>(iValue);
  const bool bDepth = saved("COLOR_DEPTH", &iValue);
  if (bDepth)
    pChoice->byColorDepth = static_cast<uint8_t>(iValue);
  if (saved("FULLSCREEN", &iValue))
    pChoice->bFullscreen = iValue != 0;
  if (saved("DESKTOP_ENABLE", &iValue))
    pChoice->bDesktop = iValue != 0;
  if (saved("REAL_TIME", &iValue))
    pChoice->bRealTime = iValue != 0;
  return bWidth && bHeight && bDepth;
}

// ---------------------------------------------------------------------------------------

CPlatformDialogModel::CPlatformDialogModel(const PlatformChoice& choice, const SPlatformDesc* pDescs,
                                           uint32_t dwDescCount)
    : m_choice(choice), m_dwFlags(choice.dwDialogFlags)
{
  auto available = [&](int iTable)
  {
    if (!pDescs)
      return true;
    for (uint32_t i = 0; i < dwDescCount; ++i)
      if (DescriptorNamed(pDescs[i], g_PlatformTable[iTable].szName))
        return true;
    return false;
  };

  for (int i = 0; i < PLATFORM_COUNT; ++i)
  {
    // With a registration table only the registered modules are listed.
    if (choice.pPlatformTable && !choice.pPlatformTable[i].pfnDescribe)
      continue;
    if (choice.wPlatformIndex == i)
      m_iPlatformSel = static_cast<int>(m_platforms.size());
    m_platforms.push_back({ g_PlatformTable[i].szName, static_cast<uint16_t>(i), available(i) });
  }

  m_iModeSel = choice.wModeIndex < DISPLAY_MODE_COUNT ? choice.wModeIndex : -1;
  m_iDepthSel = choice.wDepthIndex < COLOR_DEPTH_COUNT ? choice.wDepthIndex : -1;
  m_iInputSel = choice.wInputIndex < 1 ? choice.wInputIndex : -1;
  m_iAudioSel = choice.wAudioIndex < 1 ? choice.wAudioIndex : -1;

  m_bFullscreen = choice.bFullscreen != 0;
  m_bDontAsk = choice.bAsk == 0;
  m_bDesktop = choice.bDesktop != 0;
  m_bRealTime = choice.bRealTime != 0;
}

std::vector<std::string> CPlatformDialogModel::ModeLabels()
{
  std::vector<std::string> v;
  for (const SDisplayMode& m : g_DisplayModes)
    v.push_back(m.szLabel);
  return v;
}

std::vector<std::string> CPlatformDialogModel::DepthLabels()
{
  std::vector<std::string> v;
  for (const SColorDepth& d : g_ColorDepths)
    v.push_back(d.szLabel);
  return v;
}

std::vector<std::string> CPlatformDialogModel::InputLabels() { return { DISABLED_LABEL }; }
std::vector<std::string> CPlatformDialogModel::AudioLabels() { return { DISABLED_LABEL }; }

const char* CPlatformDialogModel::OkCaption() const
{
  return (m_dwFlags & DLGFLAG_SAVE_AND_EXIT) ? "SAVE AND EXIT" : "SAVE AND LAUNCH";
}

bool CPlatformDialogModel::SelectPlatform(int iSel)
{
  if (iSel < 0 || iSel >= static_cast<int>(m_platforms.size()) || !m_platforms[iSel].bAvailable)
    return false;
  m_iPlatformSel = iSel;
  return true;
}

PlatformChoice CPlatformDialogModel::Accept() const
{
  PlatformChoice c = m_choice;
  c.bAsk = m_bDontAsk ? 0 : 1;
  if (m_iAudioSel >= 0)
    c.wAudioIndex = static_cast<uint16_t>(m_iAudioSel);
  if (m_iInputSel >= 0)
    c.wInputIndex = static_cast<uint16_t>(m_iInputSel);

  if (m_iPlatformSel >= 0 && m_iPlatformSel < static_cast<int>(m_platforms.size()))
    c.wPlatformIndex = m_platforms[m_iPlatformSel].wTableIndex;
  else
    c.wPlatformIndex = PLATFORM_INDEX_NONE;

  // A list left without a selection keeps the choice's values rather than reading a
  // mode or depth that does not exist.
  if (m_iModeSel >= 0 && m_iModeSel < DISPLAY_MODE_COUNT)
  {
    c.wModeIndex = static_cast<uint16_t>(m_iModeSel);
    c.wWidth = g_DisplayModes[m_iModeSel].wWidth;
    c.wHeight = g_DisplayModes[m_iModeSel].wHeight;
  }
  if (m_iDepthSel >= 0 && m_iDepthSel < COLOR_DEPTH_COUNT)
  {
    c.wDepthIndex = static_cast<uint16_t>(m_iDepthSel);
    c.byColorDepth = g_ColorDepths[m_iDepthSel].byBits;
  }
  c.bFullscreen = m_bFullscreen ? 1 : 0;
  c.bDesktop = m_bDesktop ? 1 : 0;
  c.bRealTime = m_bRealTime ? 1 : 0;
  return c;
}
