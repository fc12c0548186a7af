#include "serial/EventThread.h"

#include <system_error>

namespace korvex::serial {

std::unique_ptr<EventThread> EventThread::Start(std::function<std::uint32_t()> body)
{
    std::unique_ptr<EventThread> thread(new EventThread);
    EventThread* self = thread.get();
    try {
        thread->thread_ = std::thread([self, body = std::move(body)] {
            const std::uint32_t exitCode = body();
            const std::lock_guard hold(self->mutex_);
            self->exitCode_ = exitCode;
            self->ended_.notify_all();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return thread;
}

EventThread::~EventThread()
{
    if (thread_.joinable())
        thread_.join();
}

bool EventThread::WaitForEnd(std::chrono::milliseconds limit)
{
    std::unique_lock hold(mutex_);
    return ended_.wait_for(hold, limit, [this] { return exitCode_.has_value(); });
}

std::optional<std::uint32_t> EventThread::ExitCode() const
{
    const std::lock_guard hold(mutex_);
    return exitCode_;
}

} // namespace korvex::serial
