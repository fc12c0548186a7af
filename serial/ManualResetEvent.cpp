#include "serial/ManualResetEvent.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korvex::serial {

std::unique_ptr<ManualResetEvent> ManualResetEvent::Create()
{
    // Close-on-exec from the moment the pipe exists: a program that another
    // thread starts meanwhile must not inherit either end. Non-blocking, so
    // that setting and resetting never wait.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    return std::unique_ptr<ManualResetEvent>(new ManualResetEvent(ends[0], ends[1]));
}

ManualResetEvent::~ManualResetEvent()
{
    close(readEnd_);
    close(writeEnd_);
}

void ManualResetEvent::Set()
{
    const std::lock_guard hold(mutex_);
    if (set_)
        return;
    // One byte in the pipe is the set state; the pipe never holds more.
    const char byte = 1;
    while (write(writeEnd_, &byte, 1) < 0 && errno == EINTR) {
    }
    set_ = true;
}

void ManualResetEvent::Reset()
{
    const std::lock_guard hold(mutex_);
    if (!set_)
        return;
    char byte;
    while (read(readEnd_, &byte, 1) < 0 && errno == EINTR) {
    }
    set_ = false;
}

bool ManualResetEvent::IsSet() const
{
    const std::lock_guard hold(mutex_);
    return set_;
}

} // namespace korvex::serial
