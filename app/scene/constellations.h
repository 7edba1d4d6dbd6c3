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
constexpr uint32_t STARS_OBJECT_KIND = 0x8;
constexpr uint32_t STARS_RENDER_FLAGS = 0xC29;
// Most stars a random field is made of.  Each star is one vertex and one draw call per
// frame: a million already costs some 46 MB and seconds a frame, ten million a gigabyte.
constexpr uint32_t STARS_MAX_RANDOM = 1000000;

// The catalogue magnitudes that map to the largest and the smallest star: a brighter
// star is larger and brighter, size falling by 10 a magnitude from 100 at -1.5 to 5 at
// 8.0 (the faintest stars of the built-in catalogue), the random field's range.
constexpr double CATALOG_MAG_BRIGHTEST = -1.5;
constexpr double CATALOG_MAG_FAINTEST = 8.0;
constexpr float CATALOG_SIZE_LARGEST = 100.0f;
constexpr float CATALOG_SIZE_SMALLEST = 5.0f;

// One catalogue line cut into its fixed columns.
struct SCatalogStar
{
  double fRaHours, fRaMinutes, fRaSeconds;
  double fDecSign; // -1 with "-" in column 11, else +1
  double fDecDegrees, fDecMinutes, fDecSeconds;
  double fMagnitude;
  float fSize;           // CatalogStarSize(magnitude)
  float fDeclination;    // radians
  float fRightAscension; // radians
};

// The size of a star of this magnitude, in [5, 100]; a magnitude that is not a number
// gives the smallest.
float CatalogStarSize(double fMagnitude);

// Cuts one line (the bytes before its LF; at most the first 26 columns are read, a
// shorter line reads its missing fields as 0) and computes size and angles.
void ParseCatalogLine(const char* pLine, size_t uLength, SCatalogStar* pOut);

// Every line of a catalogue text that ends with a line feed, in order: text after the
// last line feed is not a star.
std::vector<SCatalogStar> ParseCatalog(const char* pText, size_t uSize);

// The position of a catalogue star on the sphere of radius 10, celestial north up (+y)
// and right ascension 0 ahead (+z): (0, 0, 10) raised by the declination about X, then
// turned by the right ascension about Y so that it grows towards the east, which lies
// on the left of a viewer facing south.  The same on either depth sign.
SVector3 CatalogStarPosition(C3DMath* pMath, const SCatalogStar& star);

// The grey level of a star: trunc(size x 2.5) held to 0..255; 0 when not a number.
uint8_t StarGreyLevel(float fSize);

// The star background: one point-list object travelling with the camera, filled at
// random or from a star catalogue.  A random star is drawn on its own with its point
// size and grey level; the catalogue's stars carry theirs in their vertices (size in
// the texture coordinate u) and the object draws them all at once.
class CConstellations : public CSceneElement
{
public:
  explicit CConstellations(SEngineSettings* pSettings);
  ~CConstellations() override;

  ZRESULT Load() override;
  ZRESULT Unload() override;
  void Update() override;
  void Draw() override;
  virtual ZRESULT LoadFromCatalog();

  C3DObject* GetStarsObject() const { return m_pStars; }
  const float* GetSizes() const { return m_pfSizes; }
  uint32_t GetCount() const { return m_dwCount; }

protected:
  // The catalogue text for a name; the embedded data by default.  Null when the name
  // resolves to nothing.
  virtual const SEmbeddedFile* FindCatalog(const char* pszName);

private:
  ZRESULT LoadStarTexture(uint32_t dwTextureFlags);
  bool AllocateSizes(uint32_t dwCount);
  void FreeSizes();

  C3DObject* m_pStars;
  float* m_pfSizes;
  uint32_t m_dwCount;
  uint8_t m_bReadFromCatalog;
};
