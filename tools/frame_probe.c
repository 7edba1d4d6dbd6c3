/* Frame-time probe for scripts/soak.sh, loaded with LD_PRELOAD into an unchanged
 * planeto.  It sits in front of the calls that present a frame (glXSwapBuffers for
 * OpenGL, XShmPutImage or XPutImage for the software platform) and, once a second,
 * appends to the file named by $PLANETO_FRAME_PROBE one line:
 *
 *   SECONDS_SINCE_FIRST_FRAME FRAMES MEAN_FRAME_MS MAX_FRAME_MS
 *
 * where a frame's time is the interval between two presentations.  The program itself
 * knows nothing of it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static FILE*     s_out;
static int       s_failed;
static long long s_first, s_last, s_window, s_worst, s_sum;
static long      s_frames;
static int       s_swapSeen;   /* Mesa presents its own swaps with XPutImage: count once */

static long long NowNs(void)
{
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static void Presented(void)
{
  long long now = NowNs();
  if (!s_out) {
    const char* path = getenv("PLANETO_FRAME_PROBE");
    if (s_failed || !path || !(s_out = fopen(path, "w"))) {
      s_failed = 1;
      return;
    }
    s_first = s_last = s_window = now;
    return;
  }
  long long dt = now - s_last;
  s_last = now;
  ++s_frames;
  s_sum += dt;
  if (dt > s_worst)
    s_worst = dt;
  if (now - s_window >= 1000000000LL) {
    fprintf(s_out, "%.3f %ld %.3f %.3f\n", (now - s_first) / 1e9, s_frames,
            s_sum / 1e6 / s_frames, s_worst / 1e6);
    fflush(s_out);
    s_window = now;
    s_frames = 0;
    s_sum = s_worst = 0;
  }
}

typedef void (*PFN_SWAP)(void*, unsigned long);
typedef int (*PFN_PUT)(void*, unsigned long, void*, void*, int, int, int, int, unsigned, unsigned);
typedef int (*PFN_SHMPUT)(void*, unsigned long, void*, void*, int, int, int, int, unsigned,
                          unsigned, int);

void glXSwapBuffers(void* dpy, unsigned long drawable)
{
  static PFN_SWAP real;
  if (!real)
    real = (PFN_SWAP)dlsym(RTLD_NEXT, "glXSwapBuffers");
  s_swapSeen = 1;
  Presented();
  real(dpy, drawable);
}

int XPutImage(void* dpy, unsigned long d, void* gc, void* image, int sx, int sy, int dx, int dy,
              unsigned w, unsigned h)
{
  static PFN_PUT real;
  if (!real)
    real = (PFN_PUT)dlsym(RTLD_NEXT, "XPutImage");
  if (!s_swapSeen)
    Presented();
  return real(dpy, d, gc, image, sx, sy, dx, dy, w, h);
}

int XShmPutImage(void* dpy, unsigned long d, void* gc, void* image, int sx, int sy, int dx, int dy,
                 unsigned w, unsigned h, int send_event)
{
  static PFN_SHMPUT real;
  if (!real)
    real = (PFN_SHMPUT)dlsym(RTLD_NEXT, "XShmPutImage");
  if (!s_swapSeen)
    Presented();
  return real(dpy, d, gc, image, sx, sy, dx, dy, w, h, send_event);
}
