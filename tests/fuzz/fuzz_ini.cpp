// The INI lookup over arbitrary text.  Input: a section line, a key line, one byte
// choosing the small buffer sizes, then the text.  Besides the section and key of the
// input, the first headers and keys found in the text itself are looked up, so that
// the fuzzer need not guess matching names.

#include "tests/fuzz/fuzz_common.h"

#include "sdk/core/ini_settings.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace
{

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string WithoutBlanks(const std::string& s)
{
  std::string out;
  for (char c : s)
    if (!IsBlank(c))
      out += c;
  return out;
}

// Up to four header names and four key names as they appear in the text.
void NamesInText(const std::string& text, std::vector<std::string>* pSections,
                 std::vector<std::string>* pKeys)
{
  size_t uStart = 0;
  while (uStart < text.size() && (pSections->size() < 4 || pKeys->size() < 4))
  {
    size_t uEnd = text.find('\n', uStart);
    if (uEnd == std::string::npos)
      uEnd = text.size();
    std::string line = text.substr(uStart, uEnd - uStart);
    size_t uOpen = line.find('['), uClose = line.find(']');
    size_t uEq = line.find('=');
    if (uOpen != std::string::npos && uClose != std::string::npos && uOpen < uClose && pSections->size() < 4)
      pSections->push_back(WithoutBlanks(line.substr(uOpen + 1, uClose - uOpen - 1)));
    else if (uEq != std::string::npos && pKeys->size() < 4)
      pKeys->push_back(WithoutBlanks(line.substr(0, uEq)));
    uStart = uEnd + 1;
  }
}

// A heap buffer of exactly uSize bytes, so that a write past it is caught.
struct SExactBuffer
{
  explicit SExactBuffer(uint32_t uSize) : p(uSize ? new char[uSize] : nullptr), size(uSize)
  {
    if (uSize)
      std::memset(p.get(), 'x', uSize);
  }
  std::unique_ptr<char[]> p;
  uint32_t size;
};

void Exercise(CIniSettings& ini, const std::string& text, const std::string& section, const std::string& key,
              uint8_t bySizes)
{
  const char* s = section.c_str();
  const char* k = key.c_str();

  uint32_t uOffset = 0, uLength = 0, uSectionEnd = 0;
  bool bFound = ini.LocateValue(s, k, &uOffset, &uLength, &uSectionEnd);
  std::string value;
  if (bFound)
  {
    FUZZ_CHECK(uSectionEnd <= text.size());
    if (uOffset != UINT32_MAX)
    {
      FUZZ_CHECK(uOffset >= uSectionEnd);
      FUZZ_CHECK(uOffset <= text.size() && uLength <= text.size() - uOffset);
      value = text.substr(uOffset, uLength);
      FUZZ_CHECK(value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
      FUZZ_CHECK(value.empty() || !IsBlank(value[0]));
    }
  }
  const bool bHasValue = bFound && uOffset != UINT32_MAX;

  // A buffer large enough for any value gives the whole value.
  {
    SExactBuffer big(static_cast<uint32_t>(text.size() + 1));
    ZRESULT r = ini.GetString(s, k, "dflt", big.p.get(), big.size);
    FUZZ_CHECK((r == ZP_OK) == bHasValue);
    if (bHasValue)
      FUZZ_CHECK(value == big.p.get());
    else
      FUZZ_CHECK(std::strncmp(big.p.get(), "dflt", big.size - 1) == 0);
  }
  // Small buffers: at most size - 1 characters and always terminated.
  for (uint32_t uSize : { static_cast<uint32_t>(bySizes & 7), static_cast<uint32_t>(bySizes >> 4) })
  {
    SExactBuffer small(uSize);
    ZRESULT r = ini.GetString(s, k, "default", small.p.get(), uSize);
    if (uSize)
    {
      size_t n = strnlen(small.p.get(), uSize);
      FUZZ_CHECK(n < uSize);
      if (r == ZP_OK)
        FUZZ_CHECK(value.compare(0, n, small.p.get()) == 0);
    }
    else
      FUZZ_CHECK(r == ZP_FAIL);
    SExactBuffer prefixed(uSize + 3);
    r = ini.GetStringWithPrefix(s, k, "dflt", prefixed.p.get(), prefixed.size, "Data/");
    size_t n = strnlen(prefixed.p.get(), prefixed.size);
    FUZZ_CHECK(n < prefixed.size);
    FUZZ_CHECK(std::string("Data/").compare(0, n < 5 ? n : 5, prefixed.p.get(), n < 5 ? n : 5) == 0);
  }

  // The numbers: a missing value gives the default.
  int32_t i = ini.GetInt(s, k, 12345);
  if (!bHasValue)
  {
    FUZZ_CHECK(i == 12345);
    FUZZ_CHECK(ini.GetBool(s, k, true));
    FUZZ_CHECK(ini.GetByte(s, k, 7) == 7);
    FUZZ_CHECK(ini.GetShort(s, k, 700) == 700);
    FUZZ_CHECK(ini.GetFloat(s, k, 1.5f) == 1.5f);
    FUZZ_CHECK(ini.GetDouble(s, k, 2.5) == 2.5);
  }
  else
  {
    // The narrower types are the low bits of the same number.
    FUZZ_CHECK(ini.GetByte(s, k, 7) == static_cast<uint8_t>(static_cast<uint32_t>(i) & 0xFF));
    FUZZ_CHECK(ini.GetShort(s, k, 700) == static_cast<uint16_t>(static_cast<uint32_t>(i) & 0xFFFF));
    FUZZ_CHECK(ini.GetBool(s, k, false) == (i != 0));
    double d = ini.GetDouble(s, k, 2.5);
    float f = ini.GetFloat(s, k, 1.5f);
    FUZZ_CHECK(std::isnan(d) ? std::isnan(f) : !std::isnan(f));
  }
  // The store is read-only.
  FUZZ_CHECK(ini.SetInt(s, k, 1) == ZP_FAIL);
  FUZZ_CHECK(ini.SetString(s, k, "x") == ZP_FAIL);
}

int FuzzIni(const uint8_t* pData, size_t uSize)
{
  CFuzzInput in(pData, uSize);
  std::string section = in.TakeLine(64);
  std::string key = in.TakeLine(64);
  uint8_t bySizes = in.TakeByte();
  std::string text = in.Rest();

  // The store borrows an exact heap copy: a read past the text is past the allocation.
  std::unique_ptr<char[]> copy(new char[text.size() ? text.size() : 1]);
  std::memcpy(copy.get(), text.data(), text.size());
  CIniSettings ini(copy.get(), static_cast<uint32_t>(text.size()));

  std::vector<std::string> sections, keys;
  NamesInText(text, &sections, &keys);
  std::vector<std::pair<std::string, std::string>> lookups = { { section, key } };
  for (size_t n = 0; n < sections.size() && n < keys.size(); ++n)
    lookups.emplace_back(sections[n], keys[n]);
  for (size_t n = 0; n < keys.size(); ++n)
    lookups.emplace_back(sections.empty() ? section : sections[0], keys[n]);
  for (const auto& l : lookups)
    Exercise(ini, text, l.first, l.second, bySizes);

  // Null and empty names never match.
  uint32_t uOffset = 0, uLength = 0, uSectionEnd = 0;
  FUZZ_CHECK(!ini.LocateValue(nullptr, key.c_str(), &uOffset, &uLength, &uSectionEnd));
  FUZZ_CHECK(!ini.LocateValue("", key.c_str(), &uOffset, &uLength, &uSectionEnd));
  FUZZ_CHECK(!ini.LocateValue(section.c_str(), "", &uOffset, &uLength, &uSectionEnd));
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(ini, FuzzIni)
