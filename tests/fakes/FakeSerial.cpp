#include "fakes/FakeSerial.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tbtest {

namespace {

thread_local DWORD lastError = 0;

bool FailWith(DWORD code) {
    lastError = code;
    return false;
}

} // namespace

void TFakeSerial::Fail(const std::string& call, DWORD code) {
    std::lock_guard<std::mutex> guard(lock_);
    if (code == 0)
        failures_.erase(call);
    else
        failures_[call] = code;
}

void TFakeSerial::SetBusy(const std::wstring& deviceName, bool busy) {
    std::lock_guard<std::mutex> guard(lock_);
    if (busy)
        busy_.insert(deviceName);
    else
        busy_.erase(deviceName);
}

void TFakeSerial::QueueInput(const std::string& bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    input_ += bytes;
}

void TFakeSerial::RaiseEvents(DWORD bits) {
    std::lock_guard<std::mutex> guard(lock_);
    if (waitRecord_ != nullptr)
        CompleteWait(bits & mask_, 0);
    else
        raised_ |= bits;
}

void TFakeSerial::SetWriteLimit(int bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    writeLimit_ = bytes;
}

std::vector<std::string> TFakeSerial::Calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
}

int TFakeSerial::CountCalls(const std::string& prefix) const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const std::string& c) {
        return c.compare(0, prefix.size(), prefix) == 0;
    }));
}

void TFakeSerial::ClearCalls() {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.clear();
}

std::string TFakeSerial::Written() const {
    std::lock_guard<std::mutex> guard(lock_);
    return written_;
}

std::string TFakeSerial::Input() const {
    std::lock_guard<std::mutex> guard(lock_);
    return input_;
}

DCB TFakeSerial::LastState() const {
    std::lock_guard<std::mutex> guard(lock_);
    return state_;
}

COMMTIMEOUTS TFakeSerial::LastTimeouts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return timeouts_;
}

DWORD TFakeSerial::Mask() const {
    std::lock_guard<std::mutex> guard(lock_);
    return mask_;
}

int TFakeSerial::OpenHandles() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(open_.size());
}

bool TFakeSerial::WaitPending() const {
    std::lock_guard<std::mutex> guard(lock_);
    return waitRecord_ != nullptr;
}

bool TFakeSerial::WaitUntilArmed(DWORD timeoutMs) const {
    const ULONGLONG start = ::GetTickCount64();
    while (!WaitPending()) {
        if (::GetTickCount64() - start > timeoutMs)
            return false;
        ::Sleep(1);
    }
    return true;
}

bool TFakeSerial::Failing(const std::string& call) {
    const auto found = failures_.find(call);
    if (found == failures_.end())
        return false;
    lastError = found->second;
    return true;
}

bool TFakeSerial::Known(HANDLE device) const {
    return open_.count(device) != 0;
}

void TFakeSerial::Record(std::string call) {
    calls_.push_back(std::move(call));
}

void TFakeSerial::Complete(OVERLAPPED& overlapped, DWORD status, DWORD transferred) {
    overlapped.Internal = status;
    overlapped.InternalHigh = transferred;
    if (!::SetEvent(overlapped.hEvent))
        ++completionsIntoReleasedRecords_;
}

void TFakeSerial::KeepWaitsOnNewMask(bool keep) {
    std::lock_guard<std::mutex> guard(lock_);
    keepWaitsOnNewMask_ = keep;
}

int TFakeSerial::CompletionsIntoReleasedRecords() const {
    std::lock_guard<std::mutex> guard(lock_);
    return completionsIntoReleasedRecords_;
}

void TFakeSerial::CompleteWait(DWORD bits, DWORD status) {
    *waitWord_ = status == 0 ? bits : 0;
    OVERLAPPED* record = waitRecord_;
    waitRecord_ = nullptr;
    waitWord_ = nullptr;
    Complete(*record, status, 0);
}

HANDLE TFakeSerial::Open(const std::wstring& deviceName) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("Open " + std::string(deviceName.begin(), deviceName.end()));
    if (Failing("Open"))
        return INVALID_HANDLE_VALUE;
    if (deviceName.empty()) {
        lastError = ERROR_PATH_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    static const std::set<std::wstring> kDevices = {L"COM1", L"COM2", L"COM3", L"COM4"};
    if (kDevices.count(deviceName) == 0) {
        lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    if (busy_.count(deviceName) != 0) {
        lastError = ERROR_ACCESS_DENIED;
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE device = reinterpret_cast<HANDLE>(nextHandle_);
    nextHandle_ += 4;
    open_.insert(device);
    mask_ = 0;
    return device;
}

void TFakeSerial::Close(HANDLE device) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("Close");
    open_.erase(device);
    if (waitRecord_ != nullptr)
        CompleteWait(0, ERROR_OPERATION_ABORTED);
}

DWORD TFakeSerial::LastError() {
    return lastError;
}

bool TFakeSerial::SetState(HANDLE device, const DCB& block) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("SetState");
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("SetState"))
        return false;
    state_ = block;
    return true;
}

bool TFakeSerial::GetTimeouts(HANDLE device, COMMTIMEOUTS& timeouts) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("GetTimeouts");
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("GetTimeouts"))
        return false;
    timeouts = timeouts_;
    return true;
}

bool TFakeSerial::SetTimeouts(HANDLE device, const COMMTIMEOUTS& timeouts) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("SetTimeouts");
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("SetTimeouts"))
        return false;
    timeouts_ = timeouts;
    return true;
}

bool TFakeSerial::Setup(HANDLE device, DWORD inQueue, DWORD outQueue) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("Setup " + std::to_string(inQueue) + " " + std::to_string(outQueue));
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    return !Failing("Setup");
}

bool TFakeSerial::ClearError(HANDLE device, DWORD& errors, COMSTAT& status) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("ClearError");
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("ClearError"))
        return false;
    errors = 0;
    status = COMSTAT{};
    status.cbInQue = static_cast<DWORD>(input_.size());
    return true;
}

bool TFakeSerial::Write(HANDLE device, const void* data, DWORD count, OVERLAPPED& overlapped) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("Write " + std::to_string(count));
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("Write"))
        return false;
    if (Failing("WriteResult")) {
        Complete(overlapped, lastError, 0);
        return FailWith(ERROR_IO_PENDING);
    }
    DWORD sent = count;
    if (writeLimit_ >= 0)
        sent = std::min<DWORD>(count, static_cast<DWORD>(writeLimit_));
    written_.append(static_cast<const char*>(data), sent);
    Complete(overlapped, 0, sent);
    return FailWith(ERROR_IO_PENDING);
}

bool TFakeSerial::Read(HANDLE device, void* data, DWORD count, OVERLAPPED& overlapped) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("Read " + std::to_string(count));
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("Read"))
        return false;
    if (Failing("ReadResult")) {
        Complete(overlapped, lastError, 0);
        return FailWith(ERROR_IO_PENDING);
    }
    const DWORD taken = std::min<DWORD>(count, static_cast<DWORD>(input_.size()));
    std::memcpy(data, input_.data(), taken);
    input_.erase(0, taken);
    Complete(overlapped, 0, taken);
    return true;
}

bool TFakeSerial::WaitEvent(HANDLE device, DWORD& eventMask, OVERLAPPED& overlapped) {
    std::lock_guard<std::mutex> guard(lock_);
    Record("WaitEvent");
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("WaitEvent"))
        return false;
    if (waitRecord_ != nullptr)
        return FailWith(ERROR_INVALID_PARAMETER);
    ::ResetEvent(overlapped.hEvent);
    overlapped.Internal = STATUS_PENDING;
    waitWord_ = &eventMask;
    waitRecord_ = &overlapped;
    if (Failing("WaitResult")) {
        CompleteWait(0, lastError);
    } else if ((raised_ & mask_) != 0) {
        const DWORD bits = raised_ & mask_;
        raised_ = 0;
        CompleteWait(bits, 0);
    }
    return FailWith(ERROR_IO_PENDING);
}

bool TFakeSerial::OverlappedResult(HANDLE, OVERLAPPED& overlapped, DWORD& transferred, bool wait) {
    if (wait)
        ::WaitForSingleObject(overlapped.hEvent, INFINITE);
    std::lock_guard<std::mutex> guard(lock_);
    Record("OverlappedResult");
    if (overlapped.Internal == STATUS_PENDING)
        return FailWith(ERROR_IO_INCOMPLETE);
    transferred = static_cast<DWORD>(overlapped.InternalHigh);
    if (overlapped.Internal != 0)
        return FailWith(static_cast<DWORD>(overlapped.Internal));
    return true;
}

bool TFakeSerial::SetMask(HANDLE device, DWORD mask) {
    std::lock_guard<std::mutex> guard(lock_);
    char text[32];
    std::snprintf(text, sizeof(text), "SetMask 0x%lX", static_cast<unsigned long>(mask));
    Record(text);
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("SetMask"))
        return false;
    mask_ = mask;
    // A new mask ends the pending wait, as the driver does.
    if (waitRecord_ != nullptr && !keepWaitsOnNewMask_)
        CompleteWait(0, ERROR_OPERATION_ABORTED);
    return true;
}

bool TFakeSerial::Purge(HANDLE device, DWORD flags) {
    std::lock_guard<std::mutex> guard(lock_);
    char text[32];
    std::snprintf(text, sizeof(text), "Purge 0x%02lX", static_cast<unsigned long>(flags));
    Record(text);
    if (!Known(device))
        return FailWith(ERROR_INVALID_HANDLE);
    if (Failing("Purge"))
        return false;
    if ((flags & PURGE_RXCLEAR) != 0)
        input_.clear();
    return true;
}

} // namespace tbtest
