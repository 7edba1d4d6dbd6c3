// The star catalogue reader on arbitrary text: every line ended by a line feed is one
// star, whatever its bytes; its position, size and grey level are computed as the
// scene does when it loads and draws the stars.

#include "tests/fuzz/fuzz_common.h"

#include "app/scene/constellations.h"
#include "sdk/core/3d_math.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{

// Field by field and bit by bit: NaN fields compare equal, padding is left out.
template <typename T> bool SameBits(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

bool SameStar(const SCatalogStar& a, const SCatalogStar& b)
{
  return SameBits(a.fRaHours, b.fRaHours) && SameBits(a.fRaMinutes, b.fRaMinutes) &&
         SameBits(a.fRaSeconds, b.fRaSeconds) && SameBits(a.fDecSign, b.fDecSign) &&
         SameBits(a.fDecDegrees, b.fDecDegrees) && SameBits(a.fDecMinutes, b.fDecMinutes) &&
         SameBits(a.fDecSeconds, b.fDecSeconds) && SameBits(a.fMagnitude, b.fMagnitude) &&
         SameBits(a.fSize, b.fSize) && SameBits(a.fDeclination, b.fDeclination) &&
         SameBits(a.fRightAscension, b.fRightAscension);
}

int FuzzCatalog(const uint8_t* pData, size_t uSize)
{
  static C3DMath s_math;
  const char* pText = reinterpret_cast<const char*>(pData);
  std::vector<SCatalogStar> stars = ParseCatalog(pText, uSize);
  FUZZ_CHECK(stars.size() == static_cast<size_t>(std::count(pText, pText + uSize, '\n')));

  for (const SCatalogStar& star : stars)
  {
    FUZZ_CHECK(star.fDecSign == 1.0 || star.fDecSign == -1.0);
    SVector3 v = CatalogStarPosition(&s_math, star);
    // A star with finite angles lies on the sphere of radius ten.
    if (std::isfinite(star.fDeclination) && std::isfinite(star.fRightAscension) &&
        std::fabs(star.fDeclination) < 1e6f && std::fabs(star.fRightAscension) < 1e6f)
    {
      float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
      FUZZ_CHECK(std::fabs(len - 10.0f) < 1e-2f);
    }
    // Any magnitude gives a size in [5, 100] and a grey level that never wraps.
    FUZZ_CHECK(star.fSize >= 5.0f && star.fSize <= 100.0f);
    FUZZ_CHECK(StarGreyLevel(star.fSize) == static_cast<uint8_t>(star.fSize * 2.5f));
  }

  // Each line on its own, as the line parser is handed it.
  const char* pLine = pText;
  const char* pEnd = pText + uSize;
  size_t n = 0;
  while (pLine < pEnd)
  {
    const char* pLf = std::find(pLine, pEnd, '\n');
    SCatalogStar star;
    ParseCatalogLine(pLine, static_cast<size_t>(pLf - pLine), &star);
    if (pLf < pEnd)
    {
      FUZZ_CHECK(n < stars.size());
      if (n < stars.size())
        FUZZ_CHECK(SameStar(star, stars[n]));
      ++n;
    }
    pLine = pLf + 1;
  }
  return 0;
}

} // namespace

PLANETO_FUZZ_TARGET(catalog, FuzzCatalog)
