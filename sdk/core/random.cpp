#include "sdk/core/random.h"

#include "sdk/os/clock.h"

#include <cstdlib>

using namespace zos;

namespace
{
constexpr int MT_N = RANDOM_STATE_WORDS;
constexpr int MT_M = 397;
constexpr uint32_t MT_MATRIX = 0x9908B0DFu;
constexpr uint32_t MT_UPPER = 0x80000000u;
constexpr uint32_t MT_LOWER = 0x7FFFFFFFu;

void InitState(SRandomState* pState, uint32_t uSeed)
{
  pState->mt[0] = uSeed;
  for (int i = 1; i < MT_N; ++i)
    pState->mt[i] = 1812433253u * (pState->mt[i - 1] ^ (pState->mt[i - 1] >> 30)) + static_cast<uint32_t>(i);
  pState->index = MT_N;
}

void Twist(SRandomState* pState)
{
  uint32_t* mt = pState->mt;
  for (int i = 0; i < MT_N; ++i)
  {
    uint32_t y = (mt[i] & MT_UPPER) | (mt[(i + 1) % MT_N] & MT_LOWER);
    mt[i] = mt[(i + MT_M) % MT_N] ^ (y >> 1) ^ ((y & 1u) ? MT_MATRIX : 0u);
  }
  pState->index = 0;
}
} // namespace

void SeedRandom(SRandomState* pState, uint32_t uSeed)
{
  if (!pState)
    return;
  if (uSeed == 0)
  {
    // The runtime's generator turns the tick count into the seed.
    std::srand(GetTickCount());
    uSeed = static_cast<uint32_t>(std::rand());
  }
  InitState(pState, uSeed);
}

uint32_t NextRandom(SRandomState* pState)
{
  if (!pState)
    return 0;
  if (pState->index > MT_N)
    pState->index = MT_N; // a damaged index must not read past the state
  if ((pState->index == 0 || pState->index == MT_N) && pState->mt[0] == 0)
  {
    // A zero-filled state was never seeded: all-zero words would give zeros forever.
    bool bZero = true;
    for (int i = 0; i < MT_N && bZero; ++i)
      bZero = pState->mt[i] == 0;
    if (bZero)
      InitState(pState, 5489u);
  }
  if (pState->index == MT_N)
    Twist(pState);
  uint32_t y = pState->mt[pState->index++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}
