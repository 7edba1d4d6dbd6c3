#include "tests/fuzz/fuzz_common.h"

#include <cstdlib>
#include <filesystem>
#include <cstring>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace
{
std::string g_strTempDir;

void RemoveTempDir()
{
  std::error_code ec;
  if (!g_strTempDir.empty())
    std::filesystem::remove_all(g_strTempDir, ec);
}
} // namespace

const std::string& FuzzTempDir()
{
  if (g_strTempDir.empty())
  {
    // Memory-backed when possible: the registry target rewrites its file on every run.
    for (const char* pszBase : { "/dev/shm", "/tmp" })
    {
      std::string strTemplate = std::string(pszBase) + "/planeto-fuzz.XXXXXX";
      if (mkdtemp(strTemplate.data()))
      {
        g_strTempDir = strTemplate;
        std::atexit(RemoveTempDir);
        break;
      }
    }
    if (g_strTempDir.empty())
    {
      std::fprintf(stderr, "no temporary directory\n");
      std::abort();
    }
  }
  return g_strTempDir;
}

bool FuzzWriteFile(const std::string& strPath, const std::string& bytes)
{
  std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

#ifdef PLANETO_FUZZ_REPLAY
void ReplayFuzzInputs(const char* pszName, int (*pfnEntry)(const uint8_t*, size_t))
{
  namespace fs = std::filesystem;
  const fs::path top = fs::path(PLANETO_SOURCE_DIR) / "tests" / "fuzz";
  size_t uSeeds = 0;
  for (const char* pszKind : { "corpus", "regressions" })
  {
    fs::path dir = top / pszKind / pszName;
    if (!fs::is_directory(dir))
      continue;
    for (const fs::directory_entry& e : fs::directory_iterator(dir))
    {
      if (!e.is_regular_file())
        continue;
      std::ifstream in(e.path(), std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      SCOPED_TRACE(e.path().string());
      // An exact copy, so that a read past the end is past the allocation.
      std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size() ? bytes.size() : 1]);
      std::memcpy(copy.get(), bytes.data(), bytes.size());
      pfnEntry(copy.get(), bytes.size());
      if (std::string(pszKind) == "corpus")
        ++uSeeds;
    }
  }
  EXPECT_GT(uSeeds, 0u) << "no seeds in tests/fuzz/corpus/" << pszName;
}
#endif
