#pragma once

// Runs the real program under its own virtual X server, as a user would start it.

#include <gtest/gtest.h>
#include <png.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

  // Runs a shell script in the test's folder under a fresh X server; $PLANETO is the
  // program, $CAPTURE saves a window as a PNG, and the registry file is the test's own.
  SRun Run(const std::string& script, bool bX = true)
  {
    std::ofstream(m_dir + "/run.sh") << "cd '" << m_dir << "'\nexport PLANETO='" << kBinary
                                     << "'\nexport CAPTURE='" << kCapture << "'\nexport PLANETO_REGISTRY='"
                                     << m_dir << "/registry.reg'\n"
                                     << script << "\n";
    std::string cmd = bX ? "xvfb-run -a -s '-screen 0 1280x1024x24' sh '" + m_dir + "/run.sh'"
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

} // namespace e2e

using e2e::E2E;
using e2e::kSkipDialog;
using e2e::LogHasInOrder;
using e2e::ReadFile;
using e2e::ReadPng;
using e2e::SImageRGB;
using e2e::SRun;
