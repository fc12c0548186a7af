#pragma once
// Thread messages: a message (a number and two parameters) posted into the
// queue of another thread and handled there, on that thread.
//
// A thread gets a queue by creating a ThreadMessageQueue that lives in it;
// the queue's id names the thread for posting. A thread handle, opened from
// the id, only answers whether the thread still runs. Posting is safe from
// any thread, also while the target thread ends or its queue is destroyed:
// a message for a thread that no longer runs, or has no queue, is refused.

#include <QObject>

#include <cstdint>

class QThread;

namespace korvex::serial {

using ThreadId = std::uint32_t;      // 0: no thread
using ThreadHandle = std::uint32_t;  // 0: no thread, so it is never alive

struct ThreadMessage {
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;

    friend bool operator==(const ThreadMessage&, const ThreadMessage&) = default;
};

class ThreadMessageQueue final : public QObject {
    Q_OBJECT

public:
    // Gives `thread` a queue. Create it before `thread` starts or on `thread`
    // itself; it moves into `thread` and delivers there what is posted to it.
    explicit ThreadMessageQueue(QThread* thread);
    ~ThreadMessageQueue() override;

    ThreadId Id() const { return id_; }

signals:
    // Emitted on the queue's thread, once per message, in the order posted.
    void MessageReceived(const korvex::serial::ThreadMessage& message);

protected:
    bool event(QEvent* event) override;

private:
    ThreadId id_ = 0;
};

// A handle on the thread with queue `thread`; 0 when there is no such queue.
ThreadHandle OpenThread(ThreadId thread);

// Whether the thread still runs (and still has its queue).
bool ThreadIsAlive(ThreadHandle thread);

// Posts into the queue of `thread`; false when the thread has no queue or no
// longer runs, and then nothing is posted.
bool PostThreadMessage(ThreadId thread, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

} // namespace korvex::serial
