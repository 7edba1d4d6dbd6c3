#pragma once

// Shared by the fuzz targets.  Each target's entry function is compiled twice: into a
// libFuzzer binary (clang, PLANETO_FUZZ=ON) and into the replay test, which feeds it
// the seed corpus and every saved reproducer so that a fixed finding stays fixed.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Cuts one fuzz input into the pieces a target needs.  Running out of bytes gives
// empty pieces, never an error, so every input is a valid one.
class CFuzzInput
{
public:
  CFuzzInput(const uint8_t* pData, size_t uSize) : m_pData(pData), m_uSize(uSize) {}

  // The bytes up to the next LF (dropped), at most uMax of them.
  std::string TakeLine(size_t uMax = 256)
  {
    size_t uStart = m_uPos;
    while (m_uPos < m_uSize && m_pData[m_uPos] != '\n' && m_uPos - uStart < uMax)
      ++m_uPos;
    std::string s(reinterpret_cast<const char*>(m_pData) + uStart, m_uPos - uStart);
    if (m_uPos < m_uSize && m_pData[m_uPos] == '\n')
      ++m_uPos;
    return s;
  }
  uint8_t TakeByte() { return m_uPos < m_uSize ? m_pData[m_uPos++] : 0; }
  uint32_t TakeU32()
  {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
      v |= static_cast<uint32_t>(TakeByte()) << (8 * i);
    return v;
  }
  std::string TakeBytes(size_t uCount)
  {
    size_t n = uCount < m_uSize - m_uPos ? uCount : m_uSize - m_uPos;
    std::string s(reinterpret_cast<const char*>(m_pData) + m_uPos, n);
    m_uPos += n;
    return s;
  }
  std::string Rest() { return TakeBytes(m_uSize - m_uPos); }

private:
  const uint8_t* m_pData;
  size_t m_uSize;
  size_t m_uPos = 0;
};

// A private directory for the files a target writes, removed at exit.
const std::string& FuzzTempDir();
// Writes the bytes as the file; false when it cannot.
bool FuzzWriteFile(const std::string& strPath, const std::string& bytes);

#ifdef PLANETO_FUZZ_REPLAY
#include <gtest/gtest.h>

// A broken invariant fails the replay test.
#define FUZZ_CHECK(cond)                                                                                     \
  do                                                                                                         \
  {                                                                                                          \
    if (!(cond))                                                                                             \
      ADD_FAILURE() << "invariant broken: " #cond;                                                           \
  } while (0)

// Runs every file of tests/fuzz/corpus/<name>/ and tests/fuzz/regressions/<name>/.
void ReplayFuzzInputs(const char* pszName, int (*pfnEntry)(const uint8_t*, size_t));

#define PLANETO_FUZZ_TARGET(name, entry)                                                                     \
  TEST(FuzzReplay, name) { ReplayFuzzInputs(#name, entry); }

#else

// A broken invariant is a finding: abort so that libFuzzer saves the input.
#define FUZZ_CHECK(cond)                                                                                     \
  do                                                                                                         \
  {                                                                                                          \
    if (!(cond))                                                                                             \
    {                                                                                                        \
      std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                     \
      std::abort();                                                                                          \
    }                                                                                                        \
  } while (0)

#define PLANETO_FUZZ_TARGET(name, entry)                                                                     \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t uSize) { return entry(pData, uSize); }

#endif
