#pragma once

#include "sdk/core/3d_mesh_object.h"

#include "sdk/opengl/gl_headers.h"

#include <vector>

struct SPartRecord;
class CStateGL;
struct SPartHint;

// Front-face value that stands for "culling off".
constexpr uint32_t CULL_OFF_GL = 0xFFFF;

// Engine codes to OpenGL ones and back.
uint32_t PrimitiveTypeToGL(uint32_t dwEngineType);
uint32_t PrimitiveTypeFromGL(uint32_t dwMode);
uint32_t CullModeToGL(uint32_t dwEngineMode);
uint32_t CullModeFromGL(uint32_t dwFrontFace);

// The OpenGL object base.  As a class of its own it is the bare object of kind 0x4: it
// keeps no vertices, accepts every operation and draws nothing.  The derived classes
// keep vertices (z mirrored and v flipped, OpenGL's conventions) and draw them, in
// immediate mode or from display lists compiled at Commit (one per part).
//
// What a draw may leave out it decides from what it knows: its render flags, the
// shape builder's hints on its parts, its matrix, and the device's record of the
// state it set (CStateGL), never from the driver.
class CObjectGL : public C3DMeshObject
{
public:
  CObjectGL();
  ~CObjectGL() override;

  ZRESULT Release() override;                         // 2
  ZRESULT ApplyProjection() override;                 // 4
  ZRESULT Draw(int32_t iPartCount) override;          // 5
  ZRESULT DrawPart(uint32_t dwPart) override;         // 6
  ZRESULT DrawGeometry(int32_t iPartCount) override;  // 7
  ZRESULT DrawPartGeometry(uint32_t dwPart) override; // 8
  ZRESULT RecordRenderStates() override;              // 71
  void ApplyRenderStates() override;                  // 72

  CIndexBuffer* NewIndexBuffer(uint32_t dwType) override;
  ZRESULT AllocateVertices(uint32_t dwVertexCount, uint32_t dwPartCount) override;
  ZRESULT Upload() override;

  // The display list of a part's material row, 0 for none.
  GLuint GetDisplayList(uint32_t dwMaterial) const;

protected:
  CStateGL* State() const;
  void FreeLists();
  // Model-view = the matrix the world matrix pointer designates, after the projection.
  void ApplyTransforms();
  const SMatrix& DrawMatrix() const { return m_pWorldMatrix ? *m_pWorldMatrix : m_matObject; }
  // Culling from a part record's stored front face.
  void ApplyCulling(const SPartRecord* pPart) const;
  void SetCullFace(bool bOn) const;
  // Every texture unit off, then the row's textures as the render flags ask.
  void ApplyTextures(uint32_t dwMaterial);
  // glBegin .. glEnd of one part's vertices.
  void EmitPart(const SPartRecord* pPart, bool bAlphaFromFactor) const;
  // One vertex as the lists hold it; its alpha replaced by iAlpha when that is 0..255.
  void EmitVertex(uint32_t dwIndex, bool bMulti, int iAlpha) const;
  bool MultiTexCoords() const;
  void CountPart(const SPartRecord* pPart);
  ZRESULT DrawParts(uint32_t dwFirst, uint32_t dwCount, bool bFull);
  // Nothing but the recorded state and the object's own flags decide a draw's fate.
  bool StateDecides() const;
  // The part's bounding ball lies wholly outside the view: it draws nothing.
  bool OutOfView(uint32_t dwMaterial) const;
  // The balls around the parts' vertices (as stored), made again when they changed.
  void MeasureParts();
  // The faces (GL_FRONT or GL_BACK, as glCullFace takes them) that form the far side
  // of the part's closed surface in this draw, or 0 when they could show.
  GLenum HiddenSide(uint32_t dwMaterial) const;
  // The colour factor makes every fragment fully transparent under the blending in
  // effect: drawing changes the depth (and stencil) buffer only.
  bool OnlyDepthLands() const;
  void EmitDepthOnly(const SPartRecord* pPart);
  // The part's list drawn again right after itself, placed alike, under a less-than
  // depth test: every fragment would fail, so the draw can be left out.
  bool RepeatsDepthWriter(GLuint uList) const;
  // Remembers a draw that left the depth of all its fragments, for RepeatsDepthWriter.
  void NoteDepthWriter(GLuint uList, bool bFarSideLeftOut);

  // Whether every vertex of a part (by material row) is opaque white, as the lists
  // hold it: a texture modulating its colour then gives the texture alone.
  bool AllWhite(uint32_t dwMaterial) const;
  // Puts that in effect for the part's draw where nothing else changes the colour;
  // true when it did (the draw then gives unit 0 back its modulation).
  bool ReplaceWhite(uint32_t dwMaterial);

  struct SBall
  {
    bool bValid = false;
    double adCentre[3] = {};
    double dRadius = 0.0;
  };
  std::vector<SBall> m_bounds; // by material row, at m_dwBoundsAt
  uint32_t m_dwBoundsAt = 0;

  GLuint* m_puLists;        // one name per part, 0 = none; owned
  std::vector<uint8_t> m_white; // by material row, with the lists
  GLuint m_uListBase;       // the reserved block, 0 when none
  uint32_t m_dwListCount;   // names in the block
  uint32_t m_dwCompiledAt;  // the change count the lists were compiled at
};

// Kind 0x2: a mesh drawn with the perspective projection.
class CObjectGL3D : public CObjectGL
{
public:
  CObjectGL3D();
};

// Kind 0x10: drawn in pixel space (ApplyOrtho); normals stored as given.
class CObjectGL2D : public CObjectGL
{
public:
  CObjectGL2D();
};
