#pragma once
// The thread that runs a port's event loop. It starts at once, and its owner
// can wait for its end with a time limit; destroying it waits for the end.
// A thread cannot be ended from outside without leaving its locks and its
// object behind, so a thread that must stop is asked to (see cnComm) and
// this class only waits.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace korvex::serial {

class EventThread {
public:
    // Runs `body` on a new thread with the default stack; the body's result
    // is the thread's exit code. Nothing when no thread could be started.
    static std::unique_ptr<EventThread> Start(std::function<std::uint32_t()> body);
    ~EventThread();

    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

    // True once the body has returned, waiting at most `limit` for it.
    bool WaitForEnd(std::chrono::milliseconds limit);
    // The exit code; nothing while the thread runs.
    std::optional<std::uint32_t> ExitCode() const;

private:
    EventThread() = default;

    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::optional<std::uint32_t> exitCode_;
    std::thread thread_;
};

} // namespace korvex::serial
