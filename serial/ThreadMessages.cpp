#include "serial/ThreadMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <mutex>
#include <unordered_map>

namespace korvex::serial {
namespace {

const QEvent::Type kThreadMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class ThreadMessageEvent final : public QEvent {
public:
    explicit ThreadMessageEvent(const ThreadMessage& message) : QEvent(kThreadMessageEvent), message(message) {}
    ThreadMessage message;
};

// Every queue of the process by its id. Posting looks the queue up and posts
// under the registry's lock, and a queue leaves the registry under the same
// lock before it is destroyed, so no post can reach a destroyed queue.
struct Registry {
    struct Entry {
        ThreadMessageQueue* queue = nullptr;
        bool running = false;
    };

    std::mutex mutex;
    std::unordered_map<ThreadId, Entry> entries;
    ThreadId nextId = 1;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

void SetRunning(ThreadId id, bool running)
{
    Registry& registry = TheRegistry();
    const std::lock_guard hold(registry.mutex);
    const auto found = registry.entries.find(id);
    if (found != registry.entries.end())
        found->second.running = running;
}

} // namespace

ThreadMessageQueue::ThreadMessageQueue(QThread* thread)
{
    if (thread != QThread::currentThread())
        moveToThread(thread);
    Registry& registry = TheRegistry();
    {
        const std::lock_guard hold(registry.mutex);
        id_ = registry.nextId++;
        registry.entries[id_] = {this, false};
    }
    // Both signals come from `thread` itself as it starts and as it ends.
    const ThreadId id = id_;
    connect(thread, &QThread::started, this, [id] { SetRunning(id, true); }, Qt::DirectConnection);
    connect(thread, &QThread::finished, this, [id] { SetRunning(id, false); }, Qt::DirectConnection);
    SetRunning(id_, thread->isRunning());
}

ThreadMessageQueue::~ThreadMessageQueue()
{
    Registry& registry = TheRegistry();
    const std::lock_guard hold(registry.mutex);
    registry.entries.erase(id_);
}

bool ThreadMessageQueue::event(QEvent* event)
{
    if (event->type() != kThreadMessageEvent)
        return QObject::event(event);
    emit MessageReceived(static_cast<ThreadMessageEvent*>(event)->message);
    return true;
}

ThreadHandle OpenThread(ThreadId thread)
{
    Registry& registry = TheRegistry();
    const std::lock_guard hold(registry.mutex);
    return registry.entries.contains(thread) ? thread : 0;
}

bool ThreadIsAlive(ThreadHandle thread)
{
    Registry& registry = TheRegistry();
    const std::lock_guard hold(registry.mutex);
    const auto found = registry.entries.find(thread);
    return found != registry.entries.end() && found->second.running;
}

bool PostThreadMessage(ThreadId thread, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam)
{
    Registry& registry = TheRegistry();
    const std::lock_guard hold(registry.mutex);
    const auto found = registry.entries.find(thread);
    if (found == registry.entries.end() || !found->second.running)
        return false;
    QCoreApplication::postEvent(found->second.queue, new ThreadMessageEvent({message, wParam, lParam}));
    return true;
}

} // namespace korvex::serial
