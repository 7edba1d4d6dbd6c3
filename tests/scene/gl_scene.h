#pragma once

// A world on the real OpenGL device over the built-in texts with some values replaced,
// drawn and read back from the back buffer before the frame is presented.

#include "earth_now_checks.h"
#include "scene_fakes.h"

#include "app/scene/planeto_world.h"
#include "sdk/core/3d_engine.h"
#include "sdk/core/engine_settings.h"
#include "sdk/opengl/3d_engine_gl12.h"
#include "sdk/os/window.h"

#include <GL/gl.h>

#include <functional>
#include <vector>

namespace scenetest
{

inline zos::LRESULT GLSceneProc(zos::HWND hwnd, uint32_t msg, zos::WPARAM w, zos::LPARAM l)
{
  return zos::CWindow::DefWindowProc(hwnd, msg, w, l);
}

class CGLScene
{
public:
  // fnBeforeLoad runs on the world just before it loads (the real-time options).
  CGLScene(const std::vector<SSetting>& appli, int w, int h, uint32_t dwSeed = 7,
           const std::function<void(CPlanetoWorld&)>& fnBeforeLoad = {},
           const std::vector<SSetting>& engine = {})
      : m_engine("Planeto.Engine.ini"), m_appli("Planeto.Appli.ini"), m_w(w), m_h(h), m_px(w * h * 4)
  {
    BindSceneWorld(world, m_engine, m_appli, appli, engine, "/tmp/planeto_scene_gl_masking.log", dwSeed);
    world.RegisterPlatform(2, DescribeOpenGL12, CreateOpenGL12, DestroyOpenGL12);
    if (fnBeforeLoad)
      fnBeforeLoad(world);
    m_hwnd = zos::CWindow::Create("PlanetoSceneGL", "scene", zos::WS_OVERLAPPED | zos::WS_VISIBLE, 0, 0, w, h,
                                  GLSceneProc, zos::WINDOW_OPENGL);
    m_bLoaded = m_hwnd && world.Load(m_hwnd, w, h, 32, false, false, PLATFORM_OPENGL12, "") == ZP_OK;
  }
  ~CGLScene()
  {
    if (m_bLoaded)
      world.Unload();
  }
  bool Loaded() const { return m_bLoaded; }

  // Updates with the step given (0 keeps everything still), then draws and reads back.
  void Frame(double dStep)
  {
    world.GetSettings()->dFrameStep = dStep;
    world.Update();
    Redraw();
  }
  // Draws and reads back again without moving anything.
  void Redraw() { Draw([this]() { world.Draw(); }); }
  // One frame of what draw() draws, read back before it is presented.
  void Draw(const std::function<void()>& draw)
  {
    world.GetDevice()->BeginFrame();
    draw();
    glFinish();
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, m_w, m_h, GL_RGBA, GL_UNSIGNED_BYTE, m_px.data());
    world.GetDevice()->EndFrame();
  }
  // The pixel at (x, y), y from the top, and the mean of its three channels.
  const uint8_t* Rgb(int x, int y) const { return &m_px[((m_h - 1 - y) * m_w + x) * 4]; }
  double Level(int x, int y) const
  {
    const uint8_t* p = Rgb(x, y);
    return (p[0] + p[1] + p[2]) / 3.0;
  }
  template <typename F> std::vector<double> LevelsWhere(F inside) const
  {
    std::vector<double> v;
    for (int y = 0; y < m_h; ++y)
      for (int x = 0; x < m_w; ++x)
        if (inside(x, y))
          v.push_back(Level(x, y));
    return v;
  }
  // Writes the frame as a PPM picture when the variable names a file, to look at by hand.
  void SaveWhenAsked(const char* szVariable) const
  {
    const char* out = std::getenv(szVariable);
    FILE* f = out ? std::fopen(out, "wb") : nullptr;
    if (!f)
      return;
    std::fprintf(f, "P6 %d %d 255\n", m_w, m_h);
    for (int y = m_h - 1; y >= 0; --y)
      for (int x = 0; x < m_w; ++x)
        std::fwrite(&m_px[(y * m_w + x) * 4], 1, 3, f);
    std::fclose(f);
  }
  SFrameReader Reader()
  {
    return SFrameReader{ [this]() { Redraw(); }, [this](int x, int y) { return Level(x, y); }, m_w, m_h };
  }
  int Width() const { return m_w; }
  int Height() const { return m_h; }

  CPlanetoWorld world;

private:
  COverrideStore m_engine;
  COverrideStore m_appli;
  int m_w, m_h;
  std::vector<uint8_t> m_px;
  zos::HWND m_hwnd = nullptr;
  bool m_bLoaded = false;
};

inline double MeanOf(const std::vector<double>& v)
{
  double s = 0;
  for (double x : v)
    s += x;
  return v.empty() ? 0.0 : s / v.size();
}

} // namespace scenetest
