// Latencies of the serial link and the cost of an idle open port, measured against a pty
// whose far side the pty harness drives:
//   write:  from Write on the user-interface thread to the bytes being readable on the
//           far side, against a bare overlapped WriteFile (and its completion) on another
//           port of the same kind in the same run, the two taken in turn;
//   rxchar: from bytes written on the far side to OnRxChar running on the user-interface
//           thread, against a bare WaitCommEvent with the component's event mask pending
//           on the other port (the platform's own way of learning that bytes arrived
//           without taking them from the queue), and, for information, against a bare
//           overlapped read loop there (a ReadFile pending on the empty queue, completed
//           by the first bytes); in blocks of ten rounds, the bare ones with the
//           component's port closed, each write at a random point of the platform's
//           line poll;
//   idle:   CPU time of the process over 10 s with the port open and nothing arriving,
//           against a bare port with one WaitCommEvent pending, and over 10 s with no
//           port open (the same message loop), for comparison.
// Options: --rounds N (default 300), --idle-seconds S (default 10), --idle-only.
#include "BenchReport.h"
#include "PtyControl.h"

#include "framework/Handles.h"
#include "serial/ComPort.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace tb;
using tbtest::CounterNs;
using tbtest::TPtyControl;

namespace {

// Harness clock minus this process's counter, from the round trip with the smallest delay.
std::int64_t ClockOffset(TPtyControl& pty) {
    std::int64_t best = 0, bestTrip = INT64_MAX;
    for (int i = 0; i < 50; ++i) {
        const std::int64_t before = CounterNs();
        const std::int64_t harness = pty.Time();
        const std::int64_t after = CounterNs();
        if (after - before < bestTrip) {
            bestTrip = after - before;
            best = harness - (before + after) / 2;
        }
    }
    std::printf("clock offset %lld ns (round trip %lld ns)\n", static_cast<long long>(best),
                static_cast<long long>(bestTrip));
    return best;
}

void Report(const char* name, std::vector<double> micros) {
    if (micros.empty()) {
        std::printf("%-8s no samples\n", name);
        return;
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) {
        return micros[std::min(micros.size() - 1, static_cast<size_t>(q * micros.size()))];
    };
    std::printf("%-8s n=%zu median %.1f us  p99 %.1f us  min %.1f us  max %.1f us\n", name,
                micros.size(), at(0.5), at(0.99), micros.front(), micros.back());
}

double MedianOf(std::vector<double> micros) {
    return tbbench::Median(std::move(micros));
}

// The reference port: COM2 opened and set up as the component opens its port
// (overlapped, 115200 8N1), written with one WriteFile and a wait for its completion, read
// with overlapped ReadFile calls that wait for the first bytes.
class TBarePort {
public:
    TBarePort()
        : handle_(::CreateFileW(L"\\\\.\\COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr)),
          event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        if (!handle_)
            return;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        ::GetCommState(handle_.Get(), &dcb);
        dcb.BaudRate = 115200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        ::SetCommState(handle_.Get(), &dcb);
        // Return what is queued; on an empty queue an overlapped read waits for a byte.
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
        ::SetCommTimeouts(handle_.Get(), &timeouts);
    }
    bool Available() const { return handle_ && event_; }
    void Write(const char* data, DWORD count) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event_.Get();
        DWORD written = 0;
        if (!::WriteFile(handle_.Get(), data, count, &written, &overlapped) &&
            ::GetLastError() == ERROR_IO_PENDING)
            ::GetOverlappedResult(handle_.Get(), &overlapped, &written, TRUE);
    }

    // Reads `count` bytes with overlapped reads (at most `limitMs` in all); `first` gets
    // the counter when the first read completed.
    std::string Read(size_t count, DWORD limitMs, std::int64_t* first) {
        std::string got;
        *first = 0;
        const ULONGLONG end = ::GetTickCount64() + limitMs;
        while (got.size() < count && ::GetTickCount64() < end) {
            char buffer[16];
            OVERLAPPED overlapped{};
            overlapped.hEvent = event_.Get();
            DWORD read = 0;
            const DWORD want = static_cast<DWORD>(std::min(count - got.size(), sizeof buffer));
            if (!::ReadFile(handle_.Get(), buffer, want, &read, &overlapped)) {
                if (::GetLastError() != ERROR_IO_PENDING)
                    break;
                if (::WaitForSingleObject(event_.Get(), limitMs) != WAIT_OBJECT_0) {
                    ::CancelIo(handle_.Get());
                    break;
                }
                ::GetOverlappedResult(handle_.Get(), &overlapped, &read, FALSE);
            }
            if (read > 0 && *first == 0)
                *first = CounterNs();
            got.append(buffer, read);
        }
        return got;
    }

    // Waits (at most `limitMs`) for the line to report received characters, as the
    // component's event thread waits: one overlapped WaitCommEvent with the component's
    // event mask, pending on the empty queue. `at` gets the counter when it completed;
    // the bytes are then read, so the queue is empty for the next round.
    std::string WaitForBytes(size_t count, DWORD limitMs, std::int64_t* at) {
        *at = 0;
        ::SetCommMask(handle_.Get(), kAllEvents);
        const ULONGLONG end = ::GetTickCount64() + limitMs;
        while (*at == 0 && ::GetTickCount64() < end) {
            OVERLAPPED overlapped{};
            overlapped.hEvent = event_.Get();
            DWORD word = 0;
            if (!::WaitCommEvent(handle_.Get(), &word, &overlapped)) {
                if (::GetLastError() != ERROR_IO_PENDING)
                    break;
                if (::WaitForSingleObject(event_.Get(), limitMs) != WAIT_OBJECT_0) {
                    ::SetCommMask(handle_.Get(), 0); // ends the wait
                    ::WaitForSingleObject(event_.Get(), 1000);
                    break;
                }
                DWORD scratch = 0;
                if (!::GetOverlappedResult(handle_.Get(), &overlapped, &scratch, FALSE))
                    continue;
            }
            if ((word & EV_RXCHAR) != 0)
                *at = CounterNs();
        }
        ::SetCommMask(handle_.Get(), 0);
        std::int64_t first = 0;
        return *at != 0 ? Read(count, limitMs, &first) : std::string();
    }

    // The component's default event mask: every line event.
    static constexpr DWORD kAllEvents = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_CTS | EV_DSR |
                                        EV_RLSD | EV_BREAK | EV_ERR | EV_RING;

private:
    UniqueHandle handle_;
    UniqueHandle event_;
};

// The pause before a far-side write: 2 ms for the read or the wait to be pending, then a
// random part of a further millisecond. The platform looks at the line about once a
// millisecond from the moment a wait starts; without the random part a wait started just
// before the pause would see the bytes at the same point of that poll round after round.
void PauseBeforeSend(std::minstd_rand& random) {
    ::Sleep(2);
    const std::int64_t end = CounterNs() + static_cast<std::int64_t>(random() % 1000000);
    while (CounterNs() < end) {
    }
}

double Percentile99(std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    return micros.empty() ? 0.0 : micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

void Pump(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (::GetTickCount64() < end) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

ULONGLONG ProcessCpu100ns() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return ticks(kernel) + ticks(user);
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 300;
    int idleSeconds = 10;
    bool idleOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--idle-seconds") == 0 && i + 1 < argc)
            idleSeconds = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--idle-only") == 0)
            idleOnly = true;
    }
    TPtyControl pty;
    TPtyControl helper; // a second channel, for requests that run while this one waits
    if (!pty.Available() || !helper.Available()) {
        std::fprintf(stderr, "run through the pty harness (scripts/bench-serial.sh)\n");
        return 2;
    }

    // Percent of one core the process used while idling `idleSeconds`.
    auto idleCpu = [&](const char* name) {
        const ULONGLONG cpuBefore = ProcessCpu100ns();
        const ULONGLONG wallBefore = ::GetTickCount64();
        Pump(static_cast<DWORD>(idleSeconds) * 1000);
        const double cpuMs = static_cast<double>(ProcessCpu100ns() - cpuBefore) / 10000.0;
        const double wallMs = static_cast<double>(::GetTickCount64() - wallBefore);
        std::printf("%-8s %.1f ms CPU over %.1f s\n", name, cpuMs, wallMs / 1000.0);
        return wallMs > 0.0 ? 100.0 * cpuMs / wallMs : 0.0;
    };
    // The same message loop with no port open, for comparison.
    const double closedPercent = idleCpu("closed");

    TComPort port;
    port.SetPort(COM1);
    port.SetBaudRate(br115200);
    std::int64_t rxAt = 0;
    std::string received;
    port.OnRxChar = [&](TComPort& sender, std::int32_t inQue) {
        if (rxAt == 0) // the first batch of the round
            rxAt = CounterNs();
        std::string chunk;
        sender.ReadString(chunk, inQue);
        received += chunk;
    };
    port.Open();
    Pump(200);

    if (!idleOnly) {
        const std::int64_t offset = ClockOffset(pty);
        const std::string frame("\xAA\xEE\x1E\xCC\x55", 5);

        TBarePort bare;
        std::vector<double> write, bareWrite;
        // One timed write to the far side of `com`: the microseconds from the call to the
        // bytes being readable there, or nothing when they did not all arrive.
        const auto timeWrite = [&](const char* com, const std::function<void()>& send,
                                   std::vector<double>& into) {
            std::int64_t first = 0;
            std::string got;
            std::thread reader([&] { got = helper.Receive(com, 5, 2000, &first); });
            ::Sleep(2); // the far side is waiting
            const std::int64_t start = CounterNs();
            send();
            reader.join();
            if (got == frame && first != 0)
                into.push_back(static_cast<double>(first - offset - start) / 1000.0);
        };
        for (int i = 0; i < rounds; ++i) {
            timeWrite(
                "COM1", [&] { port.Write(frame.data(), 5); }, write);
            Pump(1); // the transmit-empty notification
            if (bare.Available())
                timeWrite(
                    "COM2", [&] { bare.Write(frame.data(), 5); }, bareWrite);
        }
        Report("write", write);
        Report("bare", bareWrite);
        tbbench::Report("serial: Write -> readable on the pty", MedianOf(write),
                        "bare overlapped WriteFile", MedianOf(bareWrite), "<=2");

        std::vector<double> rxchar, bareRead, bareWait;
        std::minstd_rand random(12345);
        // One round of the component: bytes written on the far side of COM1, timed to the
        // first OnRxChar.
        const auto timeComponent = [&] {
            rxAt = 0;
            received.clear();
            std::int64_t sentAt = 0;
            std::thread sender([&] {
                PauseBeforeSend(random); // the event wait is pending
                sentAt = helper.Send("COM1", frame);
            });
            const ULONGLONG limit = ::GetTickCount64() + 2000;
            while (received.size() < frame.size() && ::GetTickCount64() < limit) {
                MSG message;
                while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    ::TranslateMessage(&message);
                    ::DispatchMessageW(&message);
                }
                // Blocked until a message comes, as a program's message loop is: the
                // hand-over of the received bytes is one.
                const ULONGLONG now = ::GetTickCount64();
                if (received.size() < frame.size() && now < limit)
                    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(limit - now),
                                                QS_ALLINPUT);
            }
            sender.join();
            if (received == frame && rxAt != 0)
                rxchar.push_back(static_cast<double>(rxAt + offset - sentAt) / 1000.0);
            Pump(2);
        };
        // The same bytes to the bare port, its read or its event wait already pending:
        // `receive` gets the counter when that completed.
        const auto timeBare = [&](const auto& receive, std::vector<double>& into) {
            std::int64_t bareSentAt = 0;
            std::int64_t done = 0;
            std::thread bareSender([&] {
                PauseBeforeSend(random); // the read or the wait is pending
                bareSentAt = helper.Send("COM2", frame);
            });
            const std::string got = receive(&done);
            bareSender.join();
            if (got == frame && done != 0)
                into.push_back(static_cast<double>(done + offset - bareSentAt) / 1000.0);
        };
        // Blocks of rounds in turn. The bare port's are taken with the component's port
        // closed: each side's wait has the platform's line poll to itself.
        constexpr int kBlock = 10;
        for (int first = 0; first < rounds; first += kBlock) {
            const int count = std::min(kBlock, rounds - first);
            for (int i = 0; i < count; ++i)
                timeComponent();
            if (!bare.Available())
                continue;
            port.Close();
            for (int i = 0; i < count; ++i) {
                timeBare([&](std::int64_t* at) { return bare.Read(frame.size(), 2000, at); },
                         bareRead);
                timeBare(
                    [&](std::int64_t* at) { return bare.WaitForBytes(frame.size(), 2000, at); },
                    bareWait);
            }
            port.Open();
            Pump(20);
        }
        Report("rxchar", rxchar);
        Report("bareread", bareRead);
        Report("barewait", bareWait);
        // The component learns of bytes through the line's event wait and leaves them in
        // the queue for the handler, so the bare event wait bounds it; a pending read,
        // which consumes the bytes, is shown beside it for information.
        tbbench::Report("serial: far side write -> OnRxChar, median", MedianOf(rxchar),
                        "bare pending WaitCommEvent", MedianOf(bareWait), "<=1.5");
        tbbench::Report("serial: far side write -> OnRxChar, p99", Percentile99(rxchar),
                        "bare pending WaitCommEvent, p99", Percentile99(bareWait), "<=2");
        tbbench::Report("serial: far side write -> OnRxChar vs read", MedianOf(rxchar),
                        "bare overlapped read loop", MedianOf(bareRead), "-");
    }

    const double openPercent = idleCpu("open");
    port.Close();
    // The platform alone: COM3 opened bare with the component's event mask and one
    // overlapped WaitCommEvent pending, nothing else running.
    double barePercent = 0.0;
    {
        const UniqueHandle device(::CreateFileW(L"\\\\.\\COM3", GENERIC_READ | GENERIC_WRITE, 0,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                                nullptr));
        const UniqueHandle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (device && event) {
            ::SetCommMask(device.Get(), TBarePort::kAllEvents);
            OVERLAPPED overlapped{};
            overlapped.hEvent = event.Get();
            DWORD mask = 0;
            ::WaitCommEvent(device.Get(), &mask, &overlapped);
            barePercent = idleCpu("bare");
            ::SetCommMask(device.Get(), 0); // ends the pending wait
            ::WaitForSingleObject(event.Get(), 1000);
        }
    }
    tbbench::Report("serial: idle port vs bare wait", openPercent, "bare pending WaitCommEvent",
                    barePercent, "<=1.5");
    // Percent of a core, against the same loop without a port: for information.
    tbbench::Report("serial: idle port, % of a core", openPercent, "same loop, no port open",
                    closedPercent, "-");
    return 0;
}
