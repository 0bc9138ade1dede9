#include "discovery/worker_thread.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

struct WorkerThread::Shared {
  std::atomic<bool> stopRequested{false};
  std::mutex mutex;
  std::condition_variable endedSignal;
  bool ended = false;
};

bool WorkerThread::Start(Body body) {
  if (IsRecorded()) Stop();
  auto shared = std::make_shared<Shared>();
  try {
    thread_ = std::thread([shared, body = std::move(body)] {
      body(shared->stopRequested);
      std::lock_guard<std::mutex> lock(shared->mutex);
      shared->ended = true;
      shared->endedSignal.notify_all();
    });
  } catch (const std::system_error&) {
    shared_.reset();
    return false;
  }
  shared_ = std::move(shared);
  return true;
}

bool WorkerThread::Stop(std::chrono::milliseconds wait) {
  if (!IsRecorded()) return true;
  shared_->stopRequested.store(true);
  bool ended;
  {
    std::unique_lock<std::mutex> lock(shared_->mutex);
    ended = shared_->endedSignal.wait_for(lock, wait, [this] { return shared_->ended; });
  }
  if (ended) {
    thread_.join();
  } else {
    thread_.detach();
  }
  shared_.reset();
  return ended;
}
