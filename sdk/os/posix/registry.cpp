#include "sdk/os/registry.h"

#include "sdk/os/user_paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zos
{

struct SRegistryKey
{
  const char* pszRoot; // set on the two roots only
  std::string strName; // "ROOT\subkey" as it heads the key's lines
  bool bWritable;
  struct SValue
  {
    std::string strName;
    uint32_t dwType;
    std::vector<uint8_t> data;
  };
  std::vector<SValue> values; // read when the key was opened, kept up to date by writes
};

namespace
{
SRegistryKey g_CurrentUser = { "HKEY_CURRENT_USER", "", false, {} };
SRegistryKey g_LocalMachine = { "HKEY_LOCAL_MACHINE", "", false, {} };

typedef SRegistryKey::SValue SValue;

struct SKeyData
{
  std::string strName;
  std::vector<SValue> values;
};

struct SFileData
{
  std::vector<SKeyData> keys;
  bool bDamaged = false;   // some line could not be read
  std::string strOriginal; // the file's bytes as read
};

bool SameName(const std::string& a, const std::string& b)
{
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

SKeyData* FindKey(SFileData& file, const std::string& strName)
{
  for (SKeyData& key : file.keys)
    if (SameName(key.strName, strName))
      return &key;
  return nullptr;
}

SValue* FindValue(std::vector<SValue>& values, const std::string& strName)
{
  for (SValue& value : values)
    if (SameName(value.strName, strName))
      return &value;
  return nullptr;
}

void PutValue(std::vector<SValue>& values, const SValue& value)
{
  if (SValue* pOld = FindValue(values, value.strName))
    *pOld = value;
  else
    values.push_back(value);
}

// ---- reading ---------------------------------------------------------------------

int HexDigit(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

void TrimRight(std::string& s)
{
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.pop_back();
}

size_t SkipBlanks(const std::string& s, size_t i)
{
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
    ++i;
  return i;
}

// A quoted text starting at s[i] == '"', with \\ and \" escapes.  On success i is past
// the closing quote.
bool ParseQuoted(const std::string& s, size_t& i, std::string& out)
{
  if (i >= s.size() || s[i] != '"')
    return false;
  out.clear();
  for (++i; i < s.size(); ++i)
  {
    char c = s[i];
    if (c == '"')
    {
      ++i;
      return true;
    }
    if (c == '\\')
    {
      if (i + 1 >= s.size())
        return false;
      out += s[++i];
      continue;
    }
    out += c;
  }
  return false;
}

// "aa,bb,cc" (possibly empty) into bytes.
bool ParseHexList(const std::string& s, size_t i, std::vector<uint8_t>& out)
{
  out.clear();
  i = SkipBlanks(s, i);
  if (i >= s.size())
    return true;
  for (;;)
  {
    i = SkipBlanks(s, i);
    if (i >= s.size())
      return false; // a comma with nothing after it
    int hi = HexDigit(s[i]);
    int lo = i + 1 < s.size() ? HexDigit(s[i + 1]) : -1;
    if (hi < 0 || lo < 0)
      return false;
    out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    i = SkipBlanks(s, i + 2);
    if (i >= s.size())
      return true;
    if (s[i] != ',')
      return false;
    ++i;
  }
}

// The data part of a value line, after "=".
bool ParseData(const std::string& s, size_t i, SValue& value)
{
  i = SkipBlanks(s, i);
  if (i < s.size() && s[i] == '"')
  {
    std::string text;
    if (!ParseQuoted(s, i, text) || SkipBlanks(s, i) != s.size())
      return false;
    value.dwType = REG_SZ;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return true;
  }
  if (s.compare(i, 6, "dword:") == 0)
  {
    i += 6;
    uint32_t dw = 0;
    size_t uDigits = 0;
    for (; i < s.size() && HexDigit(s[i]) >= 0; ++i, ++uDigits)
      dw = dw * 16 + static_cast<uint32_t>(HexDigit(s[i]));
    if (uDigits == 0 || uDigits > 8 || SkipBlanks(s, i) != s.size())
      return false;
    value.dwType = REG_DWORD;
    value.data = { static_cast<uint8_t>(dw), static_cast<uint8_t>(dw >> 8), static_cast<uint8_t>(dw >> 16),
                   static_cast<uint8_t>(dw >> 24) };
    return true;
  }
  if (s.compare(i, 4, "hex:") == 0)
  {
    value.dwType = REG_BINARY;
    return ParseHexList(s, i + 4, value.data);
  }
  if (s.compare(i, 4, "hex(") == 0)
  {
    i += 4;
    uint32_t dwType = 0;
    size_t uDigits = 0;
    for (; i < s.size() && HexDigit(s[i]) >= 0; ++i, ++uDigits)
      dwType = dwType * 16 + static_cast<uint32_t>(HexDigit(s[i]));
    if (uDigits == 0 || uDigits > 8 || s.compare(i, 2, "):") != 0)
      return false;
    value.dwType = dwType;
    return ParseHexList(s, i + 2, value.data);
  }
  return false;
}

// Lines of a value whose hex data wraps onto following lines ("...,\" then "  ...").
bool EndsWithContinuation(const std::string& s)
{
  return !s.empty() && s.back() == '\\' && s.find("=hex") != std::string::npos;
}

SFileData ParseFile(const std::string& text)
{
  SFileData file;
  file.strOriginal = text;
  std::vector<std::string> lines;
  size_t uStart = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    uStart = 3;
  while (uStart < text.size())
  {
    size_t uEnd = text.find('\n', uStart);
    if (uEnd == std::string::npos)
      uEnd = text.size();
    std::string line = text.substr(uStart, uEnd - uStart);
    TrimRight(line);
    lines.push_back(line);
    uStart = uEnd + 1;
  }

  SKeyData* pKey = nullptr;
  bool bFirst = true;
  for (size_t n = 0; n < lines.size(); ++n)
  {
    std::string line = lines[n];
    while (EndsWithContinuation(line) && n + 1 < lines.size())
    {
      line.pop_back();
      const std::string& next = lines[++n];
      line += next.substr(SkipBlanks(next, 0));
    }
    size_t i = SkipBlanks(line, 0);
    bool bVersionLine = bFirst && line.compare(i, 16, "Windows Registry") == 0;
    bFirst = false;
    if (i >= line.size() || line[i] == ';' || bVersionLine)
      continue;
    if (line[i] == '[')
    {
      size_t uClose = line.rfind(']');
      std::string strName =
          uClose != std::string::npos && uClose > i ? line.substr(i + 1, uClose - i - 1) : "";
      if (strName.empty() || strName[0] == '-' || strName.find('\\') == std::string::npos ||
          SkipBlanks(line, uClose + 1) != line.size())
      {
        file.bDamaged = true;
        pKey = nullptr; // values below an unreadable header belong to no key
        continue;
      }
      pKey = FindKey(file, strName);
      if (!pKey)
      {
        file.keys.push_back(SKeyData{ strName, {} });
        pKey = &file.keys.back();
      }
      continue;
    }
    SValue value;
    bool bOk = false;
    if (line[i] == '"' && ParseQuoted(line, i, value.strName))
      bOk = true;
    else if (line[i] == '@')
    {
      value.strName.clear();
      ++i;
      bOk = true;
    }
    if (bOk)
    {
      i = SkipBlanks(line, i);
      bOk = i < line.size() && line[i] == '=' && ParseData(line, i + 1, value);
    }
    if (!bOk || !pKey)
    {
      file.bDamaged = true;
      continue;
    }
    PutValue(pKey->values, value); // a repeated name: the later line wins, as on import
  }
  return file;
}

// ---- writing ---------------------------------------------------------------------

std::string Quote(const std::string& s)
{
  std::string out = "\"";
  for (char c : s)
  {
    if (c == '\\' || c == '"')
      out += '\\';
    out += c;
  }
  return out + '"';
}

std::string HexList(const std::vector<uint8_t>& data)
{
  static const char s_szDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < data.size(); ++i)
  {
    if (i)
      out += ',';
    out += s_szDigits[data[i] >> 4];
    out += s_szDigits[data[i] & 15];
  }
  return out;
}

// A REG_SZ is written as text only when the text gives back exactly the same bytes.
bool IsPlainString(const std::vector<uint8_t>& data)
{
  if (data.empty() || data.back() != 0)
    return false;
  for (size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0 || data[i] == '\n' || data[i] == '\r')
      return false;
  return true;
}

std::string FormatFile(const SFileData& file)
{
  std::string out = "Windows Registry Editor Version 5.00\n";
  for (const SKeyData& key : file.keys)
  {
    out += "\n[" + key.strName + "]\n";
    for (const SValue& value : key.values)
    {
      out += value.strName.empty() ? std::string("@") : Quote(value.strName);
      out += '=';
      char szBuffer[32];
      if (value.dwType == REG_DWORD && value.data.size() == 4)
      {
        uint32_t dw = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                      (static_cast<uint32_t>(value.data[3]) << 24);
        std::snprintf(szBuffer, sizeof(szBuffer), "dword:%08x", dw);
        out += szBuffer;
      }
      else if (value.dwType == REG_SZ && IsPlainString(value.data))
        out += Quote(std::string(value.data.begin(), value.data.end() - 1));
      else if (value.dwType == REG_BINARY)
        out += "hex:" + HexList(value.data);
      else
      {
        std::snprintf(szBuffer, sizeof(szBuffer), "hex(%x):", value.dwType);
        out += szBuffer + HexList(value.data);
      }
      out += '\n';
    }
  }
  return out;
}

std::string DirectoryOf(const std::string& strPath)
{
  size_t uSlash = strPath.find_last_of('/');
  if (uSlash == std::string::npos)
    return ".";
  return uSlash == 0 ? "/" : strPath.substr(0, uSlash);
}

// Replaces the file with the text: written to a temporary file beside it, flushed to
// disk, then renamed over it, so that a reader sees the old or the new file, whole.
bool WriteAtomically(const std::string& strPath, const std::string& text)
{
  if (strPath.empty())
    return false;
  std::string strDir = DirectoryOf(strPath);
  if (!MakeDirectories(strDir))
    return false;
  // A write-protected file stays as it is, although its directory would allow the rename.
  if (access(strPath.c_str(), F_OK) == 0 && access(strPath.c_str(), W_OK) != 0)
    return false;
  std::string strTemp = strPath + ".XXXXXX";
  std::vector<char> name(strTemp.begin(), strTemp.end());
  name.push_back(0);
  int fd = mkstemp(name.data());
  if (fd < 0)
    return false;
  bool bOk = true;
  size_t uDone = 0;
  while (bOk && uDone < text.size())
  {
    ssize_t n = write(fd, text.data() + uDone, text.size() - uDone);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      bOk = false;
    else
      uDone += static_cast<size_t>(n);
  }
  bOk = bOk && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  bOk = (close(fd) == 0) && bOk;
  bOk = bOk && rename(name.data(), strPath.c_str()) == 0;
  if (!bOk)
    unlink(name.data());
  return bOk;
}

enum class ELoad
{
  Ok,
  Missing,
  Unreadable
};

ELoad LoadFile(const std::string& strPath, SFileData& file)
{
  file = SFileData();
  if (strPath.empty())
    return ELoad::Unreadable;
  int fd = open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT ? ELoad::Missing : ELoad::Unreadable;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
  {
    close(fd);
    return ELoad::Unreadable;
  }
  std::string text;
  char buffer[65536];
  for (;;)
  {
    ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
    {
      close(fd);
      return ELoad::Unreadable;
    }
    if (n == 0)
      break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  file = ParseFile(text);
  return ELoad::Ok;
}

// Saves the changed data.  Before a damaged file is replaced, its bytes are kept beside
// it (".bad"), so that the lines that could not be read are not lost either.
bool SaveFile(const std::string& strPath, const SFileData& file)
{
  if (file.bDamaged)
    WriteAtomically(strPath + ".bad", file.strOriginal);
  return WriteAtomically(strPath, FormatFile(file));
}

bool ValidName(const char* psz) { return psz && std::strpbrk(psz, "\r\n") == nullptr; }

std::string FullName(HKEY hRoot, const char* pszSubKey)
{
  return std::string(hRoot->pszRoot) + "\\" + pszSubKey;
}

bool IsRoot(HKEY h) { return h == &g_CurrentUser || h == &g_LocalMachine; }

} // namespace

const HKEY HKEY_CURRENT_USER = &g_CurrentUser;
const HKEY HKEY_LOCAL_MACHINE = &g_LocalMachine;

std::string RegistryFilePath()
{
  const char* psz = std::getenv("PLANETO_REGISTRY");
  if (psz && *psz)
    return psz;
  const std::string strBase = XdgDirectory("XDG_CONFIG_HOME", ".config");
  if (strBase.empty())
    return strBase;
  return strBase + "/zephyro/registry.reg";
}

int32_t RegOpenKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult)
{
  if (!phResult)
    return ERROR_INVALID_PARAMETER;
  *phResult = nullptr;
  if (!hRoot || !IsRoot(hRoot) || !ValidName(pszSubKey))
    return ERROR_INVALID_PARAMETER;
  SFileData file;
  ELoad eLoad = LoadFile(RegistryFilePath(), file);
  if (eLoad != ELoad::Ok)
    return eLoad == ELoad::Missing ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
  SKeyData* pKey = FindKey(file, FullName(hRoot, pszSubKey));
  if (!pKey)
    return ERROR_FILE_NOT_FOUND;
  *phResult = new SRegistryKey{ nullptr, pKey->strName, false, pKey->values };
  return ERROR_SUCCESS;
}

int32_t RegCreateKey(HKEY hRoot, const char* pszSubKey, HKEY* phResult)
{
  if (!phResult)
    return ERROR_INVALID_PARAMETER;
  *phResult = nullptr;
  if (!hRoot || !IsRoot(hRoot) || !ValidName(pszSubKey) || !*pszSubKey)
    return ERROR_INVALID_PARAMETER;
  std::string strPath = RegistryFilePath();
  SFileData file;
  ELoad eLoad = LoadFile(strPath, file);
  if (eLoad == ELoad::Unreadable)
    return ERROR_ACCESS_DENIED; // rewriting it would lose what it holds
  std::string strName = FullName(hRoot, pszSubKey);
  SKeyData* pKey = FindKey(file, strName);
  if (!pKey)
  {
    file.keys.push_back(SKeyData{ strName, {} });
    pKey = &file.keys.back();
    if (!SaveFile(strPath, file))
      return ERROR_ACCESS_DENIED;
  }
  else if (access(strPath.c_str(), W_OK) != 0)
    return ERROR_ACCESS_DENIED;
  *phResult = new SRegistryKey{ nullptr, pKey->strName, true, pKey->values };
  return ERROR_SUCCESS;
}

int32_t RegQueryValue(HKEY hKey, const char* pszName, uint32_t* pdwType, void* pData, uint32_t* puSize)
{
  if (!hKey || IsRoot(hKey))
    return ERROR_INVALID_HANDLE;
  if (pData && !puSize)
    return ERROR_INVALID_PARAMETER;
  SValue* pValue = FindValue(hKey->values, pszName ? pszName : "");
  if (!pValue)
    return ERROR_FILE_NOT_FOUND;
  uint32_t uSize = static_cast<uint32_t>(pValue->data.size());
  if (pdwType)
    *pdwType = pValue->dwType;
  if (pData && *puSize < uSize)
  {
    *puSize = uSize;
    return ERROR_MORE_DATA;
  }
  if (pData && uSize)
    std::memcpy(pData, pValue->data.data(), uSize);
  if (puSize)
    *puSize = uSize;
  return ERROR_SUCCESS;
}

int32_t RegSetValue(HKEY hKey, const char* pszName, uint32_t dwType, const void* pData, uint32_t uSize)
{
  if (!hKey || IsRoot(hKey))
    return ERROR_INVALID_HANDLE;
  if (!hKey->bWritable)
    return ERROR_ACCESS_DENIED;
  if ((uSize && !pData) || (pszName && !ValidName(pszName)))
    return ERROR_INVALID_PARAMETER;
  std::string strPath = RegistryFilePath();
  SFileData file;
  if (LoadFile(strPath, file) == ELoad::Unreadable)
    return ERROR_ACCESS_DENIED;
  SKeyData* pKey = FindKey(file, hKey->strName);
  if (!pKey)
  {
    // Someone removed the key from the file meanwhile: put it back.
    file.keys.push_back(SKeyData{ hKey->strName, {} });
    pKey = &file.keys.back();
  }
  SValue value;
  value.strName = pszName ? pszName : "";
  value.dwType = dwType;
  const uint8_t* p = static_cast<const uint8_t*>(pData);
  value.data.assign(p, p + uSize);
  PutValue(pKey->values, value);
  if (!SaveFile(strPath, file))
    return ERROR_ACCESS_DENIED;
  hKey->values = pKey->values;
  return ERROR_SUCCESS;
}

int32_t RegDeleteValue(HKEY hKey, const char* pszName)
{
  if (!hKey || IsRoot(hKey))
    return ERROR_INVALID_HANDLE;
  if (!hKey->bWritable)
    return ERROR_ACCESS_DENIED;
  std::string strPath = RegistryFilePath();
  SFileData file;
  if (LoadFile(strPath, file) != ELoad::Ok)
    return ERROR_FILE_NOT_FOUND;
  SKeyData* pKey = FindKey(file, hKey->strName);
  std::string strName = pszName ? pszName : "";
  if (!pKey || !FindValue(pKey->values, strName))
    return ERROR_FILE_NOT_FOUND;
  for (size_t i = 0; i < pKey->values.size(); ++i)
    if (SameName(pKey->values[i].strName, strName))
    {
      pKey->values.erase(pKey->values.begin() + static_cast<long>(i));
      break;
    }
  if (!SaveFile(strPath, file))
    return ERROR_ACCESS_DENIED;
  hKey->values = pKey->values;
  return ERROR_SUCCESS;
}

int32_t RegCloseKey(HKEY hKey)
{
  if (!hKey || IsRoot(hKey))
    return ERROR_INVALID_HANDLE;
  delete hKey;
  return ERROR_SUCCESS;
}

} // namespace zos
