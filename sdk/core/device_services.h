#pragma once

// The optional services a device may offer beyond its fixed operations.  The stencil
// shadows and the masking sun keep their algorithms in the scene and draw only through
// these, so that they run on every device that can do the work and the scene makes no
// graphics call of its own.  A device without them answers null and the scene keeps
// the simple sun and no shadows.

#include "sdk/core/3d_math.h"
#include "sdk/core/result.h"

#include <cstdint>

class C3DObject;
class CTexture;

// Shadow volumes counted into the stencil buffer.  Positions are world coordinates in
// the engine's convention, three to a triangle, and are not kept after the call.
class CShadowVolumeService
{
public:
  virtual ~CShadowVolumeService() {}

  // Counts one closed volume into the stencil buffer, colour and depth untouched.  Its
  // sides and caps are wound alike, their front faces outside, and counted alike where
  // they lie behind the scene (fail the depth test): the back faces increment, then the
  // front faces decrement, never below 0.  What is left at a pixel is the number of
  // volumes round the point seen there, wherever the camera stands.
  virtual void MarkVolume(const SVector3* pSides, uint32_t dwSideCount, const SVector3* pCaps,
                          uint32_t dwCapCount) = 0;
  // Multiplies every pixel the volumes marked (stencil not 0) by the colour (ARGB, one
  // byte per channel) and returns their stencil to 0, so that each volume darkens once
  // and the next one counts from a clean buffer.
  virtual void DarkenMarked(uint32_t dwColor) = 0;
  // The triangles as white wire frames, with the depth test, for looking at the volumes.
  virtual void DrawWireFrame(const SVector3* pPositions, uint32_t dwCount) = 0;
};

// One body that may hide the sun: an object drawn through the matrix given.
struct SOccluder
{
  C3DObject* pObject;
  SMatrix* pMatrix;
};

// Draws the geometry of each occluder that has an object and a matrix (DrawGeometry:
// no states, textures or culling of its own) through that matrix; every object keeps
// its own matrix afterwards.
void DrawOccluders(const SOccluder* pOccluders, uint32_t dwCount);

// How DrawAdditive puts an object on the frame.
struct SAdditiveDraw
{
  uint8_t byAlphaRef; // fragments whose alpha is not above ref/255 are dropped
  bool bDepthTest;    // test against the scene's depth (never written)
  bool bFade;         // colour multiplied by the last measured coverage
  bool bVertexAlpha;  // alpha = texture x vertex alpha; else the texture's alone
};

// Measures on the card how much of the sun disc the planets leave visible, and fades
// the sun's glow and the lens flares by it.  The value never comes back to the
// processor: the card sums the mask and the draws read the sum.
class CSunOcclusionService
{
public:
  virtual ~CSunOcclusionService() {}

  // The side of the mask target and the number of texels summed.
  static constexpr uint32_t MASK_SIZE = 16;

  // Sets the coverage to full visibility, as before any measurement.
  virtual ZRESULT Reset() = 0;
  // One measurement.  Seen through the view given (a view matrix as the camera's) with
  // a square field of fFov radians between the near and far distances: the disc object
  // is drawn white where its mask texture's alpha is above 5/255 (weighted by that
  // alpha), then each occluder in black, geometry only; the mean of the 16 x 16 mask
  // becomes the coverage.  The frame's target, projection and states come back as they
  // were.  False when the card could not measure: the sun is then not drawn.
  virtual bool Measure(const SMatrix* pView, float fFov, float fNear, float fFar, C3DObject* pDisc,
                       CTexture* pMask, const SOccluder* pOccluders, uint32_t dwOccluderCount) = 0;
  // The mask (at 225..325 x 0..100 pixels) and the coverage (at 325..375 x 0..50) in the
  // top-left corner of the frame.
  virtual void DrawOverlays() = 0;
  // Draws all parts of the object with its stage-0 texture, added to the frame (source
  // alpha, one) without lighting, fog or depth writes.
  virtual void DrawAdditive(C3DObject* pObject, const SAdditiveDraw& how) = 0;
};
