#include "app/platform_dialog.h"

// The dialog as start-up uses it, whichever view the system has.
ZRESULT RunPlatformDialog(PlatformChoice* pChoice, const SPlatformDesc* pDescs, uint32_t dwDescCount,
                          PFN_DIALOG_STOP pfnStop)
{
  if (!pChoice)
    return ZP_FAIL;
  CPlatformDialog dialog(*pChoice, pDescs, dwDescCount);
  if (dialog.Run(pfnStop) != CPlatformDialog::RESULT_OK)
    return ZP_FAIL;
  *pChoice = dialog.Result();
  return ZP_OK;
}
