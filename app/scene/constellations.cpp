#include "app/scene/constellations.h"

#include "app/scene/scene_images.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/log.h"
#include "sdk/core/settings_store.h"
#include "sdk/core/tracked_memory.h"
#include "sdk/core/world_base.h"

#include <cstdlib>
#include <cstring>

namespace
{

constexpr double TWO_POW_32 = 4294967296.0;
constexpr double PI = 3.141592653589793;
constexpr size_t CATALOG_COLUMNS = 26; // columns 0..25; the rest of a line is ignored

// atof of columns [uFirst, uFirst + uCount) of a zero-padded line.
double ColumnValue(const char* pLine, size_t uFirst, size_t uCount)
{
  char szField[8] = {};
  std::memcpy(szField, pLine + uFirst, uCount);
  return std::atof(szField);
}

} // namespace

void ParseCatalogLine(const char* pLine, size_t uLength, SCatalogStar* pOut)
{
  // Only the first 26 columns are read, from a zero-padded copy, so a short line never
  // makes the reader run past its end.
  char acLine[CATALOG_COLUMNS + 1] = {};
  std::memcpy(acLine, pLine, uLength < CATALOG_COLUMNS ? uLength : CATALOG_COLUMNS);

  pOut->fRaHours = ColumnValue(acLine, 0, 2);
  pOut->fRaMinutes = ColumnValue(acLine, 3, 2);
  pOut->fRaSeconds = ColumnValue(acLine, 6, 4);
  pOut->fDecSign = acLine[11] == '-' ? -1.0 : 1.0;
  pOut->fDecDegrees = ColumnValue(acLine, 12, 2);
  pOut->fDecMinutes = ColumnValue(acLine, 15, 2);
  pOut->fDecSeconds = ColumnValue(acLine, 18, 2);
  pOut->fMagnitude = ColumnValue(acLine, 21, 5);

  pOut->fSize = CatalogStarSize(pOut->fMagnitude);
  pOut->fDeclination = static_cast<float>(
      pOut->fDecSign * (pOut->fDecDegrees + pOut->fDecMinutes / 60.0 + pOut->fDecSeconds / 3600.0) * PI /
      180.0);
  pOut->fRightAscension =
      static_cast<float>((pOut->fRaHours * 3600.0 + pOut->fRaMinutes * 60.0 + pOut->fRaSeconds) *
                         1.1574074074074073e-5 * 6.283185308);
}

std::vector<SCatalogStar> ParseCatalog(const char* pText, size_t uSize)
{
  std::vector<SCatalogStar> stars;
  if (!pText)
    return stars;
  const char* pEnd = pText + uSize;
  for (const char* pLine = pText; pLine < pEnd;)
  {
    const char* pLf = static_cast<const char*>(std::memchr(pLine, '\n', static_cast<size_t>(pEnd - pLine)));
    if (!pLf)
      break;
    SCatalogStar star;
    ParseCatalogLine(pLine, static_cast<size_t>(pLf - pLine), &star);
    stars.push_back(star);
    pLine = pLf + 1;
  }
  return stars;
}

float CatalogStarSize(double fMagnitude)
{
  const double fPerMagnitude =
      (CATALOG_SIZE_LARGEST - CATALOG_SIZE_SMALLEST) / (CATALOG_MAG_FAINTEST - CATALOG_MAG_BRIGHTEST);
  const double fSize = CATALOG_SIZE_LARGEST - (fMagnitude - CATALOG_MAG_BRIGHTEST) * fPerMagnitude;
  if (!(fSize > CATALOG_SIZE_SMALLEST)) // also a magnitude that is not a number
    return CATALOG_SIZE_SMALLEST;
  return fSize < CATALOG_SIZE_LARGEST ? static_cast<float>(fSize) : CATALOG_SIZE_LARGEST;
}

SVector3 CatalogStarPosition(C3DMath* pMath, const SCatalogStar& star)
{
  // Each operation composes on the left, so the last one named acts first on the point:
  // out along z, up by the declination, round by the right ascension.  Both angles are
  // negated because a positive turn about X tips +z downwards and one about Y swings it
  // to +x, which would put north down and the east on the right.
  SMatrix m;
  pMath->Identity(&m);
  pMath->RotateY(&m, -star.fRightAscension);
  pMath->RotateX(&m, -star.fDeclination);
  pMath->TranslateZ(&m, 10.0f);
  SVector3 v;
  pMath->GetTranslation(&v, &m);
  return v;
}

uint8_t StarGreyLevel(float fSize)
{
  // Held to the byte's range rather than cut to its low eight bits, so a large size
  // never wraps round to a dim level.
  const float fLevel = fSize * 2.5f;
  if (!(fLevel > 0.0f))
    return 0;
  return fLevel >= 255.0f ? 255 : static_cast<uint8_t>(fLevel);
}

CConstellations::CConstellations(SEngineSettings* pSettings)
    : CSceneElement(pSettings), m_pStars(nullptr), m_pfSizes(nullptr), m_dwCount(0), m_bReadFromCatalog(1)
{
}

CConstellations::~CConstellations() { FreeSizes(); }

bool CConstellations::AllocateSizes(uint32_t dwCount)
{
  FreeSizes();
  if (dwCount == 0)
    return true;
  m_pfSizes = static_cast<float*>(TrackedCalloc(dwCount, sizeof(float)));
  return m_pfSizes != nullptr;
}

void CConstellations::FreeSizes()
{
  TrackedFree(m_pfSizes);
  m_pfSizes = nullptr;
}

const SEmbeddedFile* CConstellations::FindCatalog(const char* pszName)
{
  // The image table first, as every data name; then the catalogues built in beside it.
  const SEmbeddedFile* pFile = FindBuiltInImage(pszName);
  return pFile ? pFile : FindBuiltInCatalog(pszName);
}

ZRESULT CConstellations::LoadStarTexture(uint32_t dwTextureFlags)
{
  const SEmbeddedFile* pImage = ReadImageName(m_pSettings, "CONTELLATIONS", "STAR_TEXTURE", "Moon.tga");
  if (pImage && ZP_FAILED(m_pStars->SetTextureFromMemory(1, dwTextureFlags, pImage->data, pImage->size,
                                                         ALL_PARTS, 0, m_pSettings->szName)))
  {
    LogMessage(m_pSettings->szLogPath, 1, "# CConstellations::LoadTextureFromFile failed! (\"%s\")\n",
               m_pSettings->szName);
    return ZP_FAIL;
  }
  return ZP_OK;
}

ZRESULT CConstellations::Load()
{
  CWorldBase* pApp = App();
  if (!pApp)
    return ZP_FAIL;
  m_pStars = pApp->CreateObject(STARS_OBJECT_KIND, STARS_RENDER_FLAGS);
  if (!m_pStars)
    return ZP_FAIL;

  CSettingsStore* pStore = m_pSettings->pAppliStore;
  m_bReadFromCatalog = (pStore ? pStore->GetBool("CONTELLATIONS", "READ_FROM_CATALOG", true) : true) ? 1 : 0;
  if (m_bReadFromCatalog)
    return LoadFromCatalog();

  const int32_t iMax = pStore ? pStore->GetInt("CONTELLATIONS", "STARS_NB_MAX", 2000) : 2000;
  m_dwCount = iMax > 0 ? static_cast<uint32_t>(iMax) : 0; // a negative count means none
  if (m_dwCount > STARS_MAX_RANDOM)
  {
    LogMessage(m_pSettings->szLogPath, 1, "# CConstellations::Load STARS_NB_MAX = %d limited to %u\n", iMax,
               STARS_MAX_RANDOM);
    m_dwCount = STARS_MAX_RANDOM;
  }
  if (!AllocateSizes(m_dwCount))
  {
    m_dwCount = 0;
    return ZP_FAIL;
  }
  m_pStars->SetupGeometry(1, m_dwCount, m_dwCount);
  m_pStars->LockIndices();
  m_pStars->SetSequentialIndices();

  for (uint32_t i = 0; i < m_dwCount; ++i)
  {
    const uint32_t r1 = pApp->NextRandom();
    pApp->NextRandom(); // r2 and r3 are drawn and not used
    pApp->NextRandom();
    const uint32_t r4 = pApp->NextRandom();
    const uint32_t r5 = pApp->NextRandom();
    const uint32_t r6 = pApp->NextRandom();
    m_pfSizes[i] = static_cast<float>(5.0 + r1 * 95.0 / TWO_POW_32);
    const float x = static_cast<float>(r4 * 20000.0 / TWO_POW_32 - 10000.0);
    const float y = static_cast<float>(r5 * 20000.0 / TWO_POW_32 - 10000.0);
    const float z = static_cast<float>(r6 * 20000.0 / TWO_POW_32 - 10000.0);
    m_pStars->SetVertex(i, x, y, z, 0xFFFFFFFF, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0);
  }
  m_pStars->SetPart(0, 0, m_dwCount, 0, m_dwCount, m_dwCount, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  m_pStars->Commit();

  return LoadStarTexture(7);
}

ZRESULT CConstellations::LoadFromCatalog()
{
  m_dwCount = 0;
  if (!m_pStars)
    return ZP_FAIL;
  ReadSceneString(m_pSettings, "CONTELLATIONS", "CONTELLATIONS_CATALOG", "Constellations.catalog.txt",
                  m_pSettings->szName, sizeof(m_pSettings->szName));
  const SEmbeddedFile* pCatalog = FindCatalog(m_pSettings->szName);
  if (!pCatalog)
  {
    LogMessage(m_pSettings->szLogPath, 1, "# CConstellations::LoadFromCatalog failed! (\"%s\")\n",
               m_pSettings->szName);
    return ZP_FAIL;
  }

  const std::vector<SCatalogStar> stars =
      ParseCatalog(reinterpret_cast<const char*>(pCatalog->data), pCatalog->size);
  if (!AllocateSizes(static_cast<uint32_t>(stars.size())))
    return ZP_FAIL;
  m_dwCount = static_cast<uint32_t>(stars.size());
  m_pStars->SetupGeometry(1, m_dwCount, m_dwCount);
  m_pStars->LockIndices();
  m_pStars->SetSequentialIndices();

  // Each vertex carries its star's grey level and, in u, its size: the point-sprite
  // object draws them all in one go.
  for (uint32_t i = 0; i < m_dwCount; ++i)
  {
    const SVector3 v = CatalogStarPosition(m_pSettings->pMath, stars[i]);
    m_pfSizes[i] = stars[i].fSize;
    const uint32_t g = StarGreyLevel(stars[i].fSize);
    m_pStars->SetVertex(i, v.x, v.y, v.z, 0xFF000000u | g << 16 | g << 8 | g, stars[i].fSize, 0.0f, 0.0f,
                        0.0f, 0.0f, 0);
  }
  m_pStars->SetPart(0, 0, m_dwCount, 0, m_dwCount, m_dwCount, PRIMITIVE_POINT_LIST, CULL_CCW, -1);
  m_pStars->Commit();

  return LoadStarTexture(3);
}

ZRESULT CConstellations::Unload()
{
  FreeSizes();
  if (App())
    App()->DestroyObject(m_pStars);
  m_pStars = nullptr;
  m_dwCount = 0;
  return ZP_OK;
}

void CConstellations::Update()
{
  if (!m_pStars)
    return;
  SVector3 vCamera;
  m_pSettings->pMath->GetTranslation(&vCamera, &m_pSettings->matCamera);
  m_pSettings->pMath->SetTranslation(m_pStars->GetMatrix(), &vCamera);
}

void CConstellations::Draw()
{
  if (!m_pStars || !m_pfSizes)
    return;
  if (m_bReadFromCatalog)
  {
    m_pStars->Draw(ALL_PARTS);
    return;
  }
  m_pStars->PreparePart(0);
  for (uint32_t i = 0; i < m_dwCount; ++i)
  {
    m_pStars->SetUserValue(m_pfSizes[i]);
    // Opaque grey: the level alone would also go into the alpha byte.
    const uint32_t g = StarGreyLevel(m_pfSizes[i]);
    m_pStars->SetColorFactorWord(0xFF000000u | g << 16 | g << 8 | g);
    m_pStars->DrawRange(i, 1, -1, -1);
  }
}
