// How worker threads reach the main window without ever touching it.
//
// Workers hold a shared WindowMailbox and post events through it; posting is
// QCoreApplication::postEvent under the mailbox's lock, which is thread-safe,
// keeps the order of one thread's events and never waits for the window.
// The window closes the mailbox (through the MailboxOwner member it holds)
// before its QObject part is torn down, taking the same lock; from then on
// posts are refused and their events freed on the spot. Because a post and
// the close can never overlap, a worker that outlives the window - for
// example one left running after its stop wait expired - cannot reach freed
// memory, and Qt frees whatever was queued but not yet delivered when the
// window's QObject goes.
//
// Under ThreadSanitizer the mailbox also marks each hand-off (released on
// posting, acquired by a filter on the window before delivery): the lock in
// the distribution's uninstrumented Qt event queue is invisible to it, and
// without the marks every read of a posted event's fields would be reported.
#pragma once

#include <QEvent>
#include <QObject>
#include <memory>
#include <mutex>

class WindowMailbox {
 public:
  explicit WindowMailbox(QObject* window);
  WindowMailbox(const WindowMailbox&) = delete;
  WindowMailbox& operator=(const WindowMailbox&) = delete;

  // True when the event was queued for the window; false (event freed) once closed.
  bool post(std::unique_ptr<QEvent> event);
  void close();
  bool isOpen() const;

 private:
  mutable std::mutex mutex_;
  QObject* window_;
};

// Held by the window as a member, so the mailbox closes while the window is
// still whole, whichever way the window is destroyed.
class MailboxOwner {
 public:
  explicit MailboxOwner(QObject* window) : mailbox_(std::make_shared<WindowMailbox>(window)) {}
  ~MailboxOwner() { mailbox_->close(); }
  MailboxOwner(const MailboxOwner&) = delete;
  MailboxOwner& operator=(const MailboxOwner&) = delete;

  const std::shared_ptr<WindowMailbox>& mailbox() const { return mailbox_; }

 private:
  std::shared_ptr<WindowMailbox> mailbox_;
};
