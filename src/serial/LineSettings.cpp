#include "serial/LineSettings.h"

#include "serial/ComErrors.h"

#include <cstring>

namespace tb {

namespace {

constexpr DWORD kBaudRates[kBaudRateCount] = {110,   300,   600,   1200,  2400,  4800,  9600,
                                              14400, 19200, 38400, 56000, 57600, 115200};

} // namespace

DWORD BaudRateValue(TBaudRate rate) {
    const auto index = static_cast<unsigned>(rate);
    return index < static_cast<unsigned>(kBaudRateCount) ? kBaudRates[index] : 0;
}

DCB BuildDeviceControlBlock(const TLineSettings& settings) {
    if (settings.writeBufSize < 0 || settings.readBufSize < 0 || settings.writeBufSize / 4 > 0xFFFF)
        throw ERangeError();

    DCB block;
    std::memset(&block, 0, sizeof(block));
    block.DCBlength = sizeof(DCB);
    block.BaudRate = BaudRateValue(settings.baudRate);
    block.fBinary = 1;
    // Parity is framed as configured but never checked.
    block.fParity = 0;
    block.fOutxCtsFlow = settings.flowControl == fcRtsCts ? 1 : 0;
    block.fOutxDsrFlow = 0;
    block.fDtrControl = settings.enableDtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    block.fDsrSensitivity = 0;
    block.fTXContinueOnXoff = 0;
    const bool xonXoff = settings.flowControl == fcXonXoff;
    block.fOutX = xonXoff ? 1 : 0;
    block.fInX = xonXoff ? 1 : 0;
    block.fErrorChar = 0;
    block.fNull = 0;
    block.fRtsControl =
        settings.flowControl == fcRtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
    block.fAbortOnError = 0;
    block.XonLim = static_cast<WORD>(settings.writeBufSize / 4);
    block.XoffLim = 1;
    block.ByteSize = settings.dataBits;
    block.Parity = static_cast<BYTE>(settings.parity);
    block.StopBits = static_cast<BYTE>(settings.stopBits);
    block.XonChar = 0x11;
    block.XoffChar = 0x13;
    block.ErrorChar = 0;
    block.EofChar = 0;
    block.EvtChar = 0;
    return block;
}

std::uint32_t DeviceControlFlags(const DCB& block) {
    std::uint32_t flags = 0;
    flags |= block.fBinary << 0;
    flags |= block.fParity << 1;
    flags |= block.fOutxCtsFlow << 2;
    flags |= block.fOutxDsrFlow << 3;
    flags |= block.fDtrControl << 4;
    flags |= block.fDsrSensitivity << 6;
    flags |= block.fTXContinueOnXoff << 7;
    flags |= block.fOutX << 8;
    flags |= block.fInX << 9;
    flags |= block.fErrorChar << 10;
    flags |= block.fNull << 11;
    flags |= block.fRtsControl << 12;
    flags |= block.fAbortOnError << 14;
    return flags;
}

COMMTIMEOUTS PortTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 1000;
    timeouts.WriteTotalTimeoutConstant = 1500;
    return timeouts;
}

DWORD EventMaskFor(TEvents events) {
    struct Mapping {
        TEvent event;
        DWORD bit;
    };
    static constexpr Mapping kMasks[] = {
        {evRxChar, EV_RXCHAR}, {evRxFlag, EV_RXFLAG}, {evTxEmpty, EV_TXEMPTY},
        {evCTS, EV_CTS},       {evDSR, EV_DSR},       {evRLSD, EV_RLSD},
        {evBreak, EV_BREAK},   {evError, EV_ERR},     {evRing, EV_RING}};
    DWORD mask = 0;
    for (const Mapping& mapping : kMasks)
        if (events.Contains(mapping.event))
            mask |= mapping.bit;
    return mask;
}

std::wstring PortNameFor(std::uint8_t portOrdinal) {
    static constexpr const wchar_t* kNames[] = {L"COM1", L"COM2", L"COM3", L"COM4"};
    return portOrdinal < 4 ? kNames[portOrdinal] : L"";
}

std::uint8_t ClampDataBits(int requested) {
    if (requested > 8)
        return 8;
    if (requested < 5)
        return 5;
    return static_cast<std::uint8_t>(requested);
}

} // namespace tb
