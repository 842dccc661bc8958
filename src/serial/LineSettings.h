// The line settings a port applies when it opens, as plain data, and the pure mappings
// from them to the driver's records: the device-control block, the time-outs, the
// device event mask and the device name.
#pragma once

#include "serial/SerialTypes.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace tb {

struct TLineSettings {
    TBaudRate baudRate = br9600;
    std::uint8_t dataBits = 8;
    TParity parity = prNone;
    TStopBits stopBits = sbOneStopBit;
    TFlowControl flowControl = fcNone;
    bool enableDtr = true;
    std::int32_t writeBufSize = 2048;
    std::int32_t readBufSize = 2048;
};

// Line speed in bits per second of a speed ordinal.
DWORD BaudRateValue(TBaudRate rate);

// The device-control block for the settings. Throws ERangeError for a negative buffer
// size or a write buffer whose quarter does not fit the 16-bit XON limit.
DCB BuildDeviceControlBlock(const TLineSettings& settings);

// The flags word of a control block (binary, parity check, CTS flow, DTR control,
// XON/XOFF, RTS control...), as the driver stores it after the length and speed.
std::uint32_t DeviceControlFlags(const DCB& block);

// Reads return at once with what is queued; a write of n bytes ends within
// n x 1000 + 1500 ms.
COMMTIMEOUTS PortTimeouts();

// The device event mask (EV_...) for a set of line events.
DWORD EventMaskFor(TEvents events);

// "COM1".."COM4" for ordinals 0..3, empty for any other ordinal.
std::wstring PortNameFor(std::uint8_t portOrdinal);

// The stored data-bits value after writing `requested`: 5..8, clamped.
std::uint8_t ClampDataBits(int requested);

} // namespace tb
