// The serial platform: the communications calls a port and its event thread make on
// the device, and nothing else. The program uses the Win32 implementation; tests hand
// in a fake that scripts line events, queued input and failures.
//
// Every call that reports a failure leaves the system error code for LastError(), on
// the calling thread.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace tb {

class ISerialPlatform {
public:
    virtual ~ISerialPlatform() = default;

    // Opens the named device for overlapped reading and writing, unshared; the invalid
    // handle value on failure.
    virtual HANDLE Open(const std::wstring& deviceName) = 0;
    virtual void Close(HANDLE device) = 0;
    virtual DWORD LastError() = 0;

    virtual bool SetState(HANDLE device, const DCB& block) = 0;
    virtual bool GetTimeouts(HANDLE device, COMMTIMEOUTS& timeouts) = 0;
    virtual bool SetTimeouts(HANDLE device, const COMMTIMEOUTS& timeouts) = 0;
    virtual bool Setup(HANDLE device, DWORD inQueue, DWORD outQueue) = 0;
    virtual bool ClearError(HANDLE device, DWORD& errors, COMSTAT& status) = 0;

    // Start overlapped operations; `overlapped.hEvent` is signalled on completion. True
    // when the operation completed at once; false with LastError() == ERROR_IO_PENDING
    // when it is pending, any other code when it failed to start.
    virtual bool Write(HANDLE device, const void* data, DWORD count, OVERLAPPED& overlapped) = 0;
    virtual bool Read(HANDLE device, void* data, DWORD count, OVERLAPPED& overlapped) = 0;
    virtual bool WaitEvent(HANDLE device, DWORD& eventMask, OVERLAPPED& overlapped) = 0;
    // The result of a started operation; `wait` blocks until it has completed.
    virtual bool OverlappedResult(HANDLE device, OVERLAPPED& overlapped, DWORD& transferred,
                                  bool wait) = 0;

    // Selects the events a wait reports; a mask of 0 ends a pending wait with failure.
    virtual bool SetMask(HANDLE device, DWORD mask) = 0;
    virtual bool Purge(HANDLE device, DWORD flags) = 0;
};

// The real communications calls of the system.
std::shared_ptr<ISerialPlatform> Win32SerialPlatform();

} // namespace tb
