// TComPort against the scripted serial platform: properties, the open sequence and its
// failures, close, reads, writes and purges.
#include "SerialTestSupport.h"

#include "fakes/FakeSerial.h"
#include "serial/ComErrors.h"
#include "serial/ComPort.h"
#include "serial/ComThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace tb;
using tbtest::TFakeSerial;

namespace {

class ComPortTest : public ::testing::Test {
protected:
    std::shared_ptr<TFakeSerial> fake = std::make_shared<TFakeSerial>();
    std::unique_ptr<TComPort> port = std::make_unique<TComPort>(L"ComPort1", fake);
    std::vector<std::string> log;

    void TearDown() override {
        port.reset();
        EXPECT_EQ(fake->OpenHandles(), 0);
    }

    void TrackOpenClose() {
        port->OnOpen = [this](TComPort& sender) {
            EXPECT_EQ(&sender, port.get());
            log.push_back("open");
        };
        port->OnClose = [this](TComPort&) { log.push_back("close"); };
    }
};

std::wstring MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const TException& error) {
        return error.Message();
    }
    return L"(nothing raised)";
}

} // namespace

TEST_F(ComPortTest, ConstructionDefaults) {
    EXPECT_EQ(port->BaudRate(), br9600);
    EXPECT_EQ(port->Port(), COM1);
    EXPECT_EQ(port->PortIdx(), 0);
    EXPECT_EQ(port->Parity(), prNone);
    EXPECT_EQ(port->StopBits(), sbOneStopBit);
    EXPECT_EQ(port->FlowControl(), fcNone);
    EXPECT_EQ(port->DataBits(), 8);
    EXPECT_EQ(port->Events(), TEvents::All());
    EXPECT_TRUE(port->EnableDTR());
    EXPECT_EQ(port->WriteBufSize(), 2048);
    EXPECT_EQ(port->ReadBufSize(), 2048);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Handle(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(port->PortName(), L"COM1");
}

TEST_F(ComPortTest, PortIdxKeepsTheLowEightBits) {
    const struct {
        std::int32_t written, read;
        const wchar_t* name;
    } cases[] = {{3, 3, L"COM4"}, {256, 0, L"COM1"}, {257, 1, L"COM2"}, {4, 4, L""},
                 {255, 255, L""}, {-1, 255, L""},    {2, 2, L"COM3"}};
    for (const auto& c : cases) {
        port->SetPortIdx(c.written);
        EXPECT_EQ(port->PortIdx(), c.read) << c.written;
        EXPECT_EQ(port->PortName(), c.name) << c.written;
    }
}

TEST_F(ComPortTest, DataBitsSetterClamps) {
    const int written[] = {9, 4, 0, 7, 8, 5, 6};
    const int stored[] = {8, 5, 5, 7, 8, 5, 6};
    for (size_t i = 0; i < std::size(written); ++i) {
        port->SetDataBits(static_cast<std::uint8_t>(written[i]));
        EXPECT_EQ(port->DataBits(), stored[i]) << written[i];
    }
}

TEST_F(ComPortTest, OpenProgramsTheLineInOrderAndStartsTheThread) {
    TrackOpenClose();
    port->SetPort(COM3);
    port->SetReadBufSize(1000);
    port->SetWriteBufSize(4000);
    port->Open();
    EXPECT_TRUE(port->Connected());
    ASSERT_NE(port->Thread(), nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"open"});
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    const std::vector<std::string> expected = {"Open COM3",   "SetState",        "GetTimeouts",
                                               "SetTimeouts", "Setup 1000 4000", "SetMask 0x1FF",
                                               "WaitEvent"};
    auto calls = fake->Calls();
    calls.resize(std::min(calls.size(), expected.size()));
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(fake->LastState().BaudRate, 9600u);
    EXPECT_EQ(fake->LastState().XonLim, 1000);
    EXPECT_EQ(fake->LastTimeouts().ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(fake->LastTimeouts().WriteTotalTimeoutConstant, 1500u);
}

TEST_F(ComPortTest, OpenFailuresRaiseTheirTextsAndLeaveThePortClosed) {
    TrackOpenClose();
    // Port ordinals without a device name.
    port->SetPortIdx(4);
    EXPECT_EQ(MessageOf([&] { port->Open(); }), L"Unable to open  port (Error code=3)");
    port->SetPortIdx(255);
    EXPECT_EQ(MessageOf([&] { port->Open(); }), L"Unable to open  port (Error code=3)");
    // A port held by another program.
    port->SetPort(COM2);
    fake->SetBusy(L"COM2", true);
    EXPECT_THROW(port->Open(), EComHandle);
    EXPECT_EQ(MessageOf([&] { port->Open(); }), L"Unable to open COM2 port (Error code=5)");
    fake->SetBusy(L"COM2", false);
    fake->Fail("Open", 2);
    port->SetPort(COM3);
    EXPECT_EQ(MessageOf([&] { port->Open(); }), L"Unable to open COM3 port (Error code=2)");
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Thread(), nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(ComPortTest, RejectedSettingsRaiseEComStateAndReleaseTheDevice) {
    TrackOpenClose();
    for (const char* call : {"SetState", "GetTimeouts", "SetTimeouts", "Setup"}) {
        SCOPED_TRACE(call);
        fake->Fail(call, 87);
        try {
            port->Open();
            ADD_FAILURE() << "nothing raised";
        } catch (const EComState& error) {
            EXPECT_EQ(error.Message(), L"Unable to set com state: 87");
        }
        EXPECT_FALSE(port->Connected());
        EXPECT_EQ(port->Thread(), nullptr);
        EXPECT_EQ(port->Handle(), INVALID_HANDLE_VALUE);
        // The device handle is released, so the port is not left busy.
        EXPECT_EQ(fake->OpenHandles(), 0);
        EXPECT_EQ(fake->CountCalls("SetMask"), 0);
        fake->Fail(call, 0);
    }
    EXPECT_TRUE(log.empty());
    port->Open();
    EXPECT_TRUE(port->Connected());
}

TEST_F(ComPortTest, BufferSizesOutOfRangeFailOpenWithARangeErrorAndReleaseTheDevice) {
    port->SetWriteBufSize(262144);
    EXPECT_EQ(MessageOf([&] { port->Open(); }), L"Range check error");
    EXPECT_EQ(fake->OpenHandles(), 0);
    port->SetWriteBufSize(2048);
    port->SetReadBufSize(-5);
    EXPECT_THROW(port->Open(), ERangeError);
    EXPECT_EQ(fake->OpenHandles(), 0);
    EXPECT_FALSE(port->Connected());
}

TEST_F(ComPortTest, CloseOnAClosedPortDoesNothing) {
    TrackOpenClose();
    port->Close();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(fake->CountCalls(""), 0);
}

TEST_F(ComPortTest, OpenOnAnOpenPortClosesFirstAndKeepsOneThread) {
    TrackOpenClose();
    port->Open();
    TComThread* first = port->Thread();
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    port->Open();
    EXPECT_EQ(log, (std::vector<std::string>{"open", "close", "open"}));
    EXPECT_NE(port->Thread(), nullptr);
    EXPECT_EQ(fake->OpenHandles(), 1);
    (void)first;
    port->Close();
    EXPECT_EQ(log.back(), "close");
    EXPECT_EQ(fake->OpenHandles(), 0);
}

TEST_F(ComPortTest, CloseStopsTheThreadPurgesBothQueuesAndClosesTheDevice) {
    port->Open();
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    fake->ClearCalls();
    port->Close();
    const auto calls = fake->Calls();
    // The pending wait is ended before the thread purges and the device is closed.
    const std::vector<std::string> expected = {"SetMask 0x0", "OverlappedResult", "Purge 0x0A",
                                               "Purge 0x05", "Close"};
    EXPECT_EQ(calls, expected);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->Thread(), nullptr);
}

TEST_F(ComPortTest, WritesSendTheBytesAndFailuresGiveZero) {
    const std::string frame("\xAA\xEE\x1E\xCC\x55", 5);
    EXPECT_EQ(port->Write(frame.data(), 5), 0); // never opened
    port->Open();
    EXPECT_EQ(port->Write(frame.data(), 5), 5);
    EXPECT_EQ(port->WriteString("A"), 1);
    EXPECT_EQ(port->WriteString(""), 0);
    EXPECT_EQ(port->Write(frame.data(), -1), 0);
    EXPECT_EQ(port->Write(nullptr, 3), 0);
    EXPECT_EQ(fake->Written(), frame + "A");
    fake->SetWriteLimit(2); // held back by flow control: what went out
    EXPECT_EQ(port->Write(frame.data(), 5), 2);
    fake->SetWriteLimit(-1);
    fake->Fail("WriteResult", 1117);
    EXPECT_EQ(port->Write(frame.data(), 5), 0);
    fake->Fail("WriteResult", 0);
    fake->Fail("Write", 6); // did not start: no wait for a completion that never comes
    EXPECT_EQ(port->Write(frame.data(), 5), 0);
    fake->Fail("Write", 0);
    port->Close();
    const std::size_t before = fake->Written().size();
    EXPECT_EQ(port->Write(frame.data(), 5), 0);
    EXPECT_EQ(fake->Written().size(), before);
}

TEST_F(ComPortTest, ReadStringReadsOnlyWhatIsQueued) {
    std::string text = "untouched";
    EXPECT_EQ(port->ReadString(text, 4), 0); // never opened
    port->Open();
    text = "untouched";
    EXPECT_EQ(port->ReadString(text, 0), 0);
    EXPECT_EQ(port->ReadString(text, -3), 0);
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(port->ReadString(text, 4), 0); // empty queue: returns at once
    EXPECT_EQ(text, "");
    fake->QueueInput("0123456789");
    EXPECT_EQ(port->ReadString(text, 4), 4);
    EXPECT_EQ(text, "0123");
    EXPECT_EQ(port->InQueCount(), 6);
    EXPECT_EQ(port->ReadString(text, 100), 6);
    EXPECT_EQ(text, "456789");
    fake->QueueInput("xy");
    fake->Fail("ReadResult", 31);
    EXPECT_EQ(port->ReadString(text, 2), 0);
}

TEST_F(ComPortTest, InQueCountFailureRaisesEComStatus) {
    port->Open();
    fake->QueueInput("abc");
    EXPECT_EQ(port->InQueCount(), 3);
    fake->Fail("ClearError", 22);
    EXPECT_EQ(MessageOf([&] { port->InQueCount(); }), L"Unable to read com status: 22");
    EXPECT_THROW(port->InQueCount(), EComStatus);
}

TEST_F(ComPortTest, PurgesUseTheirFlagsAndAbsorbFailures) {
    port->Open();
    fake->QueueInput("abc");
    fake->ClearCalls();
    port->PurgeIn();
    port->PurgeOut();
    EXPECT_EQ(fake->Calls(), (std::vector<std::string>{"Purge 0x0A", "Purge 0x05"}));
    EXPECT_EQ(fake->Input(), "");
    fake->Fail("Purge", 5);
    EXPECT_NO_THROW(port->PurgeIn());
    EXPECT_NO_THROW(port->PurgeOut());
    port->Close(); // the thread's own purge fails too, silently
    EXPECT_FALSE(port->Connected());
}

TEST_F(ComPortTest, OpenAndCloseManyTimesLeavesNothingBehind) {
    for (int i = 0; i < 100; ++i) {
        port->Open();
        port->Close();
    }
    EXPECT_EQ(fake->OpenHandles(), 0);
    EXPECT_EQ(fake->CountCalls("Open"), 100);
    EXPECT_EQ(fake->CountCalls("Close"), 100);
}

TEST_F(ComPortTest, PropertiesTakeEffectAtTheNextOpen) {
    port->Open();
    port->SetBaudRate(br19200);
    port->SetFlowControl(fcXonXoff);
    port->SetEnableDTR(false);
    port->SetEvents(TEvents{evRxChar, evError});
    EXPECT_EQ(fake->LastState().BaudRate, 9600u);
    port->Open();
    EXPECT_EQ(fake->LastState().BaudRate, 19200u);
    EXPECT_EQ(DeviceControlFlags(fake->LastState()), 0x301u);
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    EXPECT_EQ(fake->Mask(), 0x81u);
}
