// One background worker as the window records it: a thread, the stop flag it
// polls and an "ended" signal the stopper waits on. Window thread only.
//
// Invariants: Stop() waits a bounded time and then lets the worker go
// (detaches it). That is safe only because a worker body owns everything it
// uses by value or shared_ptr, its stop flag included.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

class WorkerThread {
 public:
  using Body = std::function<void(const std::atomic<bool>& stopRequested)>;
  static constexpr std::chrono::milliseconds kStopWait{3000};

  WorkerThread() = default;
  ~WorkerThread() { Stop(); }
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // Stops a recorded worker first, then starts `body` on a new thread with a
  // cleared flag. Returns whether a worker is recorded afterwards (false when
  // the system refused a thread).
  bool Start(Body body);

  // Sets the flag, waits at most `wait` for the body to return and forgets
  // the worker. Returns false when the worker had to be left running.
  bool Stop(std::chrono::milliseconds wait = kStopWait);

  bool IsRecorded() const { return thread_.joinable(); }

 private:
  struct Shared;
  std::thread thread_;
  std::shared_ptr<Shared> shared_;
};
