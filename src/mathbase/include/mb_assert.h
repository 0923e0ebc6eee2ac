#pragma once
// Precondition checks of the maths types. A violated check logs an error whose
// text is the expression, then runs the fallback (usually a return that leaves
// the value as it was), so a caller error never turns values into NaN.

#include "zlk_system.h"

#define MB_ASSERT_OR(expression, ...)                                     \
  do {                                                                    \
    if (__builtin_expect(!(expression), 0)) {                             \
      ZLK_LOG("error", "system", "Assertion failed: %s", #expression);    \
      __VA_ARGS__;                                                        \
    }                                                                     \
  } while (0)
