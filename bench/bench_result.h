// One figure of a benchmark program in a form `make bench` can collect, next
// to the program's own human-readable output:
//
//   RESULT name=window-fill-4000 value=812.3 unit=ms met=yes goal=under 1000 ms
//
// `name` has no blanks; `met` is yes, no or "-" for a figure measured for
// comparison only; `goal` runs to the end of the line. The programs judge
// their own goals, because only they know what a figure is measured against.
#pragma once

#include <cstdio>

inline const char* GoalVerdict(bool met) { return met ? "yes" : "no"; }

inline void PrintResult(const char* name, double value, const char* unit, const char* met, const char* goal) {
  std::printf("RESULT name=%s value=%.6g unit=%s met=%s goal=%s\n", name, value, unit, met, goal);
  std::fflush(stdout);
}
