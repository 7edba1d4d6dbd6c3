#pragma once

// Scene objects of the software platform.  Vertices are kept in the engine's 40-byte
// layout with the engine's own conventions, so setters and getters store and return
// values as they are and the address getters can hand out the stored fields.  Part
// records hold the engine's primitive-type and cull-mode codes unchanged.
//
// Drawing walks the triangles of each part and draws every triangle as its three
// edges (CSoftRaster); textures are never sampled.

#include "sdk/core/3d_mesh_object.h"

#include <cstdint>

class CSoftRaster;
struct SPartRecord;

using SSoftVertex = SMeshVertex;

// Base of the software objects with vertex storage (kinds 0x2, 0x8 and 0x10).
class CObjectSoft : public C3DMeshObject
{
public:
  explicit CObjectSoft(CSoftRaster* pRaster);
  ~CObjectSoft() override;

  ZRESULT Release() override;
  ZRESULT Draw(int32_t iPartCount) override;
  ZRESULT DrawPart(uint32_t dwPart) override;
  ZRESULT DrawGeometry(int32_t iPartCount) override;
  ZRESULT DrawPartGeometry(uint32_t dwPart) override;



  // Nothing to record: the rasterizer has no state besides the target and depth.
  ZRESULT RecordRenderStates() override { return ZP_OK; }
  void ApplyRenderStates() override {}

  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;

  CSoftRaster* GetRaster() const { return m_pRaster; }

protected:
  // The triangle walk over parts [dwFirst, dwFirst + dwCount).
  ZRESULT Walk(uint32_t dwFirst, uint32_t dwCount, bool bRenderStates);
  template <typename TIndex>
  void WalkPart(const TIndex* pIndices, uint32_t dwIndexTotal, const SPartRecord& part);
  void DrawTriangle(uint32_t i0, uint32_t i1, uint32_t i2, uint32_t dwCullMode);
  // The screen point of a vertex, projected once per walk.
  const SVector3& Projected(uint32_t dwVertex);
  uint32_t PartsFor(int32_t iPartCount) const;
  void FreeVertices();

  CSoftRaster* m_pRaster;
  SVector3* m_pProjected; // per-vertex screen points of the current walk
  uint32_t* m_pStamps;    // walk number that last projected each vertex
  uint32_t m_dwStamp;
  uint32_t m_dwStorageCount; // vertices the arrays above hold
  bool m_bScreenSpace;       // kind 0x10: triangles are projected but not drawn

  // Per-walk values, set up once before the triangles.
  const SMatrix* m_pWalkWorld;
  SVector3 m_vWalkTranslation;
  uint32_t m_dwWalkFlags;
};

// Kind 0x2: perspective mesh.
class CObjectSoft3D : public CObjectSoft
{
public:
  explicit CObjectSoft3D(CSoftRaster* pRaster) : CObjectSoft(pRaster) {}
};

// Kind 0x10: screen-space object (e.g. the font).  Its triangles are projected and
// counted but nothing is drawn for them.
class CObjectSoft2D : public CObjectSoft
{
public:
  explicit CObjectSoft2D(CSoftRaster* pRaster) : CObjectSoft(pRaster) { m_bScreenSpace = true; }
};

// Kind 0x4: no geometry; every call is accepted and nothing is drawn.
class CObjectSoftBare : public C3DMeshObject
{
public:
  explicit CObjectSoftBare(CSoftRaster* pRaster) : m_pRaster(pRaster) {}

  ZRESULT SetupGeometry(uint32_t, uint32_t, uint32_t) override { return ZP_OK; }
  ZRESULT Draw(int32_t) override { return ZP_OK; }
  ZRESULT DrawPart(uint32_t) override { return ZP_OK; }
  ZRESULT DrawGeometry(int32_t) override { return ZP_OK; }
  ZRESULT DrawPartGeometry(uint32_t) override { return ZP_OK; }
  ZRESULT Commit() override { return ZP_OK; }
  ZRESULT ComputeNormals() override { return ZP_OK; }

  CSoftRaster* GetRaster() const { return m_pRaster; }

private:
  CSoftRaster* m_pRaster;
};

// Kind 0x8: point sprites (the star field), drawn as squares of ("MAX_SIZE" -
// "MIN_SIZE") x 0.01 x a size in percent.  PreparePart (slot 9) takes the object's
// matrix and DrawRange (slot 10) draws points of the user value's size in the grey of
// the colour factor; Draw and its kin draw every point of the parts at once, each of
// its own size (the vertex's texture coordinate u) in its vertex colour.
class CObjectSoftSprites : public CObjectSoft
{
public:
  explicit CObjectSoftSprites(CSoftRaster* pRaster) : CObjectSoft(pRaster) {}

  ZRESULT Draw(int32_t iPartCount) override { return DrawPoints(0, PartsFor(iPartCount)); }
  ZRESULT DrawPart(uint32_t dwPart) override { return DrawPoints(dwPart, 1); }
  ZRESULT DrawGeometry(int32_t iPartCount) override { return DrawPoints(0, PartsFor(iPartCount)); }
  ZRESULT DrawPartGeometry(uint32_t dwPart) override { return DrawPoints(dwPart, 1); }
  ZRESULT PreparePart(uint32_t dwPart) override;
  ZRESULT DrawRange(uint32_t dwFirstVertex, uint32_t dwPrimitiveCount, int32_t iPrimitiveType,
                    int32_t iCullMode) override;

private:
  ZRESULT DrawPoints(uint32_t dwFirstPart, uint32_t dwPartCount);
  // One point of the given size in percent, unless it is behind the viewer or beyond
  // the far plane.
  void PlotPoint(const SMatrix* pWorld, const SVector3& vPosition, float fPercent, uint32_t dwColor);

  const SMatrix* m_pPrepared = nullptr; // the matrix PreparePart put into effect
};
