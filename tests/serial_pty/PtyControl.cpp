#include "PtyControl.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace tbtest {

namespace {

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text.empty() ? "" : text;
}

std::string Unhex(const std::string& text) {
    std::string bytes;
    if (text == "-")
        return bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
    return bytes;
}

} // namespace

std::int64_t CounterNs() {
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<std::int64_t>(static_cast<long double>(counter.QuadPart) * 1e9L /
                                     static_cast<long double>(frequency.QuadPart));
}

TPtyControl::TPtyControl() {
    const char* port = std::getenv("TB_PTY_CONTROL");
    if (port == nullptr)
        return;
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(std::atoi(port)));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
        return;
    }
    BOOL noDelay = TRUE;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                 sizeof(noDelay));
}

TPtyControl::~TPtyControl() {
    if (socket_ != INVALID_SOCKET)
        ::closesocket(socket_);
    ::WSACleanup();
}

std::string TPtyControl::Call(const std::string& line) {
    if (socket_ == INVALID_SOCKET)
        throw std::runtime_error("no pty harness");
    const std::string request = line + "\n";
    if (::send(socket_, request.data(), static_cast<int>(request.size()), 0) !=
        static_cast<int>(request.size()))
        throw std::runtime_error("pty harness: send failed");
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string reply = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (reply.compare(0, 2, "OK") != 0)
                throw std::runtime_error("pty harness: " + reply);
            return reply.size() > 3 ? reply.substr(3) : std::string();
        }
        char buffer[4096];
        const int got = ::recv(socket_, buffer, sizeof(buffer), 0);
        if (got <= 0)
            throw std::runtime_error("pty harness: connection lost");
        pending_.append(buffer, static_cast<size_t>(got));
    }
}

std::int64_t TPtyControl::Send(const std::string& com, const std::string& bytes) {
    return std::stoll(Call("SEND " + com + " " + Hex(bytes)));
}

std::string TPtyControl::Receive(const std::string& com, int count, int timeoutMs,
                                 std::int64_t* firstNs) {
    std::istringstream reply(
        Call("RECV " + com + " " + std::to_string(count) + " " + std::to_string(timeoutMs)));
    std::string hex;
    long long first = 0;
    reply >> hex >> first;
    if (firstNs != nullptr)
        *firstNs = first;
    return Unhex(hex);
}

int TPtyControl::Drain(const std::string& com) {
    return std::stoi(Call("DRAIN " + com));
}

int TPtyControl::InputQueue(const std::string& com) {
    return std::stoi(Call("INQ " + com));
}

std::map<std::string, long long> TPtyControl::Termios(const std::string& com) {
    std::map<std::string, long long> fields;
    std::istringstream reply(Call("TERMIOS " + com));
    std::string field;
    while (reply >> field) {
        const size_t equals = field.find('=');
        if (equals != std::string::npos)
            fields[field.substr(0, equals)] = std::stoll(field.substr(equals + 1));
    }
    return fields;
}

void TPtyControl::Modem(const std::string& lines) {
    Call("MODEM " + lines);
}

void TPtyControl::HangUp(const std::string& com) {
    Call("HANGUP " + com);
}

void TPtyControl::Flood(const std::string& com, int seconds, int rate) {
    Call("FLOOD " + com + " " + std::to_string(seconds) + " " + std::to_string(rate));
}

std::int64_t TPtyControl::Time() {
    return std::stoll(Call("TIME"));
}

} // namespace tbtest
