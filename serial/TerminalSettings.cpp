#include "serial/TerminalSettings.h"

#include <array>

namespace korvex::serial {
namespace {

constexpr std::uint32_t kLineControlOn = 1;  // DTR and RTS raised, no handshake
constexpr std::uint32_t kRtsHandshake = 2;

struct BaudSpeed {
    std::uint32_t baud;
    speed_t speed;
};

constexpr std::array kBaudSpeeds{
    BaudSpeed{50, B50},         BaudSpeed{75, B75},         BaudSpeed{110, B110},
    BaudSpeed{134, B134},       BaudSpeed{150, B150},       BaudSpeed{200, B200},
    BaudSpeed{300, B300},       BaudSpeed{600, B600},       BaudSpeed{1200, B1200},
    BaudSpeed{1800, B1800},     BaudSpeed{2400, B2400},     BaudSpeed{4800, B4800},
    BaudSpeed{9600, B9600},     BaudSpeed{19200, B19200},   BaudSpeed{38400, B38400},
    BaudSpeed{57600, B57600},   BaudSpeed{115200, B115200}, BaudSpeed{230400, B230400},
#ifdef B460800
    BaudSpeed{460800, B460800},
#endif
#ifdef B921600
    BaudSpeed{921600, B921600},
#endif
};

bool BaudToSpeed(std::uint32_t baud, speed_t& speed)
{
    for (const BaudSpeed& entry : kBaudSpeeds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

std::uint32_t SpeedToBaud(speed_t speed)
{
    for (const BaudSpeed& entry : kBaudSpeeds) {
        if (entry.speed == speed)
            return entry.baud;
    }
    return 0;
}

} // namespace

DeviceControlBlock ControlBlockOf(const termios& settings)
{
    DeviceControlBlock state{};
    state.length = sizeof(DeviceControlBlock);
    state.baudRate = SpeedToBaud(cfgetospeed(&settings));
    state.binary = 1;
    state.parityCheck = (settings.c_iflag & INPCK) != 0;
#ifdef CRTSCTS
    state.outxCtsFlow = (settings.c_cflag & CRTSCTS) != 0;
#endif
    state.dtrControl = kLineControlOn;
    state.rtsControl = state.outxCtsFlow ? kRtsHandshake : kLineControlOn;
    state.outX = (settings.c_iflag & IXON) != 0;
    state.inX = (settings.c_iflag & IXOFF) != 0;
    switch (settings.c_cflag & CSIZE) {
    case CS5: state.byteSize = 5; break;
    case CS6: state.byteSize = 6; break;
    case CS7: state.byteSize = 7; break;
    default: state.byteSize = 8; break;
    }
    if (!(settings.c_cflag & PARENB))
        state.parity = kNoParity;
#ifdef CMSPAR
    else if (settings.c_cflag & CMSPAR)
        state.parity = (settings.c_cflag & PARODD) ? kMarkParity : kSpaceParity;
#endif
    else
        state.parity = (settings.c_cflag & PARODD) ? kOddParity : kEvenParity;
    if (!(settings.c_cflag & CSTOPB))
        state.stopBits = kOneStopBit;
    else
        state.stopBits = state.byteSize == 5 ? kOneAndHalfStopBits : kTwoStopBits;
    state.xonChar = static_cast<char>(settings.c_cc[VSTART]);
    state.xoffChar = static_cast<char>(settings.c_cc[VSTOP]);
    state.eofChar = static_cast<char>(settings.c_cc[VEOF]);
    return state;
}

std::optional<TerminalFormat> FormatOf(const DeviceControlBlock& state)
{
    speed_t speed{};
    if (!BaudToSpeed(state.baudRate, speed))
        return std::nullopt;
    tcflag_t size = 0;
    switch (state.byteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return std::nullopt;
    }
    tcflag_t parity = 0;
    switch (state.parity) {
    case kNoParity: break;
    case kOddParity: parity = PARENB | PARODD; break;
    case kEvenParity: parity = PARENB; break;
#ifdef CMSPAR
    case kMarkParity: parity = PARENB | PARODD | CMSPAR; break;
    case kSpaceParity: parity = PARENB | CMSPAR; break;
#endif
    default: return std::nullopt;
    }
    tcflag_t stop = 0;
    switch (state.stopBits) {
    case kOneStopBit: break;
    case kOneAndHalfStopBits:
        // A UART sends one and a half stop bits for 5-bit characters when
        // asked for two; other sizes cannot have them.
        if (state.byteSize != 5)
            return std::nullopt;
        stop = CSTOPB;
        break;
    case kTwoStopBits: stop = CSTOPB; break;
    default: return std::nullopt;
    }
    return TerminalFormat{speed, size, parity, stop};
}

void ApplyControlBlock(const DeviceControlBlock& state, const TerminalFormat& format, termios& settings)
{
    tcflag_t control = CSIZE | PARENB | PARODD | CSTOPB;
#ifdef CMSPAR
    control |= CMSPAR;
#endif
    settings.c_cflag = (settings.c_cflag & ~control) | format.size | format.parity | format.stop;
#ifdef CRTSCTS
    if (state.outxCtsFlow || state.rtsControl == kRtsHandshake)
        settings.c_cflag |= CRTSCTS;
    else
        settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
#endif
    const auto setInput = [&settings](tcflag_t flag, bool on) {
        settings.c_iflag = on ? (settings.c_iflag | flag) : (settings.c_iflag & ~flag);
    };
    setInput(INPCK, state.parityCheck);
    setInput(IXON, state.outX);
    setInput(IXOFF, state.inX);
    settings.c_cc[VSTART] = static_cast<cc_t>(state.xonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(state.xoffChar);
}

bool MakeBinaryChannel(int fd)
{
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return false;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag |= CREAD | CLOCAL;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

} // namespace korvex::serial
