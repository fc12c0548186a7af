#pragma once
// The device control block in a terminal's termios settings and back: speed,
// character size, parity, stop bits, flow control and the XON/XOFF
// characters; and the settings that make a terminal a binary channel.

#include "serial/PortLayer.h"

#include <termios.h>

#include <optional>

namespace korvex::serial {

// The character format and speed a control block asks for, in termios terms.
struct TerminalFormat {
    speed_t speed{};
    tcflag_t size = 0;
    tcflag_t parity = 0;
    tcflag_t stop = 0;
};

// The control block as the terminal's settings stand.
DeviceControlBlock ControlBlockOf(const termios& settings);

// The format a control block asks for; nothing when the terminal cannot take
// it (a speed, size, parity or stop bits it has no setting for).
std::optional<TerminalFormat> FormatOf(const DeviceControlBlock& state);

// Writes the format, the flow control and the XON/XOFF characters of the
// control block into the settings; the speed is set by the caller.
void ApplyControlBlock(const DeviceControlBlock& state, const TerminalFormat& format, termios& settings);

// Bytes pass unchanged: no line editing, echo, signal characters, case or
// CR/LF translation, output processing or break-as-signal; the receiver is
// on and the modem lines do not gate the device.
bool MakeBinaryChannel(int fd);

} // namespace korvex::serial
