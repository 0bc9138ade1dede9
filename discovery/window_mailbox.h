// How worker threads reach the main window without ever touching it: every
// post goes through a shared mailbox that the window closes before its
// QObject part is torn down.
//
// Invariants: a post and the close never overlap (one lock), so a worker that
// outlives the window never reaches freed memory; once closed, a post is
// refused and its event freed at once. Posting never waits for the window and
// keeps one thread's order. Under ThreadSanitizer each hand-off is marked
// (released on posting, acquired before delivery): the lock of Qt's
// uninstrumented event queue is invisible to it.
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
