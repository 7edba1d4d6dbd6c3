#pragma once

// The platform dialog's view: a modal FLTK dialog over CPlatformDialogModel.

#include "app/platform_select.h"

#include <memory>

class Fl_Double_Window;

// Shows the dialog on a copy of the choice.  OK copies the edited values back and
// answers ZP_OK; EXIT, Escape, closing the dialog or having no display answer ZP_FAIL
// and leave the choice as it was.  The descriptors, when given, grey the platforms
// whose module gave none.
ZRESULT RunPlatformDialog(PlatformChoice* pChoice, const SPlatformDesc* pDescs = nullptr,
                          uint32_t dwDescCount = 0);

class CPlatformDialog
{
public:
  enum { RESULT_NONE = 0, RESULT_OK = 1, RESULT_CANCEL = 2 };

  CPlatformDialog(const PlatformChoice& choice, const SPlatformDesc* pDescs, uint32_t dwDescCount);
  ~CPlatformDialog();

  // Shows the dialog and waits until it ends; answers RESULT_OK or RESULT_CANCEL
  // (RESULT_CANCEL at once when no display can be opened).
  int Run();

  // The choice as the controls left it (meaningful after RESULT_OK).
  PlatformChoice Result() const { return m_result; }

  Fl_Double_Window* Window() const;

private:
  struct SWidgets;
  CPlatformDialogModel      m_model;
  std::unique_ptr<SWidgets> m_pWidgets;
  PlatformChoice            m_result;
  int                       m_iEnd = RESULT_NONE;

  void Build();
  void ReadControls();
  static void OnOk(void* pWidget, void* pThis);
  static void OnCancel(void* pWidget, void* pThis);
};
