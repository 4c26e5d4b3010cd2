#pragma once
// Hands functions over to the thread a mailbox lives in. A queued Qt call alone would order
// the hand-over only by Qt's own locks, which ThreadSanitizer cannot see (Qt is not built with
// it): the functions pass through a lock of ours, and Qt's queue carries only the knock.
#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace kpr {

class ThreadMailbox final : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;
    // Drops what is still queued under the lock, so a function another thread posted last is
    // ordered before the queue goes (that thread's end is Qt's, unseen by ThreadSanitizer).
    ~ThreadMailbox() override;

    // f runs on the mailbox's thread, after everything posted to this mailbox before it;
    // never, once the mailbox is gone.
    void post(std::function<void()> f);
    // f runs on the mailbox's thread (at once when that is this thread) and has returned
    // when this returns.
    void run(const std::function<void()>& f);

  private:
    Q_INVOKABLE void drain();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

} // namespace kpr
