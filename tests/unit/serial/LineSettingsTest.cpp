// The pure mappings of the line settings: control block, flags, limits and event mask.
#include "serial/ComErrors.h"
#include "serial/LineSettings.h"

#include <gtest/gtest.h>

using namespace tb;

namespace {

struct TBlockCase {
    const char* name;
    TLineSettings settings;
    std::uint32_t flags;
    DWORD baud;
    BYTE byteSize, parity, stopBits;
    WORD xonLimit;
};

TLineSettings With(TFlowControl flow, bool dtr) {
    TLineSettings settings;
    settings.flowControl = flow;
    settings.enableDtr = dtr;
    return settings;
}

} // namespace

TEST(LineSettings, ControlBlockForEachFlowControlAndDtr) {
    TLineSettings odd;
    odd.baudRate = br115200;
    odd.dataBits = 7;
    odd.parity = prOdd;
    odd.stopBits = sbTwoStopBits;
    odd.writeBufSize = 7;
    TLineSettings space;
    space.baudRate = br110;
    space.dataBits = 5;
    space.parity = prSpace;
    space.stopBits = sbOne5StopBits;
    space.writeBufSize = 262143; // quarter 65535: the largest XON limit

    const TBlockCase cases[] = {
        {"defaults", TLineSettings{}, 0x11, 9600, 8, 0, 0, 512},
        {"no flow, DTR off", With(fcNone, false), 0x01, 9600, 8, 0, 0, 512},
        {"XON/XOFF, DTR off", With(fcXonXoff, false), 0x301, 9600, 8, 0, 0, 512},
        {"RTS/CTS, DTR on", With(fcRtsCts, true), 0x2015, 9600, 8, 0, 0, 512},
        {"odd parity framed, not checked", odd, 0x11, 115200, 7, 1, 2, 1},
        {"space parity, largest limit", space, 0x11, 110, 5, 4, 1, 65535},
    };
    for (const TBlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        const DCB block = BuildDeviceControlBlock(c.settings);
        EXPECT_EQ(block.DCBlength, 28u);
        EXPECT_EQ(DeviceControlFlags(block), c.flags);
        EXPECT_EQ(block.BaudRate, c.baud);
        EXPECT_EQ(block.ByteSize, c.byteSize);
        EXPECT_EQ(block.Parity, c.parity);
        EXPECT_EQ(block.StopBits, c.stopBits);
        EXPECT_EQ(block.XonLim, c.xonLimit);
        EXPECT_EQ(block.XoffLim, 1);
        EXPECT_EQ(block.XonChar, 0x11);
        EXPECT_EQ(block.XoffChar, 0x13);
        EXPECT_EQ(block.ErrorChar, 0);
        EXPECT_EQ(block.EofChar, 0);
        EXPECT_EQ(block.EvtChar, 0);
        EXPECT_EQ(block.wReserved, 0);
    }
}

TEST(LineSettings, BufferSizesOutOfRangeAreARangeError) {
    const struct {
        std::int32_t write, read;
        bool fails;
    } cases[] = {{-1, 2048, true},   {2048, -1, true}, {262144, 2048, true},
                 {262143, 0, false}, {0, 0, false},    {0x7FFFFFFF, 2048, true}};
    for (const auto& c : cases) {
        TLineSettings settings;
        settings.writeBufSize = c.write;
        settings.readBufSize = c.read;
        if (c.fails) {
            try {
                BuildDeviceControlBlock(settings);
                ADD_FAILURE() << c.write << " " << c.read;
            } catch (const ERangeError& error) {
                EXPECT_EQ(error.Message(), L"Range check error");
            }
        } else {
            EXPECT_NO_THROW(BuildDeviceControlBlock(settings)) << c.write << " " << c.read;
        }
    }
}

TEST(LineSettings, EventMaskFollowsTheDeviceBitsNotTheSetOrder) {
    const struct {
        TEvents events;
        DWORD mask;
    } cases[] = {
        {TEvents::All(), 0x1FF},    {TEvents{}, 0},
        {TEvents{evRxChar}, 0x001}, {TEvents{evTxEmpty}, 0x004},
        {TEvents{evRxFlag}, 0x002}, {TEvents{evRing}, 0x100},
        {TEvents{evBreak}, 0x040},  {TEvents{evCTS}, 0x008},
        {TEvents{evDSR}, 0x010},    {TEvents{evError}, 0x080},
        {TEvents{evRLSD}, 0x020},   {TEvents::All().Exclude(evRxChar), 0x1FE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EventMaskFor(c.events), c.mask) << c.events.Bits();
}
