#pragma once
// What the serial tests share: a bounded wait that keeps the test thread's
// events flowing, and an inbox that collects the thread messages posted to
// the test's own thread.

#include "serial/ThreadMessages.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <chrono>
#include <functional>
#include <ostream>
#include <thread>
#include <utility>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace korvex::serial {

inline void PrintTo(const ThreadMessage& message, std::ostream* out)
{
    *out << '{' << message.message << ", " << message.wParam << ", " << message.lParam << '}';
}

namespace testing {

inline constexpr std::chrono::seconds kPatience{5};

// Delivers the calling thread's posted events until `done` holds; false when
// `limit` passes first.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kPatience)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        QCoreApplication::sendPostedEvents();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class Inbox {
public:
    Inbox() : queue_(QThread::currentThread())
    {
        QObject::connect(&queue_, &ThreadMessageQueue::MessageReceived,
                         [this](const ThreadMessage& message) { received_.push_back(message); });
    }

    ThreadId Id() const { return queue_.Id(); }
    bool Empty() const { return received_.empty(); }

    // Everything posted so far, delivered and taken out.
    std::vector<ThreadMessage> Take()
    {
        QCoreApplication::sendPostedEvents();
        return std::exchange(received_, {});
    }

private:
    ThreadMessageQueue queue_;
    std::vector<ThreadMessage> received_;
};

} // namespace testing
} // namespace korvex::serial
