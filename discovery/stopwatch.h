// Measures a worker's cycle from the moment it is made, on the monotonic
// clock, so a change of the wall clock cannot stretch or cut a cycle.
#pragma once

#include <chrono>

class CStopwatch {
 public:
  CStopwatch() : start_(std::chrono::steady_clock::now()) {}
  virtual ~CStopwatch() = default;

  bool IsElapsed(float milliseconds) const {
    std::chrono::duration<double, std::milli> passed = std::chrono::steady_clock::now() - start_;
    return passed.count() >= milliseconds;
  }

 private:
  std::chrono::steady_clock::time_point start_;
};
