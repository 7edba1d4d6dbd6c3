#pragma once

#include "sdk/core/3d_object.h"

// What every platform's objects share: materials, texture table, index buffer and part
// records, normals, Commit's shared part, the texture helpers and the generated shapes.
// A platform derives its base object from this class, supplies the vertex storage
// (the hooks below), drawing, the vertex setters and getters, the primitive-type and
// cull-mode codes and the render states.
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
  SMatrix* ResetMatrix() override;
  ZRESULT SetupGeometry(uint32_t dwPartCount, uint32_t dwVertexCount, uint32_t dwIndexCount) override;
  ZRESULT LockIndices() override;
  void SetIndex(uint32_t dwPosition, uint32_t dwValue) override;
  uint32_t GetIndex(uint32_t dwPosition) override;
  ZRESULT GetPart(uint32_t dwPart, uint32_t* pRecord) override;
  ZRESULT GetPartInfo(uint32_t dwPart, uint32_t* pBaseVertex, uint32_t* pVertexCount, uint32_t* pFirstIndex,
                      uint32_t* pIndexCount, uint32_t* pPrimitiveCount, uint32_t* pPrimitiveType,
                      uint32_t* pCullMode, uint32_t* pMaterial) override;
  ZRESULT Commit() override;
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
  // Replaces the vertex storage with a zero-filled one of dwVertexCount vertices and
  // the per-part tables; ZP_FAIL when it cannot.  The default keeps no vertices.
  virtual ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount);
  // Commit's platform part (after normals, before the end of index access).
  virtual ZRESULT Upload();

  // The index width SetupGeometry chooses for a kind and an index count.
  static uint32_t ChooseIndexType(uint32_t dwKind, uint32_t dwIndexCount);

protected:
  // Gives every texture-table entry back and frees the table.
  void FreeTextureTable();
  // The texture-table slot of a row and stage, or null when out of range.
  CTexture** TextureSlot(uint32_t dwRow, uint32_t dwStage) const;
  uint32_t PartCountArg(int32_t iPartCount) const;
};
