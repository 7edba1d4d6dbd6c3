// The Win32 platform dialog from the program's resources, driven by messages from a
// second thread as a user's keys and picks would drive it: found by its class and
// caption once shown (which checks the caption's registered sign too), then keys
// posted to the control that has the focus.

#include "app/platform_dialog.h"
#include "app/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <cwchar>
#include <functional>
#include <thread>

namespace
{

ZRESULT DescribeStub(SPlatformDesc*) { return ZP_OK; }

const wchar_t* const CAPTION = L"Zephyro\u00AE - Select platform :";

// The dialog among the windows of the thread that runs it (not another test's, which
// may be open on the same Wine desktop): a dialog-class window with the caption.
HWND FindDialog(DWORD dwThread)
{
  HWND hFound = nullptr;
  EnumThreadWindows(
      dwThread,
      [](HWND hwnd, LPARAM lParam) -> BOOL
      {
        wchar_t szClass[16] = {}, szCaption[64] = {};
        GetClassNameW(hwnd, szClass, 16);
        GetWindowTextW(hwnd, szCaption, 64);
        if (wcscmp(szClass, L"#32770") != 0 || wcscmp(szCaption, CAPTION) != 0)
          return TRUE;
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&hFound));
  return hFound;
}

struct SWin32DialogTest : public ::testing::Test
{
  SPlatformModule table[PLATFORM_COUNT] = {};
  PlatformChoice choice = {};
  SPlatformDesc openGlOnly[1] = {};

  void SetUp() override
  {
    for (int i : { 1, 2, 4 })
      table[i].pfnDescribe = DescribeStub;
    choice.bAsk = 1;
    choice.wWidth = 800;
    choice.wHeight = 600;
    choice.byColorDepth = 32;
    choice.wPlatformIndex = 2;
    choice.wModeIndex = 7;
    choice.wDepthIndex = 1;
    choice.pPlatformTable = table;
    strcpy(openGlOnly[0].szName, "OpenGL 1.2");
  }

  // Runs the dialog on this thread while fnAct drives it from another once it is
  // shown.  A dialog that never shows ends the modal loop (WM_QUIT) and fails.
  int Drive(CPlatformDialog& dialog, const std::function<void(HWND)>& fnAct,
            PFN_DIALOG_STOP pfnStop = nullptr)
  {
    const DWORD dwThread = GetCurrentThreadId();
    std::atomic<bool> bFound{ false };
    std::thread driver(
        [&]
        {
          for (int i = 0; i < 1000; ++i)
          {
            HWND hDlg = FindDialog(dwThread);
            if (hDlg && IsWindowVisible(hDlg))
            {
              bFound = true;
              fnAct(hDlg);
              return;
            }
            Sleep(20);
          }
          PostThreadMessageA(dwThread, WM_QUIT, 0, 0);
        });
    const int r = dialog.Run(pfnStop);
    driver.join();
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE); // the quit a timed-out run leaves
    EXPECT_TRUE(bFound) << "the dialog never showed";
    return r;
  }
};

// A key as the user presses it: to the control that has the focus, through the
// dialog's own key handling (IsDialogMessage in its modal loop).
void PressKey(HWND hDlg, WPARAM vk)
{
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  HWND hTarget = GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &info) && info.hwndFocus
                     ? info.hwndFocus
                     : hDlg;
  PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
  PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

// Picks a line of a drop-down list as a click on it would: select, then notify.
void Pick(HWND hDlg, int iId, int iLine)
{
  HWND hList = GetDlgItem(hDlg, iId);
  SendMessageA(hList, CB_SETCURSEL, static_cast<WPARAM>(iLine), 0);
  SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(iId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
}

TEST_F(SWin32DialogTest, ReturnAcceptsTheEditedChoice)
{
  choice.dwDialogFlags = DLGFLAG_REAL_TIME;
  CPlatformDialog dialog(choice, nullptr, 0);
  const int r = Drive(dialog,
                      [](HWND hDlg)
                      {
                        Pick(hDlg, IDC_MODE_LIST, 8);     // 1024 x 768
                        Pick(hDlg, IDC_PLATFORM_LIST, 2); // the software renderer
                        SendDlgItemMessageA(hDlg, IDC_FULLSCREEN, BM_CLICK, 0, 0);
                        SendDlgItemMessageA(hDlg, IDC_REAL_TIME, BM_CLICK, 0, 0);
                        PressKey(hDlg, VK_RETURN);
                      });
  ASSERT_EQ(r, CPlatformDialog::RESULT_OK);
  const PlatformChoice out = dialog.Result();
  EXPECT_EQ(out.wWidth, 1024);
  EXPECT_EQ(out.wHeight, 768);
  EXPECT_EQ(out.wPlatformIndex, 4);
  EXPECT_EQ(out.bFullscreen, 1);
  EXPECT_EQ(out.bAsk, 1);
  EXPECT_EQ(out.bRealTime, 1);
}

TEST_F(SWin32DialogTest, EscapeLeavesTheChoiceAsItWas)
{
  const PlatformChoice before = choice;
  CPlatformDialog dialog(choice, nullptr, 0);
  const int r = Drive(dialog,
                      [](HWND hDlg)
                      {
                        Pick(hDlg, IDC_MODE_LIST, 2);
                        PressKey(hDlg, VK_ESCAPE);
                      });
  EXPECT_EQ(r, CPlatformDialog::RESULT_CANCEL);
  EXPECT_EQ(memcmp(&before, &choice, sizeof(choice)), 0);
  const PlatformChoice after = dialog.Result();
  EXPECT_EQ(memcmp(&before, &after, sizeof(after)), 0);
}

TEST_F(SWin32DialogTest, APlatformWithoutDescriptorCannotBeChosen)
{
  CPlatformDialog dialog(choice, openGlOnly, 1);
  int iShown = -2;
  const int r =
      Drive(dialog,
            [&](HWND hDlg)
            {
              Pick(hDlg, IDC_PLATFORM_LIST, 0); // DirectX 8.1: no descriptor
              iShown = static_cast<int>(SendDlgItemMessageA(hDlg, IDC_PLATFORM_LIST, CB_GETCURSEL, 0, 0));
              PressKey(hDlg, VK_RETURN);
            });
  ASSERT_EQ(r, CPlatformDialog::RESULT_OK);
  EXPECT_EQ(iShown, 1); // the list went back to OpenGL 1.2
  EXPECT_EQ(dialog.Result().wPlatformIndex, 2);
}

std::atomic<bool> g_bStop{ false };

TEST_F(SWin32DialogTest, AStopRequestEndsTheDialogWithoutAClick)
{
  CPlatformDialog dialog(choice, nullptr, 0);
  const int r = Drive(
      dialog,
      [](HWND hDlg)
      {
        g_bStop = true;
        // Still there after three seconds: accept it, which the check below refuses.
        for (int i = 0; i < 150 && IsWindow(hDlg); ++i)
          Sleep(20);
        if (IsWindow(hDlg))
          PressKey(hDlg, VK_RETURN);
      },
      [] { return g_bStop.load(); });
  EXPECT_EQ(r, CPlatformDialog::RESULT_CANCEL);
}

TEST(Win32Resources, TheProgramIconIsThere)
{
  EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PLANETO)), nullptr);
}

} // namespace
