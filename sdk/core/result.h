#pragma once

#include <cstdint>

// Every engine and scene operation answers a signed 32-bit result: 0 is success, any
// negative value a failure.  Callers test for a negative value, never for ZP_FAIL.
typedef int32_t ZRESULT;

constexpr ZRESULT ZP_OK = 0;
constexpr ZRESULT ZP_FAIL = static_cast<ZRESULT>(0x80000001u);

inline bool ZP_FAILED(ZRESULT r) { return r < 0; }
