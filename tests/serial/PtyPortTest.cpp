// cnComm on a real terminal device: a pseudo-terminal pair, whose far end
// (the master side) the test plays.

#include "serial/PosixPortLayer.h"
#include "serial/cnComm.h"
#include "tests/serial/SerialTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace korvex::serial {
namespace {

using testing::Inbox;
using testing::WaitUntil;

constexpr std::uint32_t kPtyPort = 5;

struct Pty {
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = name;
    }
    ~Pty()
    {
        if (master >= 0)
            close(master);
        if (slave >= 0)
            close(slave);
    }

    int master = -1;
    int slave = -1;
    std::string path;
};

// The descriptors that the process holds open.
std::set<int> OpenDescriptors()
{
    std::set<int> open;
    DIR* listing = opendir("/proc/self/fd");
    if (!listing)
        return open;
    while (const dirent* entry = readdir(listing)) {
        if (entry->d_name[0] != '.')
            open.insert(std::atoi(entry->d_name));
    }
    open.erase(dirfd(listing));
    closedir(listing);
    return open;
}

class SerialPortPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(pty.path.empty()) << "no pseudo-terminal";
        comm.targetThreadId = inbox.Id();
        comm.targetThread = OpenThread(inbox.Id());
    }

    void Send(std::string_view bytes)
    {
        ASSERT_EQ(write(pty.master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    std::uint32_t InputQueue()
    {
        CommStatus status;
        return layer.ClearError(comm.portHandle, nullptr, &status) ? status.inQueue : ~0u;
    }

    Pty pty;
    // COM5 is the pseudo-terminal; every other number names no device.
    PosixPortLayer layer{[this](unsigned number) {
        return number == kPtyPort ? pty.path : std::string("/dev/korvex-test-no-such-port");
    }};
    Inbox inbox;
    cnComm comm{kFlagOverlapped, true, layer, {}};
};

TEST_F(SerialPortPty, OpensByTheMappedNameConfiguresAndSets9600_8N1)
{
    // Other settings and waiting bytes first, so that the set-up visibly changes both.
    termios before{};
    ASSERT_EQ(tcgetattr(pty.slave, &before), 0);
    cfsetspeed(&before, B19200);
    before.c_cflag = (before.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB;
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &before), 0);

    comm.SetPortNumber(4);
    EXPECT_FALSE(comm.OpenPort());
    EXPECT_EQ(comm.portHandle, kInvalidPortHandle);

    comm.SetPortNumber(kPtyPort);
    ASSERT_TRUE(comm.OpenPort());
    Send("xyz");
    ASSERT_TRUE(WaitUntil([&] { return InputQueue() == 3; }));

    ASSERT_TRUE(comm.ConfigurePort());
    EXPECT_EQ(InputQueue(), 0u) << "purged";
    CommTimeouts timeouts;
    ASSERT_TRUE(layer.GetTimeouts(comm.portHandle, timeouts));
    EXPECT_EQ(timeouts, (CommTimeouts{0, 1, 1000, 1, 1000}));

    ASSERT_TRUE(comm.ApplyLineSettings());
    termios after{};
    ASSERT_EQ(tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(cfgetispeed(&after), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B9600));
    EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(after.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u) << "bytes pass unchanged";

    std::uint32_t supported = 0;
    ASSERT_TRUE(layer.GetSupportedEvents(comm.portHandle, supported));
    EXPECT_EQ(supported, EV_RXCHAR | EV_TXEMPTY) << "a pseudo-terminal has neither modem lines nor error counters";
}

TEST_F(SerialPortPty, ReceiveEventsAreForwardedFromTheThreshold)
{
    const std::vector<ThreadMessage> received{{COMM_MSG_RXCHAR, kPtyPort, 0}};
    comm.SetPortNumber(kPtyPort);
    ASSERT_TRUE(comm.OpenPort());

    Send("A");
    ASSERT_TRUE(WaitUntil([&] { return !inbox.Empty(); }));
    EXPECT_EQ(inbox.Take(), received);

    comm.rxThreshold = 4;
    ASSERT_TRUE(comm.ConfigurePort());  // empties the input queue
    Send("BCD");
    std::this_thread::sleep_for(5 * PosixPortLayer::kSampleInterval);
    EXPECT_EQ(inbox.Take(), std::vector<ThreadMessage>{}) << "3 bytes, threshold 4";
    Send("E");
    ASSERT_TRUE(WaitUntil([&] { return !inbox.Empty(); }));
    EXPECT_EQ(inbox.Take(), received);
}

TEST_F(SerialPortPty, ClosesAndOpensAgain)
{
    comm.SetPortNumber(kPtyPort);
    ASSERT_TRUE(comm.OpenPort());
    cnComm other(kFlagOverlapped, false, layer, {});
    other.SetPortNumber(kPtyPort);
    EXPECT_FALSE(other.OpenPort()) << "an open port is not shared";

    comm.ClosePort();
    EXPECT_EQ(comm.portHandle, kInvalidPortHandle);
    EXPECT_EQ(comm.eventThread, nullptr);
    ASSERT_TRUE(other.OpenPort()) << "closing gave the port back";
    other.ClosePort();

    ASSERT_TRUE(comm.OpenPort());
    Send("Z");
    ASSERT_TRUE(WaitUntil([&] { return !inbox.Empty(); }));
    EXPECT_EQ(inbox.Take(), (std::vector<ThreadMessage>{{COMM_MSG_RXCHAR, kPtyPort, 0}}));
}

TEST_F(SerialPortPty, EveryDescriptorItCreatesIsClosedOnExec)
{
    // A program started while a port is open inherits none of them.
    std::optional<cnComm> constructed;
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"constructing a port object", [&] { constructed.emplace(kFlagOverlapped, true, layer, EventLoopReport{}); }},
        {"opening the port", [&] {
             comm.SetPortNumber(kPtyPort);
             EXPECT_TRUE(comm.OpenPort());
         }},
    };
    for (const auto& [what, step] : steps) {
        SCOPED_TRACE(what);
        const std::set<int> before = OpenDescriptors();
        step();
        std::set<int> created;
        std::ranges::set_difference(OpenDescriptors(), before, std::inserter(created, created.end()));
        EXPECT_FALSE(created.empty());
        for (const int fd : created)
            EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << "descriptor " << fd;
    }
}

} // namespace
} // namespace korvex::serial
