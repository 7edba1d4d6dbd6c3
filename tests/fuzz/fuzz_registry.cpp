// The registry file and the store over it.  Input: a section line, a key line, a
// control byte, a value line (the data of the writes), then the bytes of the registry
// file, written to $PLANETO_REGISTRY in a private directory before every run.  Keys
// and value names found in the file are read too; after each write every one of them
// must still read back as before, and the written value must read back as written.

#include "tests/fuzz/fuzz_common.h"

#include "sdk/core/registry_settings.h"
#include "sdk/os/registry.h"

#include <cstring>
#include <memory>
#include <strings.h>
#include <vector>

using namespace zos;

namespace
{

const char kBase[] = "SOFTWARE/Zephyro/Planeto/";
const char kRootPrefix[] = "HKEY_LOCAL_MACHINE\\";

struct SRead
{
  int32_t lResult = 0;
  uint32_t dwType = 0;
  std::string data;
};

// One value as the Reg* calls give it, checking that the size query and the reads
// with a large, an exact and a too small buffer agree.
SRead ReadValue(const std::string& subKey, const std::string& name)
{
  SRead r;
  HKEY hKey = nullptr;
  r.lResult = RegOpenKey(HKEY_LOCAL_MACHINE, subKey.c_str(), &hKey);
  if (r.lResult != ERROR_SUCCESS)
  {
    FUZZ_CHECK(hKey == nullptr);
    return r;
  }
  uint32_t uSize = 0;
  r.lResult = RegQueryValue(hKey, name.c_str(), &r.dwType, nullptr, &uSize);
  if (r.lResult == ERROR_SUCCESS)
  {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[uSize ? uSize : 1]);
    uint32_t uRead = uSize, dwType = 0;
    FUZZ_CHECK(RegQueryValue(hKey, name.c_str(), &dwType, exact.get(), &uRead) == ERROR_SUCCESS);
    FUZZ_CHECK(uRead == uSize && dwType == r.dwType);
    r.data.assign(reinterpret_cast<const char*>(exact.get()), uSize);
    if (uSize)
    {
      uint32_t uSmall = uSize - 1;
      std::unique_ptr<uint8_t[]> small(new uint8_t[uSmall ? uSmall : 1]);
      FUZZ_CHECK(RegQueryValue(hKey, name.c_str(), nullptr, small.get(), &uSmall) == ERROR_MORE_DATA);
      FUZZ_CHECK(uSmall == uSize);
    }
  }
  FUZZ_CHECK(RegCloseKey(hKey) == ERROR_SUCCESS);
  return r;
}

bool SameName(const std::string& a, const std::string& b)
{
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Key names (after the root) and value names that appear in the file text.
void NamesInFile(const std::string& text, std::vector<std::string>* pKeys, std::vector<std::string>* pValues)
{
  size_t uStart = 0;
  while (uStart < text.size() && (pKeys->size() < 4 || pValues->size() < 6))
  {
    size_t uEnd = text.find('\n', uStart);
    if (uEnd == std::string::npos)
      uEnd = text.size();
    std::string line = text.substr(uStart, uEnd - uStart);
    uStart = uEnd + 1;
    size_t uRoot = line.find(kRootPrefix);
    size_t uClose = line.rfind(']');
    if (uRoot != std::string::npos && uClose != std::string::npos && uClose > uRoot && pKeys->size() < 4)
    {
      size_t uFirst = uRoot + sizeof(kRootPrefix) - 1;
      // The calls take C strings: a name is what precedes its first NUL.
      pKeys->push_back(line.substr(uFirst, uClose - uFirst).c_str());
      continue;
    }
    size_t uOpen = line.find('"');
    size_t uQuote = uOpen == std::string::npos ? uOpen : line.find('"', uOpen + 1);
    if (uQuote != std::string::npos && pValues->size() < 6)
      pValues->push_back(line.substr(uOpen + 1, uQuote - uOpen - 1).c_str());
    else if (line.find('@') != std::string::npos && pValues->size() < 6)
      pValues->push_back("");
  }
}

struct SKnown
{
  std::string key, name;
  SRead read;
};

// Every value read before a write reads the same after it, except the one written.
void CheckUnchanged(const std::vector<SKnown>& known, const std::string& writtenKey,
                    const std::string& writtenName)
{
  for (const SKnown& k : known)
  {
    if (SameName(k.key, writtenKey) && SameName(k.name, writtenName))
      continue;
    SRead now = ReadValue(k.key, k.name);
    FUZZ_CHECK(now.lResult == k.read.lResult || k.read.lResult == ERROR_FILE_NOT_FOUND);
    if (k.read.lResult == ERROR_SUCCESS)
    {
      FUZZ_CHECK(now.dwType == k.read.dwType);
      FUZZ_CHECK(now.data == k.read.data);
    }
  }
}

void ReadThroughStore(CRegistrySettings& store, const char* s, const char* k, uint8_t byControl)
{
  store.GetBool(s, k, true);
  store.GetByte(s, k, 1);
  store.GetShort(s, k, 2);
  store.GetInt(s, k, 3);
  store.GetFloat(s, k, 4.0f);
  store.GetDouble(s, k, 5.0);
  for (uint32_t uSize : { 0u, 1u, static_cast<uint32_t>(byControl & 15), 300u })
  {
    std::unique_ptr<char[]> out(new char[uSize ? uSize : 1]);
    ZRESULT r = store.GetString(s, k, "default", out.get(), uSize);
    if (uSize)
      FUZZ_CHECK(strnlen(out.get(), uSize) < uSize);
    else
      FUZZ_CHECK(r == ZP_FAIL);
    std::unique_ptr<char[]> prefixed(new char[uSize + 2]);
    store.GetStringWithPrefix(s, k, "default", prefixed.get(), uSize + 2, "Data/");
    FUZZ_CHECK(strnlen(prefixed.get(), uSize + 2) < uSize + 2);
  }
}

int FuzzRegistry(const uint8_t* pData, size_t uSize)
{
  static const std::string s_strFile = []
  {
    std::string strPath = FuzzTempDir() + "/registry.reg";
    setenv("PLANETO_REGISTRY", strPath.c_str(), 1);
    return strPath;
  }();

  CFuzzInput in(pData, uSize);
  std::string section = in.TakeLine(64);
  std::string key = in.TakeLine(64);
  uint8_t byControl = in.TakeByte();
  std::string valueLine = in.TakeLine(64);
  std::string fileText = in.Rest();
  if (!FuzzWriteFile(s_strFile, fileText))
    return 0;

  CRegistrySettings store("Planeto");
  const char* s = section.c_str();
  const char* k = key.c_str();
  ReadThroughStore(store, s, k, byControl);

  // Everything readable now, by the names in the file and by the input's names.
  std::vector<std::string> keys, names;
  NamesInFile(fileText, &keys, &names);
  keys.push_back(kBase + std::string(s));
  names.push_back(k);
  std::vector<SKnown> known;
  for (const std::string& kn : keys)
    for (const std::string& vn : names)
      known.push_back(SKnown{ kn, vn, ReadValue(kn, vn) });

  const std::string subKey = kBase + std::string(s);
  switch (byControl % 6)
  {
    case 0: // read only
      break;
    case 1: // the DWORD kinds
    {
      int32_t iValue = 0;
      std::memcpy(&iValue, valueLine.data(), valueLine.size() < 4 ? valueLine.size() : 4);
      ZRESULT r = ZP_FAIL;
      switch ((byControl >> 4) & 3)
      {
        case 0: r = store.SetInt(s, k, iValue); break;
        case 1:
          r = store.SetShort(s, k, static_cast<uint16_t>(iValue));
          iValue &= 0xFFFF;
          break;
        case 2:
          r = store.SetByte(s, k, static_cast<uint8_t>(iValue));
          iValue &= 0xFF;
          break;
        case 3:
          r = store.SetBool(s, k, iValue != 0);
          iValue = iValue != 0;
          break;
      }
      if (r == ZP_OK)
      {
        FUZZ_CHECK(store.GetInt(s, k, iValue ^ 1) == iValue);
        FUZZ_CHECK(store.GetShort(s, k, 0) == static_cast<uint16_t>(iValue & 0xFFFF));
        FUZZ_CHECK(store.GetByte(s, k, 0) == static_cast<uint8_t>(iValue & 0xFF));
        FUZZ_CHECK(store.GetBool(s, k, iValue == 0) == (iValue != 0));
        // Not a number of the other kind.
        FUZZ_CHECK(store.GetDouble(s, k, 0.25) == 0.25);
      }
      break;
    }
    case 2: // the binary kinds
    {
      double d = 0;
      float f = 0;
      std::memcpy(&d, valueLine.data(), valueLine.size() < 8 ? valueLine.size() : 8);
      std::memcpy(&f, valueLine.data(), valueLine.size() < 4 ? valueLine.size() : 4);
      if (byControl & 0x10)
      {
        if (store.SetFloat(s, k, f) == ZP_OK)
        {
          float back = store.GetFloat(s, k, 1.0f);
          FUZZ_CHECK(std::memcmp(&back, &f, sizeof(f)) == 0);
          FUZZ_CHECK(store.GetDouble(s, k, 0.25) == 0.25);
          FUZZ_CHECK(store.GetInt(s, k, 77) == 77);
        }
      }
      else if (store.SetDouble(s, k, d) == ZP_OK)
      {
        double back = store.GetDouble(s, k, 1.0);
        FUZZ_CHECK(std::memcmp(&back, &d, sizeof(d)) == 0);
        FUZZ_CHECK(store.GetFloat(s, k, 0.25f) == 0.25f);
      }
      break;
    }
    case 3:
    {
      std::string text(valueLine.c_str());
      if (store.SetString(s, k, text.c_str()) == ZP_OK)
      {
        std::vector<char> out(text.size() + 1);
        FUZZ_CHECK(store.GetString(s, k, "default", out.data(), static_cast<uint32_t>(out.size())) == ZP_OK);
        FUZZ_CHECK(text == out.data());
      }
      break;
    }
    case 4: // any type, any bytes, straight through the Reg* calls
    {
      HKEY hKey = nullptr;
      if (RegCreateKey(HKEY_LOCAL_MACHINE, subKey.c_str(), &hKey) != ERROR_SUCCESS)
        break;
      uint32_t dwType = byControl >> 4;
      if (RegSetValue(hKey, k, dwType, valueLine.data(), static_cast<uint32_t>(valueLine.size())) ==
          ERROR_SUCCESS)
      {
        SRead back = ReadValue(subKey, k);
        FUZZ_CHECK(back.lResult == ERROR_SUCCESS);
        FUZZ_CHECK(back.dwType == dwType);
        FUZZ_CHECK(back.data == valueLine);
      }
      RegCloseKey(hKey);
      break;
    }
    case 5:
    {
      HKEY hKey = nullptr;
      if (RegCreateKey(HKEY_LOCAL_MACHINE, subKey.c_str(), &hKey) != ERROR_SUCCESS)
        break;
      if (RegDeleteValue(hKey, k) == ERROR_SUCCESS)
        FUZZ_CHECK(ReadValue(subKey, k).lResult == ERROR_FILE_NOT_FOUND);
      RegCloseKey(hKey);
      break;
    }
  }
  if (byControl % 6 != 0)
  {
    CheckUnchanged(known, subKey, k);
    ReadThroughStore(store, s, k, byControl);
  }
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(registry, FuzzRegistry)
