#pragma once

#include <cstdint>

// MT19937 (624-word state, twist offset 397, matrix word 0x9908B0DF, initialisation
// multiplier 1812433253, standard tempering).  The state is a plain record so that
// the engine settings record can hold it.
constexpr int RANDOM_STATE_WORDS = 624;

struct SRandomState
{
  uint32_t mt[RANDOM_STATE_WORDS];
  uint32_t index; // next word to temper; RANDOM_STATE_WORDS forces a twist
};

// Seed 0 takes the seed from the clock: srand(GetTickCount()), then the first rand().
// Any other value seeds the generator directly.
void SeedRandom(SRandomState* pState, uint32_t uSeed);

// The next 32-bit output.  An unseeded (zero-filled) state is seeded with 5489 first,
// the generator's customary default.
uint32_t NextRandom(SRandomState* pState);
