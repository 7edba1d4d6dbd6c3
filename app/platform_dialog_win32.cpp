#include "app/platform_dialog.h"

#include "app/resource.h"

#include <windows.h>

#include <string>

// The dialog template (planeto.rc) gives the layout, the texts and the tab order; the
// procedure fills the controls from the model and reads them back on OK.  IDOK is the
// default button, so Return presses it; Escape and the close box send IDCANCEL.

struct CPlatformDialog::SView
{
  HWND hDlg = nullptr;

  static INT_PTR CALLBACK Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
  static void Fill(HWND hDlg, const CPlatformDialogModel& model);
  static void ReadControls(HWND hDlg, CPlatformDialogModel& model);
  static void MeasurePlatform(HWND hDlg, MEASUREITEMSTRUCT* pItem);
  static void DrawPlatform(const CPlatformDialogModel& model, const DRAWITEMSTRUCT* pItem);
};

namespace
{

// Asks the stop check while the dialog waits.
constexpr UINT_PTR STOP_TIMER_ID = 1;

void FillList(HWND hDlg, int iId, const std::vector<std::string>& labels, int iSel, bool bEnabled)
{
  HWND hList = GetDlgItem(hDlg, iId);
  for (const std::string& label : labels)
    SendMessageA(hList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
  SendMessageA(hList, CB_SETCURSEL, static_cast<WPARAM>(iSel), 0); // -1: none
  EnableWindow(hList, bEnabled);
}

void SetCheck(HWND hDlg, int iId, bool bValue, bool bEnabled)
{
  CheckDlgButton(hDlg, iId, bValue ? BST_CHECKED : BST_UNCHECKED);
  EnableWindow(GetDlgItem(hDlg, iId), bEnabled);
}

int Selection(HWND hDlg, int iId)
{
  return static_cast<int>(SendDlgItemMessageA(hDlg, iId, CB_GETCURSEL, 0, 0)); // CB_ERR is -1
}

bool Checked(HWND hDlg, int iId) { return IsDlgButtonChecked(hDlg, iId) == BST_CHECKED; }

} // namespace

void CPlatformDialog::SView::Fill(HWND hDlg, const CPlatformDialogModel& model)
{
  std::vector<std::string> names;
  for (const auto& item : model.PlatformItems())
    names.push_back(item.strName);
  FillList(hDlg, IDC_PLATFORM_LIST, names, model.m_iPlatformSel, model.PlatformEnabled());
  FillList(hDlg, IDC_AUDIO_LIST, CPlatformDialogModel::AudioLabels(), model.m_iAudioSel,
           model.AudioEnabled());
  FillList(hDlg, IDC_INPUT_LIST, CPlatformDialogModel::InputLabels(), model.m_iInputSel,
           model.InputEnabled());
  FillList(hDlg, IDC_MODE_LIST, CPlatformDialogModel::ModeLabels(), model.m_iModeSel, model.ModeEnabled());
  FillList(hDlg, IDC_DEPTH_LIST, CPlatformDialogModel::DepthLabels(), model.m_iDepthSel,
           model.DepthEnabled());
  SetCheck(hDlg, IDC_FULLSCREEN, model.m_bFullscreen, model.FullscreenEnabled());
  SetCheck(hDlg, IDC_DONT_ASK, model.m_bDontAsk, model.DontAskEnabled());
  SetCheck(hDlg, IDC_DESKTOP_MODE, model.m_bDesktop, model.DesktopEnabled());
  SetCheck(hDlg, IDC_REAL_TIME, model.m_bRealTime, model.RealTimeEnabled());
  SetDlgItemTextA(hDlg, IDOK, model.OkCaption());
}

void CPlatformDialog::SView::ReadControls(HWND hDlg, CPlatformDialogModel& model)
{
  // A platform that cannot be picked was refused when chosen; keep what was selected.
  const int iPlatform = Selection(hDlg, IDC_PLATFORM_LIST);
  if (iPlatform != model.m_iPlatformSel)
    model.SelectPlatform(iPlatform);
  model.m_iAudioSel = Selection(hDlg, IDC_AUDIO_LIST);
  model.m_iInputSel = Selection(hDlg, IDC_INPUT_LIST);
  model.m_iModeSel = Selection(hDlg, IDC_MODE_LIST);
  model.m_iDepthSel = Selection(hDlg, IDC_DEPTH_LIST);
  model.m_bFullscreen = Checked(hDlg, IDC_FULLSCREEN);
  model.m_bDesktop = Checked(hDlg, IDC_DESKTOP_MODE);
  model.m_bDontAsk = Checked(hDlg, IDC_DONT_ASK);
  model.m_bRealTime = Checked(hDlg, IDC_REAL_TIME);
}

// The platform list draws its own lines: one row of the dialog's font.  This comes
// while the list is being made, before WM_INITDIALOG, so only the dialog's font is
// known then.
void CPlatformDialog::SView::MeasurePlatform(HWND hDlg, MEASUREITEMSTRUCT* pItem)
{
  HDC hdc = GetDC(hDlg);
  HGDIOBJ hOld = SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessageA(hDlg, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm;
  pItem->itemHeight = GetTextMetricsA(hdc, &tm) ? static_cast<UINT>(tm.tmHeight + 2) : 14;
  SelectObject(hdc, hOld);
  ReleaseDC(hDlg, hdc);
}

// A platform whose module gave no descriptor is drawn in the system's grey text colour
// and never highlighted, as a disabled menu item is; choosing it is refused
// (CBN_SELCHANGE below), so the list keeps what was selected.
void CPlatformDialog::SView::DrawPlatform(const CPlatformDialogModel& model, const DRAWITEMSTRUCT* pItem)
{
  const auto& items = model.PlatformItems();
  const bool bItem = pItem->itemID < items.size();
  const bool bAvailable = bItem && items[pItem->itemID].bAvailable;
  const bool bListDisabled = (pItem->itemState & ODS_DISABLED) != 0;
  const bool bHighlight = bAvailable && !bListDisabled && (pItem->itemState & ODS_SELECTED);

  FillRect(pItem->hDC, &pItem->rcItem,
           GetSysColorBrush(bHighlight      ? COLOR_HIGHLIGHT
                            : bListDisabled ? COLOR_BTNFACE
                                            : COLOR_WINDOW));
  if (!bItem)
    return;
  SetBkMode(pItem->hDC, TRANSPARENT);
  SetTextColor(pItem->hDC, GetSysColor(!bAvailable || bListDisabled ? COLOR_GRAYTEXT
                                       : bHighlight                 ? COLOR_HIGHLIGHTTEXT
                                                                    : COLOR_WINDOWTEXT));
  RECT rc = pItem->rcItem;
  rc.left += 3;
  DrawTextA(pItem->hDC, items[pItem->itemID].strName.c_str(), -1, &rc,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if ((pItem->itemState & ODS_FOCUS) && !(pItem->itemState & ODS_NOFOCUSRECT))
    DrawFocusRect(pItem->hDC, &pItem->rcItem);
}

INT_PTR CALLBACK CPlatformDialog::SView::Proc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
  CPlatformDialog* p = reinterpret_cast<CPlatformDialog*>(GetWindowLongPtrA(hDlg, DWLP_USER));
  switch (uMsg)
  {
    case WM_INITDIALOG:
      p = reinterpret_cast<CPlatformDialog*>(lParam);
      SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
      p->m_pView->hDlg = hDlg;
      Fill(hDlg, p->m_model);
      // Without an owner the dialog stands in the taskbar: with the program's icon.
      SendMessageA(
          hDlg, WM_SETICON, ICON_BIG,
          reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PLANETO))));
      // The default button has the focus, as the FLTK view gives it.
      SetFocus(GetDlgItem(hDlg, IDOK));
      if (p->m_pfnStop)
        SetTimer(hDlg, STOP_TIMER_ID, 100, nullptr);
      return FALSE;

    case WM_TIMER:
      if (!p || wParam != STOP_TIMER_ID || !p->m_pfnStop || !p->m_pfnStop())
        return FALSE;
      KillTimer(hDlg, STOP_TIMER_ID);
      p->m_iEnd = RESULT_CANCEL;
      EndDialog(hDlg, RESULT_CANCEL);
      return TRUE;

    case WM_MEASUREITEM:
      if (wParam != IDC_PLATFORM_LIST)
        return FALSE;
      MeasurePlatform(hDlg, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return TRUE;

    case WM_DRAWITEM:
      if (wParam != IDC_PLATFORM_LIST || !p)
        return FALSE;
      DrawPlatform(p->m_model, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;

    case WM_COMMAND:
      if (!p)
        return FALSE;
      switch (LOWORD(wParam))
      {
        case IDC_PLATFORM_LIST:
          if (HIWORD(wParam) == CBN_SELCHANGE &&
              !p->m_model.SelectPlatform(Selection(hDlg, IDC_PLATFORM_LIST)))
            SendDlgItemMessageA(hDlg, IDC_PLATFORM_LIST, CB_SETCURSEL,
                                static_cast<WPARAM>(p->m_model.m_iPlatformSel), 0);
          return FALSE;
        case IDOK:
          ReadControls(hDlg, p->m_model);
          p->m_result = p->m_model.Accept();
          p->m_iEnd = RESULT_OK;
          EndDialog(hDlg, RESULT_OK);
          return FALSE;
        case IDCANCEL:
          p->m_iEnd = RESULT_CANCEL;
          EndDialog(hDlg, RESULT_CANCEL);
          return FALSE;
        default: return FALSE;
      }

    default: return FALSE;
  }
}

CPlatformDialog::CPlatformDialog(const PlatformChoice& choice, const SPlatformDesc* pDescs,
                                 uint32_t dwDescCount)
    : m_model(choice, pDescs, dwDescCount), m_pView(new SView), m_result(choice)
{
}

CPlatformDialog::~CPlatformDialog() = default;

void* CPlatformDialog::GetNativeHandle() const { return m_pView->hDlg; }

int CPlatformDialog::Run(PFN_DIALOG_STOP pfnStop)
{
  m_iEnd = RESULT_NONE;
  m_pfnStop = pfnStop;
  // No owner: the dialog stands alone, as it comes before the program's window.
  const INT_PTR r = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PLATFORM), nullptr,
                                    &SView::Proc, reinterpret_cast<LPARAM>(this));
  m_pView->hDlg = nullptr;
  m_pfnStop = nullptr;
  return r == RESULT_OK && m_iEnd == RESULT_OK ? RESULT_OK : RESULT_CANCEL;
}
