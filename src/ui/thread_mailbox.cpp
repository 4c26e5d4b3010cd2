#include "ui/thread_mailbox.h"

#include <QThread>
#include <future>

namespace kpr {

ThreadMailbox::~ThreadMailbox() {
    std::lock_guard lock(mutex_);
    queue_.clear();
}

void ThreadMailbox::post(std::function<void()> f) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(f));
    }
    QMetaObject::invokeMethod(this, "drain", Qt::QueuedConnection);
}

void ThreadMailbox::run(const std::function<void()>& f) {
    if (QThread::currentThread() == thread()) {
        f();
        return;
    }
    std::promise<void> done;
    post([&] {
        f();
        done.set_value();
    });
    done.get_future().wait();
}

void ThreadMailbox::drain() {
    // One at a time: a function that opens a dialog lets the next knock run the next one.
    for (;;) {
        std::function<void()> f;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty())
                return;
            f = std::move(queue_.front());
            queue_.pop_front();
        }
        f();
    }
}

} // namespace kpr
