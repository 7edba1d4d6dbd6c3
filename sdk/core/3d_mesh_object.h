#pragma once

#include "sdk/core/3d_object.h"

#include <vector>

struct SPartRecord;

// One vertex as every platform keeps it (40 bytes, the order of Direct3D's flexible
// vertex format and of the arrays OpenGL draws from).
struct SMeshVertex
{
  SVector3 vPosition;
  SVector3 vNormal;
  uint32_t dwDiffuse;  // ARGB
  uint32_t dwSpecular; // ARGB
  SVector2 vTexCoord;
};
static_assert(sizeof(SMeshVertex) == 40, "a vertex is 40 bytes");

// What a platform's objects change of a vertex on the way in, and change back on the
// way out, so that callers always see engine values.
struct SVertexConvention
{
  float fZ = 1.0f;         // position z is stored times this
  bool bFlipV = false;     // v is stored as 1 - v
  float fNormalXY = 1.0f;  // normal x and y are stored times this
  float fNormalZ = 1.0f;   // normal z likewise
  bool bAddresses = false; // the position, texture and normal address getters hand out the stored fields
};

// What the shape builder knows of a part it made, in engine space: whether its
// triangles close a surface and which way they wind, and the balls that bound it.
struct SPartHint
{
  bool bClosed = false;
  int8_t iOutward = 0;   // +1: counter-clockwise seen from outside (right-handed), -1 the other way
  SVector3 vCentre = {}; // of both balls
  float fRadius = 0.0f;  // reaches every vertex
  float fInner = 0.0f;   // lies inside the surface, touching no triangle
};

// How a platform's part records hold the primitive type and the cull mode: its codes
// for the engine's, or null for the engine's codes unchanged.
struct SPartCodes
{
  uint32_t adwPrimitive[6]; // by engine primitive type
  uint32_t dwPrimitiveOther; // for an engine type past the table
  uint32_t adwCull[4];      // by engine cull mode

  // Both ways: an engine code past the table takes the default; a platform code the
  // table lacks reads as a triangle list, or no culling.
  uint32_t Primitive(uint32_t dwEngineType) const;
  uint32_t EnginePrimitive(uint32_t dwCode) const;
  uint32_t Cull(uint32_t dwEngineMode) const;
  uint32_t EngineCull(uint32_t dwCode) const;
};

// What every platform's objects share: the vertex store with its setters and getters,
// materials, texture table, index buffer and part records with their codes, normals,
// Commit's shared part, the texture helpers and the generated shapes.  A platform
// derives its base object from this class, sets its vertex convention and part codes,
// and supplies drawing, the render states and what it keeps beside the vertices (the
// hooks below).
//
// Texture references: every non-null texture-table entry holds one reference on its
// texture in the device's list.  SetTexture takes one for the texture it stores and
// gives back the one of the entry it overwrites; Release, SetupGeometry and
// ReleasePartTexture give back what the table holds.  So a texture placed in several
// rows, or swapped in and out every frame, is freed exactly when its last holder lets
// it go.
class C3DMeshObject : public C3DObject
{
public:
  C3DMeshObject();
  ~C3DMeshObject() override;

  ZRESULT Attach(SEngineSettings* pSettings) override;
  ZRESULT Release() override;
  ZRESULT ApplyProjection() override;
  void* GetIndexData() override;
  void* GetVertexData() override;
  SMatrix* ResetMatrix() override;
  ZRESULT SetupGeometry(uint32_t dwPartCount, uint32_t dwVertexCount, uint32_t dwIndexCount) override;
  ZRESULT LockIndices() override;
  void SetIndex(uint32_t dwPosition, uint32_t dwValue) override;
  void SetVertex(uint32_t dwVertex, float x, float y, float z, uint32_t dwDiffuse, float u, float v, float nx,
                 float ny, float nz, uint32_t dwSpecular) override;
  void SetPosition(uint32_t dwVertex, const SVector3* pPosition) override;
  void SetTexCoord(uint32_t dwVertex, const SVector2* pTexCoord) override;
  void SetNormal(uint32_t dwVertex, const SVector3* pNormal) override;
  void SetDiffuse(uint32_t dwVertex, uint32_t dwColor) override;
  void SetSpecular(uint32_t dwVertex, uint32_t dwColor) override;
  void GetVertex(uint32_t dwVertex, SVector3* pPosition, uint32_t* pDiffuse, SVector2* pTexCoord,
                 SVector3* pNormal, uint32_t* pSpecular) override;
  SVector3* GetPositionAddress(uint32_t dwVertex) override;
  void GetPosition(uint32_t dwVertex, SVector3* pOut) override;
  SVector2* GetTexCoordAddress(uint32_t dwVertex) override;
  void GetTexCoord(uint32_t dwVertex, SVector2* pOut) override;
  SVector3* GetNormalAddress(uint32_t dwVertex) override;
  void GetNormal(uint32_t dwVertex, SVector3* pOut) override;
  uint32_t* GetDiffuseAddress(uint32_t dwVertex) override;
  void GetDiffuse(uint32_t dwVertex, uint32_t* pOut) override;
  uint32_t* GetSpecularAddress(uint32_t dwVertex) override;
  void GetSpecular(uint32_t dwVertex, uint32_t* pOut) override;
  uint32_t GetIndex(uint32_t dwPosition) override;
  ZRESULT GetPart(uint32_t dwPart, uint32_t* pRecord) override;
  ZRESULT GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount, uint32_t* pFirstIndex,
                      uint32_t* pIndexCount, uint32_t* pPrimitiveCount, uint32_t* pPrimitiveType,
                      uint32_t* pCullMode, uint32_t* pMaterial) override;
  ZRESULT Commit() override;
  void SetPrimitiveTypeAll(uint32_t dwType, int32_t iPartCount) override;
  void SetPrimitiveType(uint32_t dwPart, uint32_t dwType) override;
  uint32_t GetPrimitiveType(uint32_t dwPart) override;
  void QueryPrimitiveType(uint32_t dwPart, uint32_t* pType) override;
  void SetCullModeAll(uint32_t dwMode, int32_t iPartCount) override;
  void SetCullMode(uint32_t dwPart, uint32_t dwMode) override;
  uint32_t GetCullMode(uint32_t dwPart) override;
  void QueryCullMode(uint32_t dwPart, uint32_t* pMode) override;
  ZRESULT ComputeNormals() override;
  uint32_t SetColorFactor(uint32_t dwLevel) override;
  void SetUserValue(float fValue) override;
  ZRESULT SetTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData, uint32_t dwSize,
                               int32_t iPartCount, uint32_t dwStage, const char* szName) override;
  ZRESULT SetPartTextureFromMemory(uint32_t dwKind, uint32_t dwTextureFlags, const void* pData,
                                   uint32_t dwSize, int32_t iPart, uint32_t dwStage,
                                   const char* szName) override;
  ZRESULT SetTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath, int32_t iPartCount,
                             uint32_t dwStage) override;
  ZRESULT SetPartTextureFromFile(uint32_t dwKind, uint32_t dwTextureFlags, const char* szPath, int32_t iPart,
                                 uint32_t dwStage) override;
  void SetTextureAll(CTexture* pTexture, int32_t iPartCount, uint32_t dwStage) override;
  void SetTexture(CTexture* pTexture, uint32_t dwRow, uint32_t dwStage) override;
  CTexture* GetTexture(uint32_t dwRow, uint32_t dwStage) override;
  ZRESULT ReleaseTextureAll(int32_t iPartCount, uint32_t dwStage) override;
  ZRESULT ReleasePartTexture(uint32_t dwRow, uint32_t dwStage) override;
  ZRESULT ImportModel(uint32_t a, uint32_t b, const char* szPath) override;
  ZRESULT ImportModel(const char* szPath) override;
  ZRESULT ExportModel(uint32_t a) override;
  ZRESULT BuildFromModel(const void* pModel) override;
  ZRESULT BuildShape(uint32_t dwType, void* pParams) override; // shape_builder.cpp

  // Platform hooks (not part of the slot table).
  // The index buffer class of the platform for INDEX_TYPE_16 or INDEX_TYPE_32; the
  // default builds the engine's own CIndexBuffer16 / CIndexBuffer32.
  virtual CIndexBuffer* NewIndexBuffer(uint32_t dwType);
  // Replaces the vertex store with a zero-filled one of dwVertexCount vertices (none in
  // a class that keeps no vertices); platforms add their per-part tables.  ZP_FAIL
  // when it cannot.
  virtual ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount);
  // Commit's platform part (after normals, before the end of index access).
  virtual ZRESULT Upload();

  // The index width SetupGeometry chooses for a kind and an index count.
  static uint32_t ChooseIndexType(uint32_t dwKind, uint32_t dwIndexCount);

  // What the shape builder recorded of a part (by material row), or null when it
  // recorded nothing or the positions, indices or part records changed since.
  const SPartHint* GetPartHint(uint32_t dwMaterial) const;
  void SetPartHint(uint32_t dwMaterial, const SPartHint& hint);

protected:
  // The stored vertex, or null past the store (or in a class that keeps none).
  SMeshVertex* Vertex(uint32_t dwVertex) const
  {
    return (m_pVertices && dwVertex < m_dwVertexCount) ? &m_pVertices[dwVertex] : nullptr;
  }
  SPartRecord* Part(uint32_t dwPart) const;
  void FreeVertexStore();
  // A vertex whose fields a caller may write (null when not allowed or past the
  // store): the change count, and for a position the shape count, move on.
  SMeshVertex* HandOut(uint32_t dwVertex, bool bAllowed, bool bShape);
  // Platform codes of the part records, and back.
  uint32_t PrimitiveCode(uint32_t dwEngineType) const;
  uint32_t CullCode(uint32_t dwEngineMode) const;
  // Gives every texture-table entry back and frees the table.
  void FreeTextureTable();
  // The texture-table slot of a row and stage, or null when out of range.
  CTexture** TextureSlot(uint32_t dwRow, uint32_t dwStage) const;
  uint32_t PartCountArg(int32_t iPartCount) const;

  // A change to what the triangles are (positions, indices, part records): every such
  // change moves the change count too.
  void ShapeChanged()
  {
    ++m_dwShapeCount;
    ++m_dwChangeCount;
  }

  SMeshVertex* m_pVertices = nullptr; // owned; null in a class that keeps none
  uint32_t m_dwShapeCount = 0;
  std::vector<SPartHint> m_hints; // by material row, from the shape builder
  uint32_t m_dwHintShapeCount = 0; // the shape count they were recorded at
  bool m_bKeepsVertices = false;      // set by the classes that store vertices
  SVertexConvention m_convention;
  const SPartCodes* m_pPartCodes = nullptr;
};
