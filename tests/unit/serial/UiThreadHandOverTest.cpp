// The hand-over of work from a worker thread to the user-interface thread.
#include "SerialTestSupport.h"

#include "framework/Handles.h"
#include "framework/UiThreadHandOver.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

using namespace tb;

TEST(UiThreadHandOver, RunsOnTheUiThreadAndBringsExceptionsBack) {
    TUiThreadHandOver handOver;
    const DWORD ui = ::GetCurrentThreadId();
    DWORD ranOn = 0;
    std::string caught;
    bool finished = false;
    std::thread worker([&] {
        handOver.Run([&] { ranOn = ::GetCurrentThreadId(); });
        try {
            handOver.Run([] { throw std::runtime_error("from the handler"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        finished = true;
    });
    EXPECT_TRUE(tbtest::PumpUntil([&] { return finished; }));
    worker.join();
    EXPECT_EQ(ranOn, ui);
    EXPECT_EQ(caught, "from the handler");
}

TEST(UiThreadHandOver, WaitServingServesWithoutAMessageLoop) {
    TUiThreadHandOver handOver;
    int runs = 0;
    UniqueHandle ended(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            handOver.Run([&] { ++runs; });
        ::SetEvent(ended.Get());
    });
    EXPECT_TRUE(handOver.WaitServing(ended.Get(), 5000));
    worker.join();
    EXPECT_EQ(runs, 3);
    EXPECT_FALSE(handOver.WaitServing(::GetCurrentProcess(), 20)); // time-out
}
