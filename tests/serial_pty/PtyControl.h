// The test's end of the pty harness's control channel: drives the far side of each
// serial line (the pty master) and reads the line's settings and queues.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

namespace tbtest {

class TPtyControl {
public:
    // Connects to the harness named by TB_PTY_CONTROL; Available() is false without one.
    TPtyControl();
    ~TPtyControl();
    TPtyControl(const TPtyControl&) = delete;
    TPtyControl& operator=(const TPtyControl&) = delete;

    bool Available() const { return socket_ != INVALID_SOCKET; }

    // The far side sends bytes; returns the harness's clock just before the write.
    std::int64_t Send(const std::string& com, const std::string& bytes);
    // The far side reads up to `count` bytes within `timeoutMs`; `firstNs` gets the
    // harness's clock when the first bytes were readable.
    std::string Receive(const std::string& com, int count, int timeoutMs,
                        std::int64_t* firstNs = nullptr);
    int Drain(const std::string& com);
    // Bytes waiting in the line's input queue (what the program can read).
    int InputQueue(const std::string& com);
    std::map<std::string, long long> Termios(const std::string& com);
    void Modem(const std::string& lines);
    void HangUp(const std::string& com);
    // The far side writes bytes at `rate` bytes a second for `seconds`, in the background.
    void Flood(const std::string& com, int seconds, int rate);
    std::int64_t Time();

private:
    std::string Call(const std::string& line);

    SOCKET socket_ = INVALID_SOCKET;
    std::string pending_;
};

// Nanoseconds of the platform's performance counter.
std::int64_t CounterNs();

} // namespace tbtest
