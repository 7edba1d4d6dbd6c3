// Frame rate of the software platform on a scene like the built-in one: the sphere
// mesh (30 segments, radius 200) drawn as Earth (two passes), clouds and Moon, the
// atmosphere shell, a sky box around the camera and, optionally, 3000 point-sprite
// stars, seen from 1000 units at 800 x 600.
//
//   soft_bench [frames] [--window] [--stars]
//
// Without --window the frames are drawn off-screen (rasterizer only); with it they
// are presented in an X window as the program does.

#include "sdk/core/3d_math.h"
#include "sdk/core/3d_object.h"
#include "sdk/core/engine_settings.h"
#include "sdk/core/shape_builder.h"
#include "sdk/os/clock.h"
#include "sdk/os/window.h"
#include "sdk/software/3d_engine_soft.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using namespace zos;

namespace
{

LRESULT Proc(HWND h, uint32_t m, WPARAM w, LPARAM l) { return CWindow::DefWindowProc(h, m, w, l); }

double Now()
{
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char** argv)
{
  int frames = 500;
  bool window = false, stars = false;
  for (int i = 1; i < argc; ++i)
  {
    if (!std::strcmp(argv[i], "--window"))
      window = true;
    else if (!std::strcmp(argv[i], "--stars"))
      stars = true;
    else
      frames = std::atoi(argv[i]);
  }
  const uint16_t W = 800, H = 600;

  C3DMath math;
  auto settings = std::make_unique<SEngineSettings>();
  std::memset(settings.get(), 0, sizeof(SEngineSettings));
  SEngineSettings* s = settings.get();
  s->pMath = &math;
  s->wWidth = W;
  s->wHeight = H;
  s->byColorDepth = 32;
  s->dwTextColor = PackColor(0, 0, 255, 255);
  s->fPointSpriteMax = 7.0f;
  s->light1.vPosition = { 5000, 0, 0 };
  math.PerspectiveFovLH(&s->matProjection, 45.0f * 0.017453292f, float(W) / H, 1.0f, 50000.0f);

  C3DEngineSoft device;
  HWND hwnd = nullptr;
  if (window)
  {
    hwnd = CWindow::Create("PlanetoBench", "soft_bench", WS_OVERLAPPED | WS_VISIBLE, 0, 0, W, H, Proc);
    if (!hwnd || device.Create(s, hwnd) < 0)
    {
      std::fprintf(stderr, "no window\n");
      return 1;
    }
  }
  else if (device.CreateOffscreen(s, W, H) < 0)
  {
    return 1;
  }

  C3DObject* sphere = device.CreateObject(0xC03, 0x19C3F);
  SShapeSphere sp = { 200.0f, 30, 0xFFFFFFFF, 0xFFFFFFFF };
  sphere->BuildShape(SHAPE_SPHERE, &sp);
  C3DObject* shell = device.CreateObject(0xC03, 0x18C2B);
  SShapeSphere hp = { 200.0f, 30, 0xFF2D5078, 0 };
  shell->BuildShape(SHAPE_HALF_SPHERE, &hp);
  C3DObject* sky = device.CreateObject(0xC03, 0xC21);
  SShapeBox bp = { 20000.0f, 20000.0f, 20000.0f, 2, 0xFFFFFFFF, 0, 1.0f, 1.0f };
  sky->BuildShape(SHAPE_BOX, &bp);
  C3DObject* field = nullptr;
  if (stars)
  {
    field = device.CreateObject(0x8, 0xC29);
    field->SetupGeometry(1, 3000, 3000);
    field->LockIndices();
    field->SetSequentialIndices();
    srand(7);
    for (int i = 0; i < 3000; ++i)
      field->SetVertex(i, float(rand() % 20000 - 10000), float(rand() % 20000 - 10000),
                       float(rand() % 20000 - 10000), 0xFFFFFFFF, 0, 0, 0, 0, 0, 0);
    field->SetPart(0, 0, 3000, 0, 3000, 3000, PRIMITIVE_POINT_LIST, 1, -1);
    field->Commit();
  }

  SMatrix earth, clouds, moon;
  math.Identity(&earth);
  math.Identity(&clouds);
  math.Scale(&clouds, 1.008f);
  double t0 = Now(), tRaster = 0;
  for (int f = 0; f < frames; ++f)
  {
    // The camera turns around the Earth at 1000 units.
    SMatrix& cam = s->matCamera;
    math.Identity(&cam);
    math.RotateY(&cam, f * 0.01f);
    math.Translate(&cam, 0, 0, -1000.0f);
    s->matView = cam;
    math.InvertInPlace(&s->matView);
    math.RotateY(&earth, 0.002f);
    math.RotateY(&clouds, 0.003f);
    math.Identity(&moon);
    math.Scale(&moon, 0.2f);
    math.RotateY(&moon, f * 0.005f);
    math.Translate(&moon, 0, 0, -5000.0f);

    const double a = Now();
    device.BeginFrame();
    SVector3 c;
    math.GetTranslation(&c, &cam);
    math.SetTranslation(sky->GetMatrix(), &c);
    sky->Draw(-1);
    if (field)
    {
      math.SetTranslation(field->GetMatrix(), &c);
      field->PreparePart(0);
      for (int i = 0; i < 3000; ++i)
      {
        field->SetUserValue(5.0f + (i % 95));
        field->SetColorFactor(uint32_t((5 + i % 95) * 2.5f));
        field->DrawRange(i, 1, -1, -1);
      }
    }
    sphere->SetWorldMatrix(&earth);
    sphere->Draw(-1);
    sphere->Draw(-1);
    sphere->SetWorldMatrix(&clouds);
    sphere->Draw(-1);
    shell->Draw(-1);
    sphere->SetWorldMatrix(&moon);
    sphere->Draw(-1);
    tRaster += Now() - a;
    s->dFrameRate = 0;
    device.EndFrame();
  }
  const double total = Now() - t0;
  std::printf("%d frames %ux%u%s%s: %.1f fps overall, drawing %.3f ms/frame, whole frame %.3f ms\n", frames,
              W, H, window ? " presented" : " off-screen", stars ? " with stars" : "", frames / total,
              1000.0 * tRaster / frames, 1000.0 * total / frames);
  device.Destroy();
  if (hwnd)
    hwnd->Destroy();
  return 0;
}
