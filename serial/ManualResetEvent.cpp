#include "serial/ManualResetEvent.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace korvex::serial {
namespace {

bool MakeNonBlockingAndPrivate(int fd)
{
    const int statusFlags = fcntl(fd, F_GETFL);
    const int descriptorFlags = fcntl(fd, F_GETFD);
    return statusFlags >= 0 && descriptorFlags >= 0 && fcntl(fd, F_SETFL, statusFlags | O_NONBLOCK) == 0 &&
           fcntl(fd, F_SETFD, descriptorFlags | FD_CLOEXEC) == 0;
}

} // namespace

std::unique_ptr<ManualResetEvent> ManualResetEvent::Create()
{
    int ends[2];
    if (pipe(ends) != 0)
        return nullptr;
    if (!MakeNonBlockingAndPrivate(ends[0]) || !MakeNonBlockingAndPrivate(ends[1])) {
        close(ends[0]);
        close(ends[1]);
        return nullptr;
    }
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
