#include "app/settings_overrides.h"

#include "data/embedded.h"
#include "sdk/core/ini_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <deque>

namespace
{

const char* const kStores[][2] = {
  { "engine", "Planeto.Engine.ini" },
  { "appli", "Planeto.Appli.ini" },
  { "font", "Planeto.Font.ini" },
};

// Edits (insert, delete, replace one character) from a to b, letter case aside: a key
// typed in lower case is still a slip of the same key.
size_t EditDistance(const std::string& a, const std::string& b)
{
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
  {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j)
    {
      const size_t above = row[j];
      const bool bSame = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                         std::toupper(static_cast<unsigned char>(b[j - 1]));
      row[j] = std::min({ above + 1, row[j - 1] + 1, diagonal + (bSame ? 0 : 1) });
      diagonal = above;
    }
  }
  return row[b.size()];
}

} // namespace

std::string ApplySettingOverrides(const char* pText, size_t uLength,
                                  const std::vector<SSettingOverride>& overrides, const std::string& store)
{
  std::string text(pText ? pText : "", pText ? uLength : 0);
  for (const SSettingOverride& o : overrides)
  {
    if (o.store != store)
      continue;
    CIniSettings ini(text.data(), static_cast<uint32_t>(text.size()));
    uint32_t uOffset = UINT32_MAX, uLen = 0, uSectionEnd = 0;
    if (!ini.LocateValue(o.section.c_str(), o.key.c_str(), &uOffset, &uLen, &uSectionEnd))
    {
      if (!text.empty() && text.back() != '\n')
        text += "\r\n";
      text += "[" + o.section + "]\r\n" + o.key + " = " + o.value + "\r\n";
    }
    else if (uOffset == UINT32_MAX)
    {
      if (uSectionEnd == text.size() && !text.empty() && text.back() != '\n')
      {
        text += "\r\n";
        uSectionEnd = static_cast<uint32_t>(text.size());
      }
      text.insert(uSectionEnd, o.key + " = " + o.value + "\r\n");
    }
    else
    {
      text.replace(uOffset, uLen, o.value);
    }
  }
  return text;
}

void InstallSettingOverrides(const std::vector<SSettingOverride>& overrides)
{
  // The texts live as long as the program, as the built-in ones do.
  static std::deque<std::string> s_texts;
  for (const auto& store : kStores)
  {
    bool bAny = false;
    for (const SSettingOverride& o : overrides)
      bAny = bAny || o.store == store[0];
    const SEmbeddedFile* pFile = FindEmbeddedText(store[1]);
    if (!bAny || !pFile)
      continue;
    s_texts.push_back(
        ApplySettingOverrides(reinterpret_cast<const char*>(pFile->data), pFile->size, overrides, store[0]));
    const std::string& text = s_texts.back();
    ReplaceEmbeddedText(store[1], reinterpret_cast<const unsigned char*>(text.c_str()),
                        static_cast<unsigned>(text.size()));
  }
}

std::vector<std::string> SettingOverrideWarnings(const std::vector<SSettingOverride>& overrides)
{
  std::vector<std::string> warnings;
  for (const SSettingOverride& o : overrides)
  {
    const SEmbeddedFile* pFile = nullptr;
    for (const auto& store : kStores)
      if (o.store == store[0])
        pFile = FindEmbeddedText(store[1]);
    if (!pFile)
      continue;
    const CIniSettings ini(reinterpret_cast<const char*>(pFile->data), pFile->size);
    uint32_t uOffset = UINT32_MAX, uLength = 0, uSectionEnd = 0;
    if (ini.LocateValue(o.section.c_str(), o.key.c_str(), &uOffset, &uLength, &uSectionEnd) &&
        uOffset != UINT32_MAX)
      continue;
    const std::string strName = o.section + "." + o.key;
    std::string strNearest;
    size_t uBest = SIZE_MAX;
    for (const CIniSettings::SKeyName& k : ini.ListKeys())
    {
      const std::string strKnown = k.strSection + "." + k.strKey;
      const size_t d = EditDistance(strName, strKnown);
      if (d < uBest)
        uBest = d, strNearest = strKnown;
    }
    std::string w = o.store + "." + strName + " is not a built-in setting";
    // A name far from every key is a new one rather than a slip.
    if (!strNearest.empty() && uBest <= std::max<size_t>(2, strName.size() / 3))
      w += "; the nearest is " + o.store + "." + strNearest;
    w += " (added as a new key)";
    if (std::find(warnings.begin(), warnings.end(), w) == warnings.end())
      warnings.push_back(w);
  }
  return warnings;
}
