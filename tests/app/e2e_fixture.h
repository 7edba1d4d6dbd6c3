#pragma once

// Runs the real program under its own virtual X server, as a user would start it.

#include <gtest/gtest.h>
#include <png.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace e2e
{

inline const std::string kBinary = PLANETO_BINARY;
#ifdef CAPTURE_WINDOW
inline const std::string kCapture = CAPTURE_WINDOW;
#else
inline const std::string kCapture = "false";
#endif
inline const std::string kSkipDialog = " --set=engine.WORLD.ASK_ME_ON_START=0";
// wait_ended: waits for $pid and prints its status; a run that does not end is killed
// after 15 s rather than holding up the suite.
inline const std::string kWaitEnded =
    "wait_ended() { (sleep 15; kill -KILL $pid 2>/dev/null) & g=$!; wait $pid; echo status=$?; kill $g; }\n";

struct SRun
{
  int status = -1; // exit status, or 128 + signal
  std::string out;
  std::string err;
  std::string log;
};

inline std::string ReadFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class E2E : public ::testing::Test
{
protected:
  void SetUp() override
  {
    char tmpl[] = "/tmp/planeto-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_dir = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

  // Runs a shell script in the test's folder under a fresh X server (made with the
  // given screens); $PLANETO is the program, $CAPTURE saves a window as a PNG, and the
  // registry file is the test's own.
  SRun Run(const std::string& script, bool bX = true, const std::string& screens = "-screen 0 1280x1024x24")
  {
    std::ofstream(m_dir + "/run.sh") << "cd '" << m_dir << "'\nexport PLANETO='" << kBinary
                                     << "'\nexport CAPTURE='" << kCapture << "'\nexport PLANETO_REGISTRY='"
                                     << m_dir << "/registry.reg'\n"
                                     << script << "\n";
    std::string cmd = bX ? "xvfb-run -a -s '" + screens + "' sh '" + m_dir + "/run.sh'"
                         : "sh '" + m_dir + "/run.sh'";
    cmd += " >'" + m_dir + "/out.txt' 2>'" + m_dir + "/err.txt'";
    int raw = std::system(cmd.c_str());
    SRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    r.out = ReadFile(m_dir + "/out.txt");
    r.err = ReadFile(m_dir + "/err.txt");
    r.log = ReadFile(m_dir + "/Planeto.log");
    return r;
  }

  std::string m_dir;
};

// The lines of the log, in order, must contain these in this order.
inline ::testing::AssertionResult LogHasInOrder(const std::string& log, const std::vector<std::string>& lines)
{
  size_t at = 0;
  for (const std::string& line : lines)
  {
    size_t found = log.find(line, at);
    if (found == std::string::npos)
      return ::testing::AssertionFailure() << "missing or out of order: " << line << "\nlog:\n" << log;
    at = found + line.size();
  }
  return ::testing::AssertionSuccess();
}

struct SImageRGB
{
  unsigned width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(unsigned x, unsigned y) const { return &rgb[(y * width + x) * 3]; }
};

inline bool ReadPng(const std::string& path, SImageRGB* img)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  img->width = image.width;
  img->height = image.height;
  img->rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, img->rgb.data(), 0, nullptr) != 0;
}

// Share of pixels that differ by more than a few levels between two captures.
inline double ChangedShare(const SImageRGB& a, const SImageRGB& b)
{
  if (a.width != b.width || a.height != b.height || a.rgb.empty())
    return 1.0;
  size_t changed = 0;
  for (size_t i = 0; i < a.rgb.size(); i += 3)
    if (std::abs(a.rgb[i] - b.rgb[i]) + std::abs(a.rgb[i + 1] - b.rgb[i + 1]) +
            std::abs(a.rgb[i + 2] - b.rgb[i + 2]) >
        12)
      ++changed;
  return static_cast<double>(changed) / (a.rgb.size() / 3);
}

// Where the Earth is, from the lit, blue-dominated pixels: the offset of their mean
// from the frame's centre and the square root of their count, all in frame heights.
// The view's vertical angle is fixed, so a frame drawn at the window's size keeps these
// whatever the window's width.
struct SEarth
{
  double x = 0, y = 0, size = 0;
  size_t count = 0;
};

inline SEarth FindEarth(const SImageRGB& img)
{
  SEarth e;
  for (unsigned y = 0; y < img.height; ++y)
    for (unsigned x = 0; x < img.width; ++x)
    {
      const unsigned char* p = img.At(x, y);
      if (p[2] > 60 && p[2] > p[0] + 20)
      {
        e.x += x;
        e.y += y;
        ++e.count;
      }
    }
  if (e.count)
  {
    const double h = img.height;
    e.x = (e.x / e.count - img.width / 2.0) / h;
    e.y = (e.y / e.count - h / 2.0) / h;
    e.size = std::sqrt(static_cast<double>(e.count)) / h;
  }
  return e;
}

} // namespace e2e

using e2e::E2E;
using e2e::kSkipDialog;
using e2e::LogHasInOrder;
using e2e::ReadFile;
using e2e::ReadPng;
using e2e::SImageRGB;
using e2e::SRun;
