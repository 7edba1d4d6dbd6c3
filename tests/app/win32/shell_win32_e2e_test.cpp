// planeto.exe and planeto.scr under Wine as Windows starts them: the GUI program still
// answers on its standard streams, and a configuration run of the screen saver saves
// the dialog's choice in the registry.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

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
  DWORD       dwExit = 0xFFFFFFFF;
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
SRun RunProgram(const std::string& strProgram, const std::string& strArgs, const std::string& strDir = ".",
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

TEST(ShellWin32, TheGuiProgramAnswersOnItsStandardStreams)
{
  SRun help = RunProgram(Program(".exe"), "--help");
  EXPECT_EQ(help.dwExit, 0u);
  EXPECT_NE(help.strOut.find("--platform=NAME"), std::string::npos) << help.strOut;
  EXPECT_EQ(help.strOut.find("-window-id"), std::string::npos);   // xscreensaver's, not here

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
  SRun run = RunProgram(Program(".scr"), "/c:1234", dir, [&](DWORD dwProcess) {
    HWND hDlg = WaitForDialog(dwProcess);
    if (!hDlg)
      return;
    bDialog = true;
    SendDlgItemMessageA(hDlg, 1027, CB_SETCURSEL, 8, 0);   // the mode list: 1024 x 768
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

}  // namespace
