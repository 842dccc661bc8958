// The event thread against the scripted platform: notifications on the user-interface
// thread in their fixed order, the status query only for OnRxChar, closing while a
// hand-over is pending or from inside a handler, a handler's exception, a wait that
// keeps failing, and a wait the driver does not end when asked.
#include "SerialTestSupport.h"

#include "fakes/FakeSerial.h"
#include "serial/ComErrors.h"
#include "serial/ComPort.h"
#include "serial/ComThread.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tb;
using tbtest::PumpFor;
using tbtest::PumpUntil;
using tbtest::TFakeSerial;

namespace {

class ComThreadTest : public ::testing::Test {
protected:
    std::shared_ptr<TFakeSerial> fake = std::make_shared<TFakeSerial>();
    std::unique_ptr<TComPort> port = std::make_unique<TComPort>(L"ComPort1", fake);
    std::vector<std::string> log;
    DWORD uiThread = ::GetCurrentThreadId();

    void TearDown() override {
        port.reset();
        EXPECT_EQ(fake->OpenHandles(), 0);
    }

    void LogAll() {
        port->OnRxChar = [this](TComPort& sender, std::int32_t inQue) {
            EXPECT_EQ(&sender, port.get());
            EXPECT_EQ(::GetCurrentThreadId(), uiThread);
            log.push_back("RxChar " + std::to_string(inQue));
        };
        const std::pair<TNotifyEvent TComPort::*, const char*> others[] = {
            {&TComPort::OnTxEmpty, "TxEmpty"}, {&TComPort::OnBreak, "Break"},
            {&TComPort::OnRing, "Ring"},       {&TComPort::OnCTS, "CTS"},
            {&TComPort::OnDSR, "DSR"},         {&TComPort::OnRxFlag, "RxFlag"},
            {&TComPort::OnRLSD, "RLSD"},       {&TComPort::OnError, "Error"}};
        for (const auto& [event, name] : others) {
            std::string text = name;
            port.get()->*event = [this, text](TComPort&) {
                EXPECT_EQ(::GetCurrentThreadId(), uiThread);
                log.push_back(text);
            };
        }
    }

    void OpenArmed() {
        port->Open();
        ASSERT_TRUE(fake->WaitUntilArmed(2000));
    }
};

} // namespace

TEST_F(ComThreadTest, OneBatchFiresEveryNotificationInTheFixedOrder) {
    LogAll();
    OpenArmed();
    fake->QueueInput("hello");
    fake->RaiseEvents(0x1FF);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 9; }));
    const std::vector<std::string> expected = {"RxChar 5", "TxEmpty", "Break", "Ring", "CTS",
                                               "DSR",      "RxFlag",  "RLSD",  "Error"};
    EXPECT_EQ(log, expected);
    // The next wait is armed only after the dispatch.
    EXPECT_TRUE(fake->WaitUntilArmed(2000));
}

TEST_F(ComThreadTest, RxCharComesBeforeErrorAndEachBatchIsDeliveredOnce) {
    LogAll();
    OpenArmed();
    fake->QueueInput("ab");
    fake->RaiseEvents(EV_ERR | EV_RXCHAR);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; }));
    ASSERT_TRUE(fake->WaitUntilArmed(2000));
    fake->RaiseEvents(EV_TXEMPTY);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 3; }));
    PumpFor(50);
    EXPECT_EQ(log, (std::vector<std::string>{"RxChar 2", "Error", "TxEmpty"}));
}

TEST_F(ComThreadTest, NoStatusQueryWithoutAnRxCharHandler) {
    LogAll();
    port->OnRxChar = nullptr;
    OpenArmed();
    fake->QueueInput("x");
    fake->RaiseEvents(EV_RXCHAR | EV_CTS);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 1; }));
    EXPECT_EQ(log, std::vector<std::string>{"CTS"});
    EXPECT_EQ(fake->CountCalls("ClearError"), 0);
}

TEST_F(ComThreadTest, EventsWithoutRxCharLeaveArrivingBytesSilent) {
    LogAll();
    port->SetEvents(TEvents::All().Exclude(evRxChar));
    OpenArmed();
    EXPECT_EQ(fake->Mask(), 0x1FEu);
    fake->RaiseEvents(EV_RXCHAR); // filtered by the device mask
    PumpFor(100);
    EXPECT_TRUE(log.empty());
}

TEST_F(ComThreadTest, CloseWhileAHandOverIsPendingRunsItFirstThenPurges) {
    LogAll();
    OpenArmed();
    fake->QueueInput("abc");
    fake->RaiseEvents(EV_RXCHAR);
    // The worker is now (or soon) blocked in the hand-over; this thread does not pump
    // messages before closing, so only Close's own wait can serve it.
    ::Sleep(50);
    fake->ClearCalls();
    port->Close();
    EXPECT_EQ(log, std::vector<std::string>{"RxChar 3"});
    const auto calls = fake->Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 3], "Purge 0x0A");
    EXPECT_EQ(calls[calls.size() - 2], "Purge 0x05");
    EXPECT_EQ(calls.back(), "Close");
    EXPECT_EQ(fake->Input(), "");
}

TEST_F(ComThreadTest, AHandlersExceptionEndsTheThreadAndCloseReturnsAtOnce) {
    LogAll();
    fake->Fail("ClearError", 6); // InQue cannot be read: EComStatus in the hand-over
    OpenArmed();
    fake->RaiseEvents(EV_RXCHAR | EV_ERR);
    TComThread* thread = port->Thread();
    ASSERT_TRUE(PumpUntil([&] { return thread->Ended(); }));
    EXPECT_TRUE(log.empty()); // the batch ended with the exception
    ASSERT_TRUE(thread->FatalException());
    try {
        std::rethrow_exception(thread->FatalException());
    } catch (const EComStatus& error) {
        EXPECT_EQ(error.Message(), L"Unable to read com status: 6");
    }
    // No further notifications; the port still counts as open.
    fake->RaiseEvents(EV_TXEMPTY);
    PumpFor(50);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(port->Connected());
    fake->ClearCalls();
    const ULONGLONG start = ::GetTickCount64();
    port->Close();
    EXPECT_LT(::GetTickCount64() - start, 500u);
    // The thread ended without its purge; the device is closed normally.
    EXPECT_EQ(fake->Calls(), std::vector<std::string>{"Close"});
    EXPECT_FALSE(port->Connected());
}

TEST_F(ComThreadTest, CloseFromInsideAHandlerEndsTheBatchAndTheThread) {
    LogAll();
    port->OnRxChar = [this](TComPort& sender, std::int32_t) {
        log.push_back("RxChar");
        sender.Close();
        log.push_back(sender.Connected() ? "still open" : "closed");
    };
    OpenArmed();
    fake->QueueInput("q");
    fake->RaiseEvents(EV_RXCHAR | EV_ERR);
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    PumpFor(50);
    // Closed inside the handler: the remaining notifications of the batch are dropped.
    EXPECT_EQ(log, (std::vector<std::string>{"RxChar", "closed"}));
    EXPECT_EQ(fake->OpenHandles(), 0);
    EXPECT_EQ(fake->Input(), "");
    // The port opens again normally.
    log.clear();
    port->OnRxChar = nullptr;
    OpenArmed();
    fake->RaiseEvents(EV_ERR);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 1; }));
    EXPECT_EQ(log, std::vector<std::string>{"Error"});
}

TEST_F(ComThreadTest, AHandlerRunWhileCloseWaitsMayCloseToo) {
    int closes = 0;
    port->OnClose = [&](TComPort&) { ++closes; };
    port->OnRxChar = [&](TComPort& sender, std::int32_t) { sender.Close(); };
    OpenArmed();
    fake->QueueInput("z");
    fake->RaiseEvents(EV_RXCHAR);
    ::Sleep(50); // the dispatch waits for Close to serve it
    port->Close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(fake->OpenHandles(), 0);
}

TEST_F(ComThreadTest, CloseFromAModalLoopInsideAHandlerCompletes) {
    // A handler that shows a modal box runs a nested message loop; the user closes the
    // port from there.
    bool closedInside = false;
    port->OnError = [&](TComPort& sender) {
        PumpUntil([&] {
            sender.Close();
            closedInside = true;
            return true;
        });
    };
    OpenArmed();
    fake->RaiseEvents(EV_ERR);
    ASSERT_TRUE(PumpUntil([&] { return closedInside; }));
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(fake->OpenHandles(), 0);
}

TEST_F(ComThreadTest, AWaitThatKeepsFailingBacksOffAndStillStopsQuickly) {
    fake->Fail("WaitResult", ERROR_OPERATION_ABORTED); // e.g. a line without modem signals
    port->Open();
    ::Sleep(500);
    // Without the back-off this would be hundreds of thousands of waits.
    const int waits = fake->CountCalls("WaitEvent");
    EXPECT_GE(waits, 3);
    EXPECT_LE(waits, 40);
    const ULONGLONG start = ::GetTickCount64();
    port->Close();
    EXPECT_LT(::GetTickCount64() - start, 300u);
    EXPECT_EQ(fake->OpenHandles(), 0);
}

TEST_F(ComThreadTest, ASuccessfulWaitEndsTheBackOff) {
    LogAll();
    fake->Fail("WaitResult", ERROR_OPERATION_ABORTED);
    port->Open();
    ::Sleep(300); // deep into the back-off
    fake->Fail("WaitResult", 0);
    ASSERT_TRUE(fake->WaitUntilArmed(500));
    fake->RaiseEvents(EV_CTS);
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 1; }, 500));
    ASSERT_TRUE(fake->WaitUntilArmed(200));
    fake->RaiseEvents(EV_DSR);
    const ULONGLONG start = ::GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; }, 500));
    EXPECT_LT(::GetTickCount64() - start, 50u);
}

TEST(ComThreadRetry, PauseGrowsToItsCeiling) {
    const unsigned failures[] = {0, 1, 2, 3, 4, 8, 11, 12, 100, 100000};
    const DWORD pauses[] = {0, 0, 1, 2, 4, 64, 512, 1000, 1000, 1000};
    for (size_t i = 0; i < std::size(failures); ++i)
        EXPECT_EQ(TComThread::RetryPause(failures[i]), pauses[i]) << failures[i];
}

// The thread gives up on a wait the driver does not end when the mask changes; the wait's
// record stays alive until the closed handle ends the wait, so the late completion
// writes into a live record.
TEST_F(ComThreadTest, AWaitTheDriverDoesNotEndIsKeptUntilTheClosedHandleEndsIt) {
    fake->KeepWaitsOnNewMask(true);
    OpenArmed();
    port->Close();
    EXPECT_FALSE(fake->WaitPending());
    EXPECT_EQ(fake->CompletionsIntoReleasedRecords(), 0);
    // The port opens and closes normally afterwards.
    fake->KeepWaitsOnNewMask(false);
    OpenArmed();
    port->Close();
    EXPECT_EQ(fake->CompletionsIntoReleasedRecords(), 0);
}
