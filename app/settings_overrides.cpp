#include "app/settings_overrides.h"

#include "data/embedded.h"
#include "sdk/core/ini_settings.h"

#include <cstdint>
#include <deque>

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
  static const char* const kStores[][2] = {
    { "engine", "Planeto.Engine.ini" },
    { "appli", "Planeto.Appli.ini" },
    { "font", "Planeto.Font.ini" },
  };
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
