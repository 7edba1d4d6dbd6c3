#include "app/window_placement.h"

SWindowPlacement PlaceWindow(bool bFullscreen, int iChosenWidth, int iChosenHeight, int iScreenWidth,
                             int iScreenHeight)
{
  if (bFullscreen)
    return SWindowPlacement{ WINDOW_STYLE_FULLSCREEN, 0, 0, iScreenWidth, iScreenHeight };
  const int w = iChosenWidth < iScreenWidth ? iChosenWidth : iScreenWidth;
  const int h = iChosenHeight < iScreenHeight ? iChosenHeight : iScreenHeight;
  return SWindowPlacement{ WINDOW_STYLE_WINDOWED, (iScreenWidth - w) >> 1, (iScreenHeight - h) >> 1, w, h };
}
