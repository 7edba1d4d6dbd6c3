#include "app/platform_dialog.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/x.H>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// The layout is given in dialog units (MS Sans Serif 8); these scale them to pixels.
constexpr double DLU_X = 1.75;
constexpr double DLU_Y = 2.0;
int PX(double dlu) { return static_cast<int>(dlu * DLU_X + 0.5); }
int PY(double dlu) { return static_cast<int>(dlu * DLU_Y + 0.5); }

constexpr int LABEL_SIZE = 12;
constexpr int LIST_HEIGHT = 24;

// A menu of plain labels: the items point at the strings, so nothing in them (a '/'
// or '&') is read as menu syntax.
struct SMenu
{
  std::vector<std::string> labels;
  std::vector<Fl_Menu_Item> items;

  void Build(const std::vector<std::string>& src, const std::vector<bool>& inactive = {})
  {
    labels = src;
    items.assign(labels.size() + 1, Fl_Menu_Item{});
    for (size_t i = 0; i < labels.size(); ++i)
    {
      items[i].text = labels[i].c_str();
      items[i].labelsize_ = LABEL_SIZE;
      if (i < inactive.size() && inactive[i])
        items[i].flags |= FL_MENU_INACTIVE;
    }
  }
};

Fl_Box* GroupBox(int x, int y, int w, int h, const char* szLabel)
{
  Fl_Box* p = new Fl_Box(FL_ENGRAVED_FRAME, PX(x), PY(y), PX(w), PY(h), szLabel);
  p->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
  p->labelsize(LABEL_SIZE);
  p->labelfont(FL_HELVETICA_BOLD);
  return p;
}

Fl_Choice* List(int x, int y, int w, SMenu& menu, int iSel, bool bEnabled)
{
  Fl_Choice* p = new Fl_Choice(PX(x), PY(y), PX(w), LIST_HEIGHT);
  p->textsize(LABEL_SIZE);
  p->menu(menu.items.data());
  if (iSel >= 0 && iSel < static_cast<int>(menu.labels.size()))
    p->value(iSel);
  else
    p->value(static_cast<const Fl_Menu_Item*>(nullptr));
  if (!bEnabled)
    p->deactivate();
  return p;
}

Fl_Check_Button* Check(int x, int y, int w, const char* szLabel, bool bValue, bool bEnabled)
{
  Fl_Check_Button* p = new Fl_Check_Button(PX(x), PY(y), PX(w), LIST_HEIGHT, szLabel);
  p->labelsize(LABEL_SIZE);
  p->value(bValue ? 1 : 0);
  if (!bEnabled)
    p->deactivate();
  return p;
}

} // namespace

struct CPlatformDialog::SView
{
  SMenu platforms, audio, input, modes, depths;
  Fl_Double_Window* pWindow = nullptr;
  Fl_Choice* pPlatform = nullptr;
  Fl_Choice* pAudio = nullptr;
  Fl_Choice* pInput = nullptr;
  Fl_Choice* pMode = nullptr;
  Fl_Choice* pDepth = nullptr;
  Fl_Check_Button* pFullscreen = nullptr;
  Fl_Check_Button* pDesktop = nullptr;
  Fl_Check_Button* pDontAsk = nullptr;
  Fl_Button* pOk = nullptr;
  Fl_Button* pExit = nullptr;

  void Build(CPlatformDialog* pDialog);
  void ReadControls(CPlatformDialogModel& model);
  static void OnOk(Fl_Widget*, void* pDialog);
  static void OnCancel(Fl_Widget*, void* pDialog);
};

CPlatformDialog::CPlatformDialog(const PlatformChoice& choice, const SPlatformDesc* pDescs,
                                 uint32_t dwDescCount)
    : m_model(choice, pDescs, dwDescCount), m_pView(new SView), m_result(choice)
{
}

CPlatformDialog::~CPlatformDialog()
{
  if (m_pView->pWindow)
  {
    m_pView->pWindow->hide();
    delete m_pView->pWindow; // deletes the children too
    Fl::flush();
  }
}

void* CPlatformDialog::GetNativeHandle() const { return m_pView->pWindow; }

void CPlatformDialog::SView::Build(CPlatformDialog* pDialog)
{
  SView& w = *this;
  const CPlatformDialogModel& model = pDialog->m_model;
  std::vector<std::string> names;
  std::vector<bool> inactive;
  for (const auto& item : model.PlatformItems())
  {
    names.push_back(item.strName);
    inactive.push_back(!item.bAvailable);
  }
  w.platforms.Build(names, inactive);
  w.audio.Build(CPlatformDialogModel::AudioLabels());
  w.input.Build(CPlatformDialogModel::InputLabels());
  w.modes.Build(CPlatformDialogModel::ModeLabels());
  w.depths.Build(CPlatformDialogModel::DepthLabels());

  Fl::scheme("gtk+");
  w.pWindow = new Fl_Double_Window(PX(318), PY(126), CPlatformDialogModel::CAPTION);
  w.pWindow->xclass("Planeto");
  w.pWindow->callback(&SView::OnCancel, pDialog);

  GroupBox(5, 5, 110, 35, "VIDEO PLATFORM");
  w.pPlatform = List(15, 18, 90, w.platforms, model.m_iPlatformSel, model.PlatformEnabled());
  GroupBox(5, 45, 110, 35, "AUDIO PLATFORM");
  w.pAudio = List(15, 58, 90, w.audio, model.m_iAudioSel, model.AudioEnabled());
  GroupBox(5, 85, 110, 35, "INPUT /  OUTPUT");
  w.pInput = List(15, 98, 90, w.input, model.m_iInputSel, model.InputEnabled());

  GroupBox(120, 5, 90, 115, "VIDEO MODE");
  w.pMode = List(130, 18, 70, w.modes, model.m_iModeSel, model.ModeEnabled());
  w.pDepth = List(130, 43, 70, w.depths, model.m_iDepthSel, model.DepthEnabled());
  w.pFullscreen = Check(130, 68, 75, "Fullscreen", model.m_bFullscreen, model.FullscreenEnabled());
  w.pDesktop = Check(130, 96, 75, "Desktop Mode", model.m_bDesktop, model.DesktopEnabled());

  // The default button: Return presses it (without the return arrow, which would
  // crowd the caption).
  w.pOk = new Fl_Button(PX(218), PY(10), PX(94), PY(34), model.OkCaption());
  w.pOk->shortcut(FL_Enter);
  w.pOk->labelsize(LABEL_SIZE);
  w.pOk->labelfont(FL_HELVETICA_BOLD);
  w.pOk->callback(&SView::OnOk, pDialog);
  w.pExit = new Fl_Button(PX(218), PY(55), PX(94), PY(20), "EXIT");
  w.pExit->labelsize(LABEL_SIZE);
  w.pExit->callback(&SView::OnCancel, pDialog);
  w.pDontAsk = Check(218, 95, 94, "Don't ask me again !", model.m_bDontAsk, model.DontAskEnabled());

  w.pWindow->end();
  w.pWindow->set_modal();
}

void CPlatformDialog::SView::ReadControls(CPlatformDialogModel& model)
{
  SView& w = *this;
  // An inactive platform cannot be picked from the list; keep what was selected then.
  int iPlatform = w.pPlatform->value();
  if (iPlatform != model.m_iPlatformSel && !model.SelectPlatform(iPlatform))
    iPlatform = model.m_iPlatformSel;
  model.m_iPlatformSel = iPlatform;
  model.m_iAudioSel = w.pAudio->value();
  model.m_iInputSel = w.pInput->value();
  model.m_iModeSel = w.pMode->value();
  model.m_iDepthSel = w.pDepth->value();
  model.m_bFullscreen = w.pFullscreen->value() != 0;
  model.m_bDesktop = w.pDesktop->value() != 0;
  model.m_bDontAsk = w.pDontAsk->value() != 0;
}

void CPlatformDialog::SView::OnOk(Fl_Widget*, void* pDialog)
{
  CPlatformDialog* p = static_cast<CPlatformDialog*>(pDialog);
  p->m_pView->ReadControls(p->m_model);
  p->m_result = p->m_model.Accept();
  p->m_iEnd = RESULT_OK;
  p->m_pView->pWindow->hide();
}

void CPlatformDialog::SView::OnCancel(Fl_Widget*, void* pDialog)
{
  CPlatformDialog* p = static_cast<CPlatformDialog*>(pDialog);
  p->m_iEnd = RESULT_CANCEL;
  p->m_pView->pWindow->hide();
}

int CPlatformDialog::Run(PFN_DIALOG_STOP pfnStop)
{
  // Without a server there is nobody to ask (FLTK would end the process instead).
  const char* szDisplay = getenv("DISPLAY");
  if (!fl_display)
  {
    if (!szDisplay || !*szDisplay)
      return RESULT_CANCEL;
    Display* pDisplay = XOpenDisplay(nullptr);
    if (!pDisplay)
      return RESULT_CANCEL;
    fl_open_display(pDisplay);
  }
  if (!m_pView->pWindow)
    m_pView->Build(this);
  m_iEnd = RESULT_NONE;
  Fl_Double_Window* pWindow = m_pView->pWindow;
  // Centred on the screen, as a dialog without an owner is.
  pWindow->position((Fl::w() - pWindow->w()) / 2, (Fl::h() - pWindow->h()) / 2);
  pWindow->show();
  m_pView->pOk->take_focus();
  // A signal ends the wait early (select is never restarted); the timeout covers one
  // that comes just before it.
  m_pfnStop = pfnStop;
  while (pWindow->shown() && m_iEnd == RESULT_NONE && !(m_pfnStop && m_pfnStop()))
    Fl::wait(m_pfnStop ? 0.1 : 1e20);
  m_pfnStop = nullptr;
  pWindow->hide();
  Fl::flush();
  return m_iEnd == RESULT_OK ? RESULT_OK : RESULT_CANCEL;
}
