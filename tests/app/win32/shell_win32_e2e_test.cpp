// planeto.exe and planeto.scr under Wine as Windows starts them: the GUI program still
// answers on its standard streams, both platforms start, draw the Earth and end in
// order, DirectX draws the stencil shadows and the masking sun, Escape ends a run, and
// the screen saver refuses a preview, saves the dialog's choice in the registry and
// ends on any key.

#include <gtest/gtest.h>
#include <png.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{

// The build's paths are Unix paths; Wine shows the root of the file system as Z:.
std::string WindowsPath(std::string path)
{
  for (char& c : path)
    if (c == '/')
      c = '\\';
  return "Z:" + path;
}

std::string Program(const char* szExtension)
{
  std::string exe = WindowsPath(PLANETO_BINARY);
  return exe.substr(0, exe.size() - 4) + szExtension;
}

struct SRun
{
  DWORD dwExit = 0xFFFFFFFF;
  std::string strOut;
  std::string strErr;
};

// What the ended program left in the pipe.  Reading to the end of the pipe would not
// do: a process the program started (Wine's desktop, on its first window) may hold
// the writing end open.
std::string ReadWaiting(HANDLE h)
{
  std::string text;
  char buffer[4096];
  DWORD dwAvailable = 0, n = 0;
  while (PeekNamedPipe(h, nullptr, 0, nullptr, &dwAvailable, nullptr) && dwAvailable > 0 &&
         ReadFile(h, buffer, sizeof(buffer), &n, nullptr) && n > 0)
    text.append(buffer, n);
  return text;
}

// Starts the program with the arguments, its streams on pipes (read once it has
// ended: what the tests make it print fits in them), in the folder strDir, and calls
// fnWhileRunning before waiting for it.
SRun RunProgram(
    const std::string& strProgram, const std::string& strArgs, const std::string& strDir = ".",
    const std::function<void(DWORD)>& fnWhileRunning = [](DWORD) {})
{
  SRun run;
  SECURITY_ATTRIBUTES sa = { sizeof(sa), nullptr, TRUE };
  HANDLE hOutRead, hOutWrite, hErrRead, hErrWrite;
  if (!CreatePipe(&hOutRead, &hOutWrite, &sa, 1 << 16) || !CreatePipe(&hErrRead, &hErrWrite, &sa, 1 << 16))
    return run;
  SetHandleInformation(hOutRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(hErrRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = hOutWrite;
  si.hStdError = hErrWrite;
  PROCESS_INFORMATION pi = {};
  std::string line = "\"" + strProgram + "\" " + strArgs;
  const BOOL bStarted = CreateProcessA(strProgram.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                       strDir.c_str(), &si, &pi);
  CloseHandle(hOutWrite);
  CloseHandle(hErrWrite);
  if (bStarted)
  {
    fnWhileRunning(pi.dwProcessId);
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0)
      TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &run.dwExit);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    run.strOut = ReadWaiting(hOutRead);
    run.strErr = ReadWaiting(hErrRead);
  }
  CloseHandle(hOutRead);
  CloseHandle(hErrRead);
  return run;
}

std::string FreshFolder(const char* szName)
{
  char szTemp[MAX_PATH];
  GetTempPathA(MAX_PATH, szTemp);
  std::string dir = std::string(szTemp) + szName;
  CreateDirectoryA(dir.c_str(), nullptr);
  DeleteFileA((dir + "\\Planeto.log").c_str());
  return dir;
}

std::string ReadText(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The platform dialog of the process, once it shows.
HWND WaitForDialog(DWORD dwProcess)
{
  for (int i = 0; i < 1500; ++i)
  {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExW(nullptr, hwnd, L"#32770", L"Zephyro\u00AE - Select platform :")))
    {
      DWORD dwOwner = 0;
      GetWindowThreadProcessId(hwnd, &dwOwner);
      if (dwOwner == dwProcess && IsWindowVisible(hwnd))
        return hwnd;
    }
    Sleep(20);
  }
  return nullptr;
}

const char* const SAVER_KEY = "SOFTWARE/Zephyro/Planeto/WORLD";

// A DWORD of the screen saver's key: below HKEY_LOCAL_MACHINE, or where writing there
// is refused, below HKEY_CURRENT_USER.
bool ReadSaverValue(const char* szName, DWORD* pValue)
{
  for (HKEY hRoot : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
  {
    DWORD dwSize = sizeof(*pValue);
    if (RegGetValueA(hRoot, SAVER_KEY, szName, RRF_RT_REG_DWORD, nullptr, pValue, &dwSize) == ERROR_SUCCESS)
      return true;
  }
  return false;
}

// The first visible top-level window of the process with the class, once it shows.
HWND WaitForWindow(DWORD dwProcess, const char* szClass)
{
  for (int i = 0; i < 1500; ++i)
  {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(nullptr, hwnd, szClass, nullptr)))
    {
      DWORD dwOwner = 0;
      GetWindowThreadProcessId(hwnd, &dwOwner);
      if (dwOwner == dwProcess && IsWindowVisible(hwnd))
        return hwnd;
    }
    Sleep(20);
  }
  return nullptr;
}

bool InOrder(const std::string& text, const std::vector<std::string>& parts)
{
  size_t at = 0;
  for (const std::string& part : parts)
  {
    at = text.find(part, at);
    if (at == std::string::npos)
      return false;
    at += part.size();
  }
  return true;
}

// Whether the frame shows the lit Earth: many bright blue-dominated pixels (oceans,
// at least one pixel in iBlueShare) against a sky that stays dark.
bool EarthInView(const std::string& path, unsigned* pWidth, unsigned* pHeight, std::string* pWhy,
                 size_t iBlueShare = 40)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return *pWhy = "no screenshot", false;
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
    return *pWhy = "unreadable screenshot", false;
  *pWidth = image.width;
  *pHeight = image.height;
  size_t blue = 0, dark = 0, total = size_t(image.width) * image.height;
  for (size_t i = 0; i < total; ++i)
  {
    const unsigned char* p = &rgb[i * 3];
    blue += p[2] > 60 && p[2] > p[0] + 20;
    dark += p[0] + p[1] + p[2] < 90;
  }
  *pWhy = "blue " + std::to_string(blue) + ", dark " + std::to_string(dark) + " of " + std::to_string(total);
  return blue > total / iBlueShare && dark > total / 3;
}

const char* const kSkipDialog = " --set=engine.WORLD.ASK_ME_ON_START=0";

// A screenshot as RGB bytes, top row first.
struct SShot
{
  unsigned width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
  double Level(int x, int y) const { return (At(x, y)[0] + At(x, y)[1] + At(x, y)[2]) / 3.0; }
  // Mean level of the pixels within r of (cx, cy).
  double MeanLevel(int cx, int cy, int r) const
  {
    double sum = 0;
    int n = 0;
    for (int y = cy - r; y <= cy + r; ++y)
      for (int x = cx - r; x <= cx + r; ++x)
        if (std::hypot(x - cx, y - cy) <= r)
          sum += Level(x, y), ++n;
    return n ? sum / n : 0.0;
  }
};

bool ReadShot(const std::string& path, SShot* pShot)
{
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return false;
  image.format = PNG_FORMAT_RGB;
  pShot->rgb.resize(PNG_IMAGE_SIZE(image));
  pShot->width = image.width;
  pShot->height = image.height;
  return png_image_finish_read(&image, nullptr, pShot->rgb.data(), 0, nullptr) != 0;
}

TEST(ShellWin32, TheGuiProgramAnswersOnItsStandardStreams)
{
  SRun help = RunProgram(Program(".exe"), "--help");
  EXPECT_EQ(help.dwExit, 0u);
  EXPECT_NE(help.strOut.find("--platform=NAME"), std::string::npos) << help.strOut;
  EXPECT_EQ(help.strOut.find("-window-id"), std::string::npos); // xscreensaver's, not here

  SRun bad = RunProgram(Program(".exe"), "--frames=0");
  EXPECT_EQ(bad.dwExit, 2u);
  EXPECT_NE(bad.strErr.find("bad frame count"), std::string::npos) << bad.strErr;
}

TEST(ShellWin32, ConfigurationOkSavesTheChoiceInTheRegistry)
{
  for (HKEY hRoot : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
    RegDeleteKeyA(hRoot, SAVER_KEY);
  const std::string dir = FreshFolder("planeto_config");
  bool bDialog = false;
  SRun run = RunProgram(Program(".scr"), "/c:1234", dir,
                        [&](DWORD dwProcess)
                        {
                          HWND hDlg = WaitForDialog(dwProcess);
                          if (!hDlg)
                            return;
                          bDialog = true;
                          SendDlgItemMessageA(hDlg, 1027, CB_SETCURSEL, 8, 0); // the mode list: 1024 x 768
                          PostMessageA(hDlg, WM_KEYDOWN, VK_RETURN, 1);
                        });
  ASSERT_TRUE(bDialog) << "no platform dialog";
  EXPECT_EQ(run.dwExit, 0u);
  DWORD dwWidth = 0, dwHeight = 0, dwFullscreen = 0;
  EXPECT_TRUE(ReadSaverValue("WIDTH", &dwWidth) && dwWidth == 1024) << dwWidth;
  EXPECT_TRUE(ReadSaverValue("HEIGHT", &dwHeight) && dwHeight == 768) << dwHeight;
  EXPECT_TRUE(ReadSaverValue("FULLSCREEN", &dwFullscreen) && dwFullscreen == 1);
  EXPECT_NE(ReadText(dir + "\\Planeto.log").find("# ScreenSaver options ended."), std::string::npos);
}

// The six values as Windows' own registry tool shows them.
TEST(ShellWin32, ConfigurationWritesTheSixValuesThatRegShows)
{
  for (HKEY hRoot : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
    RegDeleteKeyA(hRoot, SAVER_KEY);
  const std::string dir = FreshFolder("planeto_config_six");
  SRun run = RunProgram(Program(".scr"), "/c", dir,
                        [](DWORD dwProcess)
                        {
                          if (HWND hDlg = WaitForDialog(dwProcess))
                            PostMessageA(hDlg, WM_KEYDOWN, VK_RETURN, 1);
                        });
  EXPECT_EQ(run.dwExit, 0u);
  char szSystem[MAX_PATH];
  GetSystemDirectoryA(szSystem, MAX_PATH);
  SRun reg =
      RunProgram(std::string(szSystem) + "\\reg.exe", "query \"HKLM\\" + std::string(SAVER_KEY) + "\"");
  EXPECT_EQ(reg.dwExit, 0u) << reg.strOut << reg.strErr;
  for (const char* szValue :
       { "ASK_ME_ON_START", "WIDTH", "HEIGHT", "COLOR_DEPTH", "FULLSCREEN", "DESKTOP_ENABLE" })
    EXPECT_NE(reg.strOut.find(szValue), std::string::npos) << szValue << " missing in\n" << reg.strOut;
  EXPECT_NE(reg.strOut.find("0x320"), std::string::npos) << reg.strOut; // WIDTH 800
}

// What the settings saved is what the screen saver starts with: Windows starts it with
// /s and nobody is there to click.  The settings dialog opens on it too.
TEST(ShellWin32, ScreenSaverStartsWithTheSavedChoiceWithoutAsking)
{
  for (HKEY hRoot : { HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER })
    RegDeleteKeyA(hRoot, SAVER_KEY);
  for (auto [szName, dwValue] : { std::pair<const char*, DWORD>{ "ASK_ME_ON_START", 1 },
                                  { "WIDTH", 1024 },
                                  { "HEIGHT", 768 },
                                  { "COLOR_DEPTH", 16 },
                                  { "DESKTOP_ENABLE", 0 } })
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, SAVER_KEY, szName, REG_DWORD, &dwValue, sizeof(dwValue)),
              ERROR_SUCCESS);
  const std::string dir = FreshFolder("planeto_saver_saved");
  bool bDialog = false;
  auto cancelDialog = [&](DWORD dwProcess)
  {
    HANDLE hProcess = OpenProcess(SYNCHRONIZE, FALSE, dwProcess);
    for (int i = 0; i < 1500 && WaitForSingleObject(hProcess, 20) == WAIT_TIMEOUT; ++i)
      if (HWND hDlg = FindWindowExW(nullptr, nullptr, L"#32770", L"Zephyro\u00AE - Select platform :"))
      {
        bDialog = true;
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        break;
      }
    CloseHandle(hProcess);
  };
  SRun run = RunProgram(Program(".scr"), "/s --platform=software --frames=3", dir, cancelDialog);
  EXPECT_FALSE(bDialog);
  EXPECT_EQ(run.dwExit, 0u);
  const std::string log = ReadText(dir + "\\Planeto.log");
  EXPECT_TRUE(InOrder(log, { " : 16 fullscreen\r\n", "# ENDED.\r\n" })) << log;

  int iMode = -1;
  run = RunProgram(Program(".scr"), "/c", dir,
                   [&](DWORD dwProcess)
                   {
                     if (HWND hDlg = WaitForDialog(dwProcess))
                     {
                       iMode = static_cast<int>(SendDlgItemMessageA(hDlg, 1027, CB_GETCURSEL, 0, 0));
                       PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
                     }
                   });
  EXPECT_EQ(iMode, 8); // "1024 x 768"
}

TEST(ShellWin32, BothPlatformsShowTheEarthAndShutDownInOrder)
{
  for (const char* szPlatform : { "opengl", "software" })
  {
    SCOPED_TRACE(szPlatform);
    const bool bGL = std::string(szPlatform) == "opengl";
    const std::string dir = FreshFolder(bGL ? "planeto_run_gl" : "planeto_run_soft");
    std::ofstream(dir + "\\shot.png") << "an older screenshot, to be replaced";
    std::string title;
    SRun run = RunProgram(Program(".exe"),
                          std::string("--platform=") + szPlatform + kSkipDialog +
                              " --seed=7 --step=1 --frames=20 --screenshot=shot.png",
                          dir,
                          [&](DWORD dwProcess)
                          {
                            char buf[128] = "";
                            if (HWND hwnd = WaitForWindow(dwProcess, "Planeto"))
                              GetWindowTextA(hwnd, buf, sizeof(buf));
                            title = buf;
                          });
    EXPECT_EQ(run.dwExit, 0u);
    EXPECT_EQ(title, bGL ? "ZephyroSDK - OpenGL 1.2 - Planeto (v2,110)"
                         : "ZephyroSDK - Zephyro3D zp3D - Planeto (v2,110)");
    const std::string log = ReadText(dir + "\\Planeto.log");
    EXPECT_TRUE(InOrder(
        log,
        { "# STARTED...\r\n", "# RELEASE build\r\n", "# PARAM_NAME = \"Planeto.Engine.ini\"\r\n",
          "# DEFAULT_DATA_PATH = \"Data\"\r\n", "# \"ZephyroSDK\" (v3,0) build: Mar  4 2008 20:14:05\r\n",
          bGL ? "# \"OpenGL 1.2\" (v1,0) build: Mar  4 2008 23:04:54\r\n"
              : "# \"Zephyro3D zp3D\" (v1,0) build: Mar  4 2008 20:14:30\r\n",
          "# \"Planeto\" (v2,110) build: Mar  4 2008 23:05:46\r\n", "# pWorld->Unload\r\n", "# ENDED.\r\n" }))
        << log;
    if (bGL)
    {
      unsigned w = 0, h = 0;
      std::string why;
      EXPECT_TRUE(EarthInView(dir + "\\shot.png", &w, &h, &why)) << why;
      EXPECT_EQ(w, 800u);
      EXPECT_EQ(h, 600u);
    }
  }
}

// DirectX 8.1 runs on Wine's Direct3D 8: chosen on the command line it draws the Earth
// as OpenGL does; in the dialog its entry can be picked.
TEST(ShellWin32, DirectXShowsTheEarthAndIsOfferedByTheDialog)
{
  const std::string dir = FreshFolder("planeto_run_d3d8");
  std::string title;
  SRun run = RunProgram(Program(".exe"),
                        std::string("--platform=directx") + kSkipDialog +
                            " --seed=7 --step=1 --frames=40 --fps --screenshot=shot.png",
                        dir,
                        [&](DWORD dwProcess)
                        {
                          char buf[128] = "";
                          if (HWND hwnd = WaitForWindow(dwProcess, "Planeto"))
                            GetWindowTextA(hwnd, buf, sizeof(buf));
                          title = buf;
                        });
  EXPECT_EQ(run.dwExit, 0u);
  EXPECT_EQ(title, "ZephyroSDK - DirectX 8.1 - Planeto (v2,110)");
  const std::string log = ReadText(dir + "\\Planeto.log");
  EXPECT_TRUE(InOrder(log, { "# \"DirectX 8.1\" (v1,0) build: Mar  4 2008 20:14:20\r\n", "# pWorld->Unload\r\n",
                             "# ENDED.\r\n" }))
      << log;
  unsigned w = 0, h = 0;
  std::string why;
  // Direct3D lights one side of each face only, so the night side shows less blue
  // than under OpenGL's two-sided lighting: 2 % of the frame rather than 2.5 %.
  EXPECT_TRUE(EarthInView(dir + "\\shot.png", &w, &h, &why, 60)) << why;
  EXPECT_EQ(w, 800u);
  EXPECT_EQ(h, 600u);
  // --fps: the frame-rate line's white glyphs over the dark sky of the top-left corner.
  SShot shot;
  ASSERT_TRUE(ReadShot(dir + "\\shot.png", &shot));
  int iWhite = 0;
  for (int y = 6; y < 28; ++y)
    for (int x = 6; x < 260; ++x)
      iWhite += shot.Level(x, y) > 200;
  EXPECT_GT(iWhite, 100);

  // The dialog lists it first and keeps it when picked.
  int iPicked = -1;
  run = RunProgram(Program(".exe"), "--frames=2", dir,
                   [&](DWORD dwProcess)
                   {
                     HWND hDlg = WaitForDialog(dwProcess);
                     if (!hDlg)
                       return;
                     SendDlgItemMessageA(hDlg, 1000, CB_SETCURSEL, 0, 0);
                     SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(1000, CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(GetDlgItem(hDlg, 1000)));
                     iPicked = static_cast<int>(SendDlgItemMessageA(hDlg, 1000, CB_GETCURSEL, 0, 0));
                     PostMessageA(hDlg, WM_KEYDOWN, VK_RETURN, 1);
                   });
  EXPECT_EQ(run.dwExit, 0u);
  EXPECT_EQ(iPicked, 0);
  EXPECT_NE(ReadText(dir + "\\Planeto.log").find("# \"DirectX 8.1\" (v1,0) build:"), std::string::npos);
}

// With this seed and the Moon held still, the Moon sits in the Earth's shadow and at
// frame 36 the camera (with a wide field) sees it from the side, lit on its left round
// (678, 282), inside an ellipse round (695, 276); the Sun is on the left at (42, 321).
// Both runs measure the Sun and show the overlays; the second also casts the shadows,
// which darken the Moon and nothing else.
TEST(ShellWin32, DirectXCastsTheShadowsAndMasksTheSun)
{
  const std::string dir = FreshFolder("planeto_run_d3d8_services");
  const std::string scene = std::string("--platform=directx") + kSkipDialog +
                            " --seed=10 --step=100 --frames=36 --set=appli.MOON.MOON_SPEED=0"
                            " --set=engine.CAMERA.VIEW_DEG_FIELD=90 --set=appli.SUN.SUN_MASKING_ENABLE=1"
                            " --set=appli.SUN.INTENSITY_ENABLE=1";
  SRun off = RunProgram(Program(".exe"), scene + " --screenshot=off.png", dir);
  SRun on = RunProgram(Program(".exe"),
                       scene + " --set=appli.EARTH.EARTH_SHADOW_ENABLE=1 --set=appli.MOON.MOON_SHADOW_ENABLE=1"
                               " --screenshot=on.png",
                       dir);
  EXPECT_EQ(off.dwExit, 0u);
  EXPECT_EQ(on.dwExit, 0u);
  const std::string log = ReadText(dir + "\\Planeto.log");
  EXPECT_EQ(log.find("failed"), std::string::npos) << log;
  SShot a, b;
  ASSERT_TRUE(ReadShot(dir + "\\off.png", &a));
  ASSERT_TRUE(ReadShot(dir + "\\on.png", &b));
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);

  // The Moon lies in both of the Earth's volumes: two passes of 30/255 leave about
  // 1.4 % of its light.  Every pixel away from its disc keeps its colour.
  const double lit = a.MeanLevel(678, 282, 10), dark = b.MeanLevel(678, 282, 10);
  ASSERT_GT(lit, 60.0);
  EXPECT_LT(dark, lit * 0.05 + 2.0) << lit << " " << dark;
  size_t changed = 0;
  for (unsigned y = 0; y < a.height; ++y)
    for (unsigned x = 0; x < a.width; ++x)
      if (std::hypot((x - 695.0) / 32.0, (y - 276.0) / 23.0) > 1.0)
        for (int c = 0; c < 3; ++c)
          changed += std::abs(a.At(x, y)[c] - b.At(x, y)[c]) > 2;
  EXPECT_EQ(changed, 0u);

  // Nothing hides the Sun: the coverage overlay (325..375 x 0..50) is white, and so is
  // the middle of the mask overlay (225..325 x 0..100); the sky beside them is dark and
  // the Sun's glow shines round its disc.
  EXPECT_GT(a.MeanLevel(350, 25, 15), 230.0);
  EXPECT_GT(a.MeanLevel(275, 50, 30), 230.0);
  EXPECT_LT(a.MeanLevel(420, 60, 20), 40.0);
  EXPECT_GT(a.MeanLevel(42, 321, 25), 60.0);
}

// The built-in scene's frame on both graphics platforms: the DirectX picture is the
// OpenGL one within the picture check's tolerance (tools/compare_frames.sh: 40 dB, under
// 0.5 % of the pixels off by more than 8 levels).  With the constellations the stars
// appear as points: the frame differs from the bare one in many small spots.
TEST(ShellWin32, DirectXDrawsTheOpenGLPictureAndTheStars)
{
  const std::string dir = FreshFolder("planeto_run_d3d8_picture");
  const std::string scene = std::string(kSkipDialog) + " --seed=7 --step=1 --frames=60";
  for (const char* szRun :
       { "--platform=opengl --screenshot=gl.png", "--platform=directx --screenshot=dx.png",
         "--platform=directx --screenshot=stars.png --set=appli.CONTELLATIONS.CONTELLATIONS_ENABLE=1" })
    EXPECT_EQ(RunProgram(Program(".exe"), szRun + scene, dir).dwExit, 0u) << szRun;
  SShot gl, dx, stars;
  ASSERT_TRUE(ReadShot(dir + "\\gl.png", &gl));
  ASSERT_TRUE(ReadShot(dir + "\\dx.png", &dx));
  ASSERT_TRUE(ReadShot(dir + "\\stars.png", &stars));
  ASSERT_EQ(gl.rgb.size(), dx.rgb.size());
  ASSERT_EQ(stars.rgb.size(), dx.rgb.size());
  double squares = 0;
  size_t off = 0, starred = 0;
  for (size_t i = 0; i < dx.rgb.size(); i += 3)
  {
    bool bOff = false, bStar = false;
    for (size_t c = i; c < i + 3; ++c)
    {
      const int d = int(dx.rgb[c]) - int(gl.rgb[c]);
      squares += double(d) * d;
      bOff = bOff || std::abs(d) > 8;
      bStar = bStar || std::abs(int(stars.rgb[c]) - int(dx.rgb[c])) > 8;
    }
    off += bOff;
    starred += bStar;
  }
  const size_t pixels = dx.rgb.size() / 3;
  const double psnr = squares > 0 ? 10.0 * std::log10(255.0 * 255.0 * double(dx.rgb.size()) / squares) : 99.0;
  EXPECT_GE(psnr, 40.0);
  EXPECT_LT(double(off), double(pixels) * 0.005) << off;
  EXPECT_GT(starred, 500u);
}

TEST(ShellWin32, EscapeEndsARunAndAnyKeyTheScreenSaver)
{
  const std::string dir = FreshFolder("planeto_keys");
  SRun run = RunProgram(Program(".exe"), std::string("--platform=software") + kSkipDialog, dir,
                        [](DWORD dwProcess)
                        {
                          HWND hwnd = WaitForWindow(dwProcess, "Planeto");
                          Sleep(500);
                          PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
                        });
  EXPECT_EQ(run.dwExit, 0u);
  EXPECT_TRUE(InOrder(ReadText(dir + "\\Planeto.log"), { "# pWorld->Unload\r\n", "# ENDED.\r\n" }));

  // A preview is refused at once.
  run = RunProgram(Program(".scr"), "/p 1234", dir);
  EXPECT_EQ(run.dwExit, 0u);
  std::string log = ReadText(dir + "\\Planeto.log");
  EXPECT_NE(log.find("# IsScreenSaver enabled with invalid arguments!"), std::string::npos) << log;
  EXPECT_EQ(log.find("# ENDED."), std::string::npos);

  // The screen saver covers the screen and any key ends it.
  RECT rc = {};
  run = RunProgram(Program(".scr"), std::string("/s --platform=software") + kSkipDialog, dir,
                   [&](DWORD dwProcess)
                   {
                     HWND hwnd = WaitForWindow(dwProcess, "Planeto");
                     Sleep(1000);
                     GetClientRect(hwnd, &rc);
                     PostMessageA(hwnd, WM_KEYDOWN, 'A', 1);
                   });
  EXPECT_EQ(run.dwExit, 0u);
  EXPECT_EQ(rc.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(rc.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(InOrder(ReadText(dir + "\\Planeto.log"), { "# pWorld->Unload\r\n", "# ENDED.\r\n" }));
}

} // namespace
