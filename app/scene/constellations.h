#pragma once

#include "app/scene/scene_element.h"
#include "sdk/core/3d_math.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class C3DMath;
struct SEmbeddedFile;
class C3DObject;

// Point-sprite object (kind 0x8) with light 0, blending, colour material, own render
// states and one texture.
constexpr uint32_t STARS_OBJECT_KIND  = 0x8;
constexpr uint32_t STARS_RENDER_FLAGS = 0xC29;
// Most stars a random field is made of.  Each star is one vertex and one draw call per
// frame: a million already costs some 46 MB and seconds a frame, ten million a gigabyte.
constexpr uint32_t STARS_MAX_RANDOM = 1000000;

// One catalogue line cut into its fixed columns.
struct SCatalogStar
{
  double fRaHours, fRaMinutes, fRaSeconds;
  double fDecSign;                       // -1 with "-" in column 11, else +1
  double fDecDegrees, fDecMinutes, fDecSeconds;
  double fMagnitude;
  float  fSize;                          // (magnitude - 0.01) x 0.1992... x 100
  float  fDeclination;                   // radians
  float  fRightAscension;                // radians
};

// Cuts one line (the bytes before its LF; at most the first 26 columns are read, a
// shorter line reads its missing fields as 0) and computes size and angles.
void ParseCatalogLine(const char* pLine, size_t uLength, SCatalogStar* pOut);

// Every line of a catalogue text that ends with a line feed, in order: text after the
// last line feed is not a star.
std::vector<SCatalogStar> ParseCatalog(const char* pText, size_t uSize);

// The position of a catalogue star: (0, 0, 10) turned by the right ascension about Y,
// then by the declination about X, with the depth sign of the math object.
SVector3 CatalogStarPosition(C3DMath* pMath, const SCatalogStar& star);

// The grey level of a star: the low eight bits of trunc(size x 2.5); 0 when that is
// outside the 32-bit range or not a number.
uint8_t StarGreyLevel(float fSize);

// The star background: one point-list object travelling with the camera, filled at
// random or from a star catalogue; each star is drawn on its own with its point size
// and grey level.
class CConstellations : public CSceneElement
{
public:
  explicit CConstellations(SEngineSettings* pSettings);
  ~CConstellations() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void    Update() override;
  void    Draw() override;
  virtual ZRESULT LoadFromCatalog();

  C3DObject*   GetStarsObject() const { return m_pStars; }
  const float* GetSizes() const { return m_pfSizes; }
  uint32_t     GetCount() const { return m_dwCount; }

protected:
  // The catalogue text for a name; the embedded data by default.  Null when the name
  // resolves to nothing.
  virtual const SEmbeddedFile* FindCatalog(const char* pszName);

private:
  ZRESULT LoadStarTexture(uint32_t dwTextureFlags);
  bool    AllocateSizes(uint32_t dwCount);
  void    FreeSizes();

  C3DObject* m_pStars;
  float*     m_pfSizes;
  uint32_t   m_dwCount;
  uint8_t    m_bReadFromCatalog;
};
