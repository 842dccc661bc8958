// The line settings of a serial port as the program names them, the set of line
// events a port waits for, and the notification types of the port.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>

namespace tb {

class TComPort;

// Ordinals are fixed: they are stored in the registry and index the settings dialog's lists.
enum TBaudRate : std::uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};
constexpr int kBaudRateCount = 13;

// The port is an ordinal: 0..3 name COM1..COM4, any other value (4..255, from a stored
// index) names no device.
enum TPortType : std::uint8_t { COM1, COM2, COM3, COM4 };

enum TParity : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TFlowControl : std::uint8_t { fcNone, fcRtsCts, fcXonXoff };

enum TEvent : std::uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD
};
constexpr int kEventCount = 9;

// A set of line events: bit n stands for the event of ordinal n.
class TEvents {
public:
    constexpr TEvents() = default;
    constexpr TEvents(std::initializer_list<TEvent> events) {
        for (TEvent event : events)
            bits_ |= Bit(event);
    }
    static constexpr TEvents All() { return FromBits(0x1FF); }
    static constexpr TEvents FromBits(std::uint16_t bits) {
        TEvents events;
        events.bits_ = static_cast<std::uint16_t>(bits & 0x1FF);
        return events;
    }
    constexpr std::uint16_t Bits() const { return bits_; }
    constexpr bool Contains(TEvent event) const { return (bits_ & Bit(event)) != 0; }
    constexpr TEvents& Include(TEvent event) {
        bits_ |= Bit(event);
        return *this;
    }
    constexpr TEvents& Exclude(TEvent event) {
        bits_ &= static_cast<std::uint16_t>(~Bit(event));
        return *this;
    }
    constexpr bool operator==(const TEvents&) const = default;

private:
    static constexpr std::uint16_t Bit(TEvent event) {
        return static_cast<std::uint16_t>(1u << static_cast<unsigned>(event));
    }
    std::uint16_t bits_ = 0;
};

// Notifications of a port; the sender is the port.
using TNotifyEvent = std::function<void(TComPort& sender)>;
using TRxCharEvent = std::function<void(TComPort& sender, std::int32_t inQue)>;

} // namespace tb
