// A scripted serial platform: devices COM1..COM4 exist, every call is recorded in order,
// any call can be made to fail with a chosen system error code, input can be queued and
// line events raised to complete the pending event wait. Fake device handles are counted
// so a test can assert that none is left open.
#pragma once

#include "serial/SerialPlatform.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tbtest {

class TFakeSerial final : public tb::ISerialPlatform {
public:
    // Scripting (any thread).
    // Makes every later call of `call` ("Open", "SetState", "GetTimeouts", "SetTimeouts",
    // "Setup", "ClearError", "Write", "WriteResult", "Read", "ReadResult", "WaitEvent",
    // "WaitResult", "Purge", "SetMask") fail with `code`; 0 lets it succeed again.
    void Fail(const std::string& call, DWORD code);
    // Devices that cannot be opened because another program holds them.
    void SetBusy(const std::wstring& deviceName, bool busy);
    // Bytes waiting in the input queue.
    void QueueInput(const std::string& bytes);
    // Completes the pending event wait with these EV_ bits, or keeps them for the next
    // wait when none is pending.
    void RaiseEvents(DWORD bits);
    // Writes go out only up to this many bytes per call (flow control); -1 for no limit.
    void SetWriteLimit(int bytes);
    // A driver that does not end a pending event wait when the mask is changed; closing
    // the handle still ends it.
    void KeepWaitsOnNewMask(bool keep);

    // Observation (any thread).
    std::vector<std::string> Calls() const;
    int CountCalls(const std::string& prefix) const;
    void ClearCalls();
    std::string Written() const;
    std::string Input() const;
    DCB LastState() const;
    COMMTIMEOUTS LastTimeouts() const;
    DWORD Mask() const;
    int OpenHandles() const;
    bool WaitPending() const;
    // Completions the fake wrote into a record whose event was already closed: the owner
    // had let the record go while the wait was still pending.
    int CompletionsIntoReleasedRecords() const;
    // Waits until an event wait is pending (the event thread is armed); false on time-out.
    bool WaitUntilArmed(DWORD timeoutMs) const;

    // The platform.
    HANDLE Open(const std::wstring& deviceName) override;
    void Close(HANDLE device) override;
    DWORD LastError() override;
    bool SetState(HANDLE device, const DCB& block) override;
    bool GetTimeouts(HANDLE device, COMMTIMEOUTS& timeouts) override;
    bool SetTimeouts(HANDLE device, const COMMTIMEOUTS& timeouts) override;
    bool Setup(HANDLE device, DWORD inQueue, DWORD outQueue) override;
    bool ClearError(HANDLE device, DWORD& errors, COMSTAT& status) override;
    bool Write(HANDLE device, const void* data, DWORD count, OVERLAPPED& overlapped) override;
    bool Read(HANDLE device, void* data, DWORD count, OVERLAPPED& overlapped) override;
    bool WaitEvent(HANDLE device, DWORD& eventMask, OVERLAPPED& overlapped) override;
    bool OverlappedResult(HANDLE device, OVERLAPPED& overlapped, DWORD& transferred,
                          bool wait) override;
    bool SetMask(HANDLE device, DWORD mask) override;
    bool Purge(HANDLE device, DWORD flags) override;

private:
    bool Failing(const std::string& call);
    bool Known(HANDLE device) const;
    void Record(std::string call);
    void CompleteWait(DWORD bits, DWORD status);
    void Complete(OVERLAPPED& overlapped, DWORD status, DWORD transferred);

    mutable std::mutex lock_;
    std::map<std::string, DWORD> failures_;
    std::set<std::wstring> busy_;
    std::set<HANDLE> open_;
    bool keepWaitsOnNewMask_ = false;
    int completionsIntoReleasedRecords_ = 0;
    std::size_t nextHandle_ = 0x1000;
    std::vector<std::string> calls_;
    std::string written_;
    std::string input_;
    DCB state_{};
    COMMTIMEOUTS timeouts_{};
    DWORD mask_ = 0;
    DWORD raised_ = 0;
    int writeLimit_ = -1;
    DWORD* waitWord_ = nullptr;
    OVERLAPPED* waitRecord_ = nullptr;
};

} // namespace tbtest
