// cnComm on the scripted port layer: what a pseudo-terminal cannot show
// (modem lines, line errors, failing driver calls, a wait that will not end).

#include "serial/FakePortLayer.h"
#include "serial/PlatformReport.h"
#include "serial/cnComm.h"
#include "tests/serial/SerialTestSupport.h"
#include "tests/ui/FakePlatform.h"

#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <latch>
#include <mutex>
#include <thread>

namespace korvex::serial {
namespace {

using testing::Inbox;
using testing::kPatience;
using testing::WaitUntil;

constexpr std::uint32_t kPort = 3;

ThreadMessage Message(std::uint32_t message, std::intptr_t second)
{
    return {message, kPort, second};
}

class SerialPortFake : public ::testing::Test {
protected:
    SerialPortFake()
    {
        layer.AddDevice(u"COM3");
        SetUpPort();
    }

    // Port 3, notifying the test's thread.
    void SetUpPort()
    {
        comm.SetPortNumber(kPort);
        comm.targetThreadId = inbox.Id();
        comm.targetThread = OpenThread(inbox.Id());
    }

    void OpenWithEventThread()
    {
        ASSERT_TRUE(comm.OpenPort());
        ASSERT_TRUE(layer.WaitUntilIdle(kPatience));
    }

    // What the event loop posts for these event words.
    std::vector<ThreadMessage> PostedFor(std::initializer_list<std::uint32_t> eventWords)
    {
        for (const std::uint32_t word : eventWords)
            layer.PushEvent(word);
        EXPECT_TRUE(layer.WaitUntilIdle(kPatience));
        return inbox.Take();
    }

    FakePortLayer layer;
    Inbox inbox;
    cnComm comm{kFlagOverlapped, true, layer, {}};
};

TEST_F(SerialPortFake, EachEventPostsItsMessageWithTheLineState)
{
    struct Case {
        const char* what;
        std::uint32_t eventWord;
        std::optional<std::uint32_t> modemStatus;  // nothing: unreadable
        std::uint32_t lineErrors;
        std::uint32_t inQueue;
        std::uint32_t rxThreshold;
        std::vector<ThreadMessage> posted;
    };
    const Case cases[] = {
        {"received, no threshold", EV_RXCHAR, 0, 0, 1, 0, {Message(COMM_MSG_RXCHAR, 0)}},
        {"received, below the threshold", EV_RXCHAR, 0, 0, 9, 10, {}},
        {"received, at the threshold", EV_RXCHAR, 0, 0, 10, 10, {Message(COMM_MSG_RXCHAR, 0)}},
        {"output drained", EV_TXEMPTY, 0, 0, 0, 0, {Message(COMM_MSG_TXEMPTY, 0)}},
        {"CTS on", EV_CTS, MS_CTS_ON, 0, 0, 0, {Message(COMM_MSG_CTS, 1)}},
        {"CTS off, the other lines on", EV_CTS, 0xFF & ~MS_CTS_ON, 0, 0, 0, {Message(COMM_MSG_CTS, 0)}},
        {"CTS unreadable", EV_CTS, std::nullopt, 0, 0, 0, {}},
        {"DSR on", EV_DSR, MS_DSR_ON, 0, 0, 0, {Message(COMM_MSG_DSR, 1)}},
        {"DSR off, the other lines on", EV_DSR, 0xFF & ~MS_DSR_ON, 0, 0, 0, {Message(COMM_MSG_DSR, 0)}},
        {"DSR unreadable", EV_DSR, std::nullopt, 0, 0, 0, {}},
        {"carrier", EV_RLSD, 0, 0, 0, 0, {Message(COMM_MSG_RLSD, 0)}},
        {"break", EV_BREAK, 0, 0, 0, 0, {Message(COMM_MSG_BREAK, 0)}},
        {"line errors", EV_ERR, 0, CE_FRAME | CE_OVERRUN, 0, 0, {Message(COMM_MSG_ERR, CE_FRAME | CE_OVERRUN)}},
        {"ring", EV_RING, 0, 0, 0, 0, {Message(COMM_MSG_RING, 0)}},
    };
    OpenWithEventThread();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        layer.SetModemStatus(c.modemStatus);
        layer.SetLineStatus(c.lineErrors, c.inQueue);
        comm.rxThreshold = c.rxThreshold;
        EXPECT_EQ(PostedFor({c.eventWord}), c.posted);
    }
}

TEST_F(SerialPortFake, WordsOtherThanOneEventAndFailedWaitsPostNothing)
{
    OpenWithEventThread();
    layer.PushWaitFailure(EIO);
    EXPECT_EQ(PostedFor({EV_RXCHAR | EV_TXEMPTY, 0, EV_RXFLAG, EV_ERR | EV_RING, 0x0200}),
              std::vector<ThreadMessage>{});
    // The loop goes on.
    EXPECT_EQ(PostedFor({EV_RING}), std::vector<ThreadMessage>{Message(COMM_MSG_RING, 0)});
}

TEST_F(SerialPortFake, NothingIsPostedWithoutALiveTargetThread)
{
    QThread worker;
    auto* queue = new ThreadMessageQueue(&worker);
    std::mutex mutex;
    std::vector<ThreadMessage> arrived;
    QObject::connect(queue, &ThreadMessageQueue::MessageReceived, queue, [&](const ThreadMessage& message) {
        const std::lock_guard hold(mutex);
        arrived.push_back(message);
    });
    const auto arrivedSoFar = [&] {
        const std::lock_guard hold(mutex);
        return arrived;
    };
    worker.start();
    ASSERT_TRUE(WaitUntil([&] { return ThreadIsAlive(OpenThread(queue->Id())); }));

    comm.targetThreadId = queue->Id();
    comm.targetThread = 0;  // no handle: the alive test fails
    OpenWithEventThread();
    layer.PushEvent(EV_RING);
    ASSERT_TRUE(layer.WaitUntilIdle(kPatience));

    comm.targetThread = OpenThread(queue->Id());
    layer.PushEvent(EV_BREAK);
    ASSERT_TRUE(WaitUntil([&] { return !arrivedSoFar().empty(); }));

    worker.quit();
    worker.wait();
    EXPECT_FALSE(ThreadIsAlive(comm.targetThread));
    layer.PushEvent(EV_RING);
    layer.PushEvent(EV_TXEMPTY);
    ASSERT_TRUE(layer.WaitUntilIdle(kPatience));

    // Started again, the thread runs its queue once more: anything posted to
    // it meanwhile would arrive before this marker.
    worker.start();
    ASSERT_TRUE(WaitUntil([&] { return ThreadIsAlive(comm.targetThread); }));
    const ThreadMessage marker{1, 0, 0};
    ASSERT_TRUE(PostThreadMessage(queue->Id(), marker.message, marker.wParam, marker.lParam));
    ASSERT_TRUE(WaitUntil([&] { return arrivedSoFar().size() >= 2; }));
    EXPECT_EQ(arrivedSoFar(), (std::vector<ThreadMessage>{Message(COMM_MSG_BREAK, 0), marker}));

    comm.ClosePort();
    worker.quit();
    worker.wait();
    delete queue;
}

TEST_F(SerialPortFake, AFailedEventMaskEndsTheThreadAndIsShownOnTheUserInterfaceThread)
{
    korvex::testing::FakePlatform platform;
    QObject userInterface;
    cnComm port(kFlagOverlapped, true, layer, ReportThroughPlatform(platform, &userInterface));
    port.SetPortNumber(kPort);
    layer.Fail(FakePortLayer::Operation::SetEventMask, EIO);

    ASSERT_TRUE(port.OpenPort());
    ASSERT_TRUE(port.eventThread->WaitForEnd(kPatience));
    EXPECT_EQ(port.eventThread->ExitCode(), 1u);
    EXPECT_TRUE(platform.messages.empty()) << "shown from the event thread";

    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(platform.messages.size(), 1u);
    const korvex::testing::RecordedMessage& shown = platform.messages.front();
    EXPECT_EQ(shown.caption, QStringLiteral("Class cnComm"));
    EXPECT_EQ(shown.icon, MessageIcon::None);
    const QString call = QStringLiteral("(670) : COM3 Call WINAPI SetCommMask(%1, 1fd) Fail, thread work invalid! "
                                        "GetLastError() = %2;")
                             .arg(QString::number(port.portHandle.load(), 16))
                             .arg(EIO);
    EXPECT_TRUE(shown.text.endsWith(call)) << shown.text.toStdString();
    EXPECT_TRUE(shown.text.chopped(call.size()).endsWith(QStringLiteral("cnComm.cpp"))) << shown.text.toStdString();

    // The ended thread is held until it is stopped.
    EXPECT_FALSE(port.StartEventThread());
    EXPECT_TRUE(port.StopEventThread());
    EXPECT_EQ(port.eventThread, nullptr);
}

TEST_F(SerialPortFake, StopEndsAPendingWait)
{
    for (const bool maskChangeEndsWait : {true, false}) {
        SCOPED_TRACE(maskChangeEndsWait ? "the mask change ends the wait" : "only the wait event ends it");
        layer.SetWaitEndsOnMaskChange(maskChangeEndsWait);
        OpenWithEventThread();

        // A wait that is not woken never ends here. A woken thread that a
        // loaded machine does not run within the stop's limit makes the stop
        // report false; its request stands, so the thread still ends, and a
        // second stop collects it.
        if (!comm.StopEventThread()) {
            ASSERT_NE(comm.eventThread, nullptr);
            ASSERT_TRUE(comm.eventThread->WaitForEnd(kPatience)) << "the wait was not woken";
            EXPECT_TRUE(comm.StopEventThread());
        }
        EXPECT_EQ(comm.eventThread, nullptr);
        EXPECT_FALSE(comm.waitOverlapped.event->IsSet()) << "ready for the next thread";
        comm.ClosePort();
    }
}

// A notification that does not return until the test lets it.
class HeldRing final : public cnComm {
public:
    using cnComm::cnComm;
    ~HeldRing() override
    {
        if (!release.try_wait())
            release.count_down();
        ClosePort();
    }

    void NotifyRing() override
    {
        entered.count_down();
        release.wait();
    }

    std::latch entered{1};
    std::latch release{1};
};

TEST_F(SerialPortFake, AThreadThatCannotEndInTimeIsKeptAndCollectedLater)
{
    HeldRing port(kFlagOverlapped, true, layer, {});
    port.SetPortNumber(kPort);
    ASSERT_TRUE(port.OpenPort());
    layer.PushEvent(EV_RING);
    ASSERT_TRUE(WaitUntil([&] { return port.entered.try_wait(); }));

    // The stop waits its limit, then gives up instead of waiting for the
    // thread. The upper bound leaves a loaded machine any overshoot: only a
    // limit far off, or a wait for the thread itself, gets there.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.StopEventThread());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, kStopWait);
    EXPECT_LT(waited, kPatience);
    ASSERT_NE(port.eventThread, nullptr);

    // The stop request stands: let go, the thread ends by itself.
    port.release.count_down();
    ASSERT_TRUE(port.eventThread->WaitForEnd(kPatience));
    EXPECT_EQ(port.eventThread->ExitCode(), 0u);
    EXPECT_TRUE(port.StopEventThread());
    EXPECT_EQ(port.eventThread, nullptr);
}

TEST_F(SerialPortFake, RecreatingOrReleasingTheObjectsEndsTheThreadFirst)
{
    struct Case {
        const char* what;
        std::function<void()> run;
        std::vector<std::string> calls;
        bool portStaysOpen;
    };
    const Case cases[] = {
        // CreateObjects forgets the port handle, so it closes the port first.
        {"CreateObjects", [&] { comm.CreateObjects(); }, {"Purge 0x5", "SetEventMask 0x0", "Close"}, false},
        {"ReleaseObjects", [&] { comm.ReleaseObjects(); }, {"SetEventMask 0x0"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenWithEventThread();
        layer.ClearCalls();

        c.run();
        EXPECT_EQ(comm.eventThread, nullptr);
        EXPECT_EQ(layer.Calls(), c.calls);
        EXPECT_EQ(comm.portHandle != kInvalidPortHandle, c.portStaysOpen);

        comm.CreateObjects();
        SetUpPort();
    }

    // Created again, the object works as a new one.
    OpenWithEventThread();
    EXPECT_EQ(PostedFor({EV_RING}), std::vector<ThreadMessage>{Message(COMM_MSG_RING, 0)});
}

TEST_F(SerialPortFake, RecreatingTheObjectsWaitsForAThreadThatOutlivedItsStop)
{
    HeldRing port(kFlagOverlapped, true, layer, {});
    port.SetPortNumber(kPort);
    ASSERT_TRUE(port.OpenPort());
    layer.PushEvent(EV_RING);
    ASSERT_TRUE(WaitUntil([&] { return port.entered.try_wait(); }));

    // The notification is let go only once the stop inside CreateObjects has
    // given up and the port is closed: the thread then still runs, on the
    // events that CreateObjects is about to replace. (Or after the tests'
    // patience, so that a CreateObjects that does not wait cannot hang.)
    const auto closed = [&] {
        const std::vector<std::string> calls = layer.Calls();
        return std::ranges::find(calls, "Close") != calls.end();
    };
    std::thread releaser([&] {
        WaitUntil(closed);
        port.release.count_down();
    });
    port.CreateObjects();
    releaser.join();

    EXPECT_EQ(port.eventThread, nullptr);
    ASSERT_NE(port.waitOverlapped.event, nullptr);
    EXPECT_FALSE(port.waitOverlapped.event->IsSet());
}

TEST_F(SerialPortFake, OpenPortOnAnOpenPortClosesItAndOpensItAgain)
{
    OpenWithEventThread();
    const PortHandle first = comm.portHandle;
    layer.ClearCalls();

    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(layer.WaitUntilIdle(kPatience));
    EXPECT_EQ(layer.Calls(), (std::vector<std::string>{"Purge 0x5", "SetEventMask 0x0", "Close",
                                                       "Open COM3 0x40000080", "SetEventMask 0x1fd", "WaitEvent"}));
    EXPECT_NE(comm.portHandle, first);
    EXPECT_NE(comm.eventThread, nullptr);
}

TEST_F(SerialPortFake, OperationsOnAClosedPortTouchNothing)
{
    OpenWithEventThread();
    comm.ClosePort();
    layer.ClearCalls();

    const std::pair<const char*, std::function<bool()>> operations[] = {
        {"ConfigurePort", [&] { return comm.ConfigurePort(); }},
        {"ApplyLineSettings", [&] { return comm.ApplyLineSettings(); }},
        {"StopEventThread", [&] { return comm.StopEventThread(); }},
        {"ClosePort", [&] { comm.ClosePort(); return false; }},
    };
    for (const auto& [what, run] : operations) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(run());
    }
    EXPECT_EQ(layer.Calls(), std::vector<std::string>{});
    EXPECT_EQ(comm.portHandle, kInvalidPortHandle);
}

} // namespace
} // namespace korvex::serial
