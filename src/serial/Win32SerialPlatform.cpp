// The serial platform on the Win32 communications functions.
#include "serial/SerialPlatform.h"

#include <memory>

namespace tb {

namespace {

class TWin32SerialPlatform final : public ISerialPlatform {
public:
    HANDLE Open(const std::wstring& deviceName) override {
        return ::CreateFileW(deviceName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    }
    void Close(HANDLE device) override { ::CloseHandle(device); }
    DWORD LastError() override { return ::GetLastError(); }

    bool SetState(HANDLE device, const DCB& block) override {
        DCB copy = block;
        return ::SetCommState(device, &copy) != FALSE;
    }
    bool GetTimeouts(HANDLE device, COMMTIMEOUTS& timeouts) override {
        return ::GetCommTimeouts(device, &timeouts) != FALSE;
    }
    bool SetTimeouts(HANDLE device, const COMMTIMEOUTS& timeouts) override {
        COMMTIMEOUTS copy = timeouts;
        return ::SetCommTimeouts(device, &copy) != FALSE;
    }
    bool Setup(HANDLE device, DWORD inQueue, DWORD outQueue) override {
        return ::SetupComm(device, inQueue, outQueue) != FALSE;
    }
    bool ClearError(HANDLE device, DWORD& errors, COMSTAT& status) override {
        return ::ClearCommError(device, &errors, &status) != FALSE;
    }
    bool Write(HANDLE device, const void* data, DWORD count, OVERLAPPED& overlapped) override {
        return ::WriteFile(device, data, count, nullptr, &overlapped) != FALSE;
    }
    bool Read(HANDLE device, void* data, DWORD count, OVERLAPPED& overlapped) override {
        return ::ReadFile(device, data, count, nullptr, &overlapped) != FALSE;
    }
    bool WaitEvent(HANDLE device, DWORD& eventMask, OVERLAPPED& overlapped) override {
        return ::WaitCommEvent(device, &eventMask, &overlapped) != FALSE;
    }
    bool OverlappedResult(HANDLE device, OVERLAPPED& overlapped, DWORD& transferred,
                          bool wait) override {
        return ::GetOverlappedResult(device, &overlapped, &transferred, wait ? TRUE : FALSE) !=
               FALSE;
    }
    bool SetMask(HANDLE device, DWORD mask) override {
        return ::SetCommMask(device, mask) != FALSE;
    }
    bool Purge(HANDLE device, DWORD flags) override { return ::PurgeComm(device, flags) != FALSE; }
};

} // namespace

std::shared_ptr<ISerialPlatform> Win32SerialPlatform() {
    static const std::shared_ptr<ISerialPlatform> platform =
        std::make_shared<TWin32SerialPlatform>();
    return platform;
}

} // namespace tb
