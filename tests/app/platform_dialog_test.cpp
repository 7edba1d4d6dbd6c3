// The FLTK platform dialog under a real X server, driven by xdotool key presses and
// clicks.

#include <gtest/gtest.h> // before Xlib, whose macros (None) clash with it

#include "app/platform_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/x.H>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{

ZRESULT DescribeStub(SPlatformDesc*) { return ZP_OK; }

struct SDialogFixture : public ::testing::Test
{
  SPlatformModule table[PLATFORM_COUNT] = {};
  PlatformChoice choice = {};

  void SetUp() override
  {
    ASSERT_TRUE(getenv("DISPLAY") && *getenv("DISPLAY")) << "needs an X server";
    for (int i : { 1, 2, 4 })
      table[i].pfnDescribe = DescribeStub;
    choice.bAsk = 1;
    choice.wWidth = 1152; // not in the mode table
    choice.wHeight = 864;
    choice.byColorDepth = 32;
    choice.wPlatformIndex = 2;
    choice.wModeIndex = 7;
    choice.wDepthIndex = 1;
    choice.pPlatformTable = table;
  }
};

std::vector<Fl_Widget*> Children(Fl_Double_Window* pWindow)
{
  std::vector<Fl_Widget*> v;
  for (int i = 0; i < pWindow->children(); ++i)
    v.push_back(pWindow->child(i));
  return v;
}

Fl_Widget* ByLabel(Fl_Double_Window* pWindow, const char* szLabel)
{
  for (Fl_Widget* p : Children(pWindow))
    if (p->label() && strcmp(p->label(), szLabel) == 0)
      return p;
  return nullptr;
}

std::vector<Fl_Choice*> Lists(Fl_Double_Window* pWindow)
{
  std::vector<Fl_Choice*> v;
  for (Fl_Widget* p : Children(pWindow))
    if (Fl_Choice* c = dynamic_cast<Fl_Choice*>(p))
      v.push_back(c);
  return v; // platform, audio, input, mode, depth
}

// Runs fnAct once the dialog is on the screen, inside the dialog's own loop.
struct SActor
{
  CPlatformDialog* pDialog;
  std::function<void(Fl_Double_Window*, const std::string&)> fnAct;
  bool bDone = false;

  static void Tick(void* p)
  {
    SActor* a = static_cast<SActor*>(p);
    Fl_Double_Window* pWindow = static_cast<Fl_Double_Window*>(a->pDialog->GetNativeHandle());
    if (!a->bDone && pWindow && pWindow->visible() && fl_xid(pWindow))
    {
      a->bDone = true;
      std::string id = std::to_string(fl_xid(pWindow));
      ASSERT_EQ(system(("xdotool windowfocus --sync " + id).c_str()), 0);
      a->fnAct(pWindow, id);
      return;
    }
    Fl::repeat_timeout(0.05, Tick, p);
  }
  int Run()
  {
    Fl::add_timeout(0.05, Tick, this);
    int r = pDialog->Run();
    Fl::remove_timeout(Tick, this);
    return r;
  }
};

void Click(const std::string& id, Fl_Widget* p)
{
  ASSERT_NE(p, nullptr);
  std::string cmd = "xdotool mousemove --window " + id + " " + std::to_string(p->x() + 8) + " " +
                    std::to_string(p->y() + p->h() / 2) + " click 1";
  ASSERT_EQ(system(cmd.c_str()), 0);
}

TEST_F(SDialogFixture, ReturnAcceptsWhatTheDialogShows)
{
  CPlatformDialog dialog(choice, nullptr, 0);
  SActor actor{ &dialog, [](Fl_Double_Window* pWindow, const std::string&)
                {
                  EXPECT_STREQ(pWindow->label(), "Zephyro\xC2\xAE - Select platform :");
                  std::vector<Fl_Choice*> lists = Lists(pWindow);
                  ASSERT_EQ(lists.size(), 5u);
                  EXPECT_STREQ(lists[0]->text(), "OpenGL 1.2");
                  EXPECT_EQ(lists[0]->size(), 4); // three names and the terminator
                  EXPECT_STREQ(lists[1]->text(), "-Disable-");
                  EXPECT_STREQ(lists[3]->text(), "800 x 600");
                  EXPECT_STREQ(lists[4]->text(), "32 bits");
                  EXPECT_NE(ByLabel(pWindow, "SAVE AND LAUNCH"), nullptr);
                  EXPECT_NE(ByLabel(pWindow, "VIDEO PLATFORM"), nullptr);
                  EXPECT_NE(ByLabel(pWindow, "INPUT /  OUTPUT"), nullptr);
                  if (const char* szShot = getenv("PLANETO_DIALOG_SCREENSHOT"))
                  {
                    EXPECT_EQ(system((std::string("import -window root ") + szShot).c_str()), 0);
                  }
                  ASSERT_EQ(system("xdotool key Return"), 0);
                } };
  ASSERT_EQ(actor.Run(), CPlatformDialog::RESULT_OK);
  PlatformChoice out = dialog.Result();
  EXPECT_EQ(out.wWidth, 800);
  EXPECT_EQ(out.wHeight, 600);
  EXPECT_EQ(out.wPlatformIndex, 2);
  EXPECT_EQ(out.byColorDepth, 32);
  EXPECT_EQ(out.bAsk, 1);
  EXPECT_EQ(out.bFullscreen, 0);
}

TEST_F(SDialogFixture, EscapeExitsAndLeavesTheChoiceAlone)
{
  PlatformChoice before = choice;
  // Through the public entry, as start-up calls it; xdotool waits for the dialog.
  // The key goes through XTEST on its own: chained to the window, xdotool would die on
  // the window vanishing at the press and leave Escape held down (and repeating).
  std::string cmd = "(xdotool search --sync --onlyvisible --name 'Select platform' windowfocus --sync; "
                    "xdotool key Escape) >/dev/null 2>&1 &";
  ASSERT_EQ(system(cmd.c_str()), 0);
  EXPECT_EQ(RunPlatformDialog(&choice), ZP_FAIL);
  EXPECT_EQ(memcmp(&before, &choice, sizeof(choice)), 0);
}

TEST_F(SDialogFixture, ClicksOnTheCheckBoxesAndOkAreReadBack)
{
  CPlatformDialog dialog(choice, nullptr, 0);
  SActor actor{ &dialog, [](Fl_Double_Window* pWindow, const std::string& id)
                {
                  Click(id, ByLabel(pWindow, "Fullscreen"));
                  Click(id, ByLabel(pWindow, "Don't ask me again !"));
                  Click(id, ByLabel(pWindow, "Desktop Mode"));
                  Click(id, ByLabel(pWindow, "SAVE AND LAUNCH"));
                } };
  ASSERT_EQ(actor.Run(), CPlatformDialog::RESULT_OK);
  PlatformChoice out = dialog.Result();
  EXPECT_EQ(out.bFullscreen, 1);
  EXPECT_EQ(out.bAsk, 0);
  EXPECT_EQ(out.bDesktop, 1);
}

TEST_F(SDialogFixture, ExitButtonCancels)
{
  CPlatformDialog dialog(choice, nullptr, 0);
  SActor actor{ &dialog, [](Fl_Double_Window* pWindow, const std::string& id)
                {
                  Click(id, ByLabel(pWindow, "Fullscreen"));
                  Click(id, ByLabel(pWindow, "EXIT"));
                } };
  EXPECT_EQ(actor.Run(), CPlatformDialog::RESULT_CANCEL);
}

TEST_F(SDialogFixture, ScreenSaverFlagsDisableControlsAndRenameOk)
{
  choice.dwDialogFlags = DLGFLAGS_SCREEN_SAVER;
  SPlatformDesc descs[1] = {};
  strcpy(descs[0].szName, "OpenGL 1.2");
  CPlatformDialog dialog(choice, descs, 1);
  SActor actor{ &dialog, [](Fl_Double_Window* pWindow, const std::string&)
                {
                  std::vector<Fl_Choice*> lists = Lists(pWindow);
                  ASSERT_EQ(lists.size(), 5u);
                  EXPECT_FALSE(lists[0]->active());
                  EXPECT_FALSE(lists[1]->active());
                  EXPECT_FALSE(lists[2]->active());
                  EXPECT_TRUE(lists[3]->active());
                  EXPECT_TRUE(lists[4]->active());
                  EXPECT_TRUE(ByLabel(pWindow, "Fullscreen")->active());
                  EXPECT_FALSE(ByLabel(pWindow, "Desktop Mode")->active());
                  EXPECT_FALSE(ByLabel(pWindow, "Don't ask me again !")->active());
                  EXPECT_NE(ByLabel(pWindow, "SAVE AND EXIT"), nullptr);
                  // Platforms whose module gave no descriptor are greyed.
                  const Fl_Menu_Item* pItems = lists[0]->menu();
                  EXPECT_TRUE(pItems[0].flags & FL_MENU_INACTIVE);  // DirectX 8.1
                  EXPECT_FALSE(pItems[1].flags & FL_MENU_INACTIVE); // OpenGL 1.2
                  EXPECT_TRUE(pItems[2].flags & FL_MENU_INACTIVE);
                  ASSERT_EQ(system("xdotool key Escape"), 0);
                } };
  EXPECT_EQ(actor.Run(), CPlatformDialog::RESULT_CANCEL);
}

} // namespace
