#pragma once

// The platform dialog's view: a modal dialog over CPlatformDialogModel.  FLTK draws it
// on Linux (platform_dialog_fltk.cpp); on Windows it is the system's own dialog from
// the program's resource script (platform_dialog_win32.cpp).  This header names no
// toolkit type, so that start-up and the tests see one dialog on both systems.

#include "app/platform_select.h"

#include <memory>

// Asked while the dialog waits for the user: true ends it at once, as EXIT would (a
// stop signal must not wait for a click).
typedef bool (*PFN_DIALOG_STOP)();

// Shows the dialog on a copy of the choice.  OK copies the edited values back and
// answers ZP_OK; EXIT, Escape, closing the dialog, pfnStop answering true or having no
// display answer ZP_FAIL and leave the choice as it was.  The descriptors, when given,
// grey the platforms whose module gave none.
ZRESULT RunPlatformDialog(PlatformChoice* pChoice, const SPlatformDesc* pDescs = nullptr,
                          uint32_t dwDescCount = 0, PFN_DIALOG_STOP pfnStop = nullptr);

class CPlatformDialog
{
public:
  enum
  {
    RESULT_NONE = 0,
    RESULT_OK = 1,
    RESULT_CANCEL = 2
  };

  CPlatformDialog(const PlatformChoice& choice, const SPlatformDesc* pDescs, uint32_t dwDescCount);
  ~CPlatformDialog();

  // Shows the dialog and waits until it ends; answers RESULT_OK or RESULT_CANCEL
  // (RESULT_CANCEL at once when no display can be opened, or as soon as pfnStop, asked
  // at least ten times a second, answers true).
  int Run(PFN_DIALOG_STOP pfnStop = nullptr);

  // The choice as the controls left it (meaningful after RESULT_OK).
  PlatformChoice Result() const { return m_result; }

  // The toolkit's window, for tests that drive the dialog: FLTK's Fl_Double_Window*
  // once built, the dialog's HWND on Windows while it is shown; null otherwise.
  void* GetNativeHandle() const;

private:
  // The toolkit's side: the widgets and their callbacks, or the dialog procedure.
  struct SView;
  CPlatformDialogModel m_model;
  std::unique_ptr<SView> m_pView;
  PlatformChoice m_result;
  int m_iEnd = RESULT_NONE;
  PFN_DIALOG_STOP m_pfnStop = nullptr; // while Run waits
};
