// The command line: the input, cut at NUL bytes, is argv (program name first).  The
// options are parsed, what is left is classified, and the --set overrides are put into
// the built-in texts and into the input itself read as an INI text; after every
// override the lookup must find the value it set.  The raw input is classified too.

#include "tests/fuzz/fuzz_common.h"

#include "app/command_line.h"
#include "app/settings_overrides.h"
#include "data/embedded.h"
#include "sdk/core/ini_settings.h"

#include <cstring>
#include <vector>

namespace
{

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Applies the overrides one by one, checking each; the result must be the same as
// applying them all at once.
void CheckOverrides(const std::string& text, const std::vector<SSettingOverride>& overrides,
                    const std::string& store)
{
  std::string step = text;
  for (const SSettingOverride& o : overrides)
  {
    if (o.store != store)
      continue;
    step = ApplySettingOverrides(step.data(), step.size(), { o }, store);
    CIniSettings ini(step.data(), static_cast<uint32_t>(step.size()));
    std::vector<char> out(step.size() + 1);
    FUZZ_CHECK(ini.GetString(o.section.c_str(), o.key.c_str(), "", out.data(),
                             static_cast<uint32_t>(out.size())) == ZP_OK);
    size_t uFirst = 0;
    while (uFirst < o.value.size() && IsBlank(o.value[uFirst]))
      ++uFirst;
    FUZZ_CHECK(o.value.substr(uFirst) == out.data());
  }
  FUZZ_CHECK(ApplySettingOverrides(text.data(), text.size(), overrides, store) == step);
}

int FuzzCommandLine(const uint8_t* pData, size_t uSize)
{
  const std::string input(reinterpret_cast<const char*>(pData), uSize);

  // The raw input as one command line, up to its first NUL.
  int iMode = ClassifyCommandLine(input.c_str());
  FUZZ_CHECK(iMode >= RUN_APPLICATION && iMode <= RUN_SAVER);

  std::vector<std::string> args;
  size_t uStart = 0;
  while (uStart <= input.size() && args.size() < 64)
  {
    size_t uEnd = input.find('\0', uStart);
    if (uEnd == std::string::npos)
      uEnd = input.size();
    args.push_back(input.substr(uStart, uEnd - uStart));
    uStart = uEnd + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  argv.push_back(nullptr);

  SOptions options;
  std::string error;
  bool bOk = ParseOptions(static_cast<int>(args.size()), argv.data(), options, error);
  FUZZ_CHECK(bOk == error.empty());
  if (!bOk)
    return 0;
  iMode = ClassifyCommandLine(options.commandLine.c_str());
  FUZZ_CHECK(iMode >= RUN_APPLICATION && iMode <= RUN_SAVER);
  FUZZ_CHECK(options.platformIndex >= -1);
  FUZZ_CHECK(options.frames == -1 || options.frames >= 1);
  FUZZ_CHECK(options.step >= 0.0 && options.step <= 3000.0);
  (void)UsageText(argv[0]);
  for (const std::string& a : args)
    (void)PlatformIndexFromName(a);

  static const char* const kStores[][2] = {
    { "engine", "Planeto.Engine.ini" },
    { "appli", "Planeto.Appli.ini" },
    { "font", "Planeto.Font.ini" },
  };
  for (const auto& store : kStores)
  {
    for (const SSettingOverride& o : options.overrides)
      FUZZ_CHECK(o.store == "engine" || o.store == "appli" || o.store == "font");
    const SEmbeddedFile* pFile = FindEmbeddedText(store[1]);
    if (pFile)
      CheckOverrides(std::string(reinterpret_cast<const char*>(pFile->data), pFile->size), options.overrides,
                     store[0]);
    CheckOverrides(input, options.overrides, store[0]);
  }
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(command_line, FuzzCommandLine)
