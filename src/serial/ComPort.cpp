#include "serial/ComPort.h"

#include "serial/ComErrors.h"
#include "serial/ComThread.h"

#include <algorithm>

namespace tb {

TComPort::TComPort(std::wstring name, std::shared_ptr<ISerialPlatform> platform,
                   TApplication* application)
    : name_(std::move(name)), platform_(std::move(platform)), application_(application) {}

TComPort::~TComPort() {
    Close();
    // A thread stopped from inside its own notification that is still delivering it (the
    // port is being destroyed by that very handler) cannot be waited for here without a
    // deadlock; it ends on its own without touching the port again.
    for (auto& thread : retired_)
        if (thread->Dispatching())
            (void)thread.release();
    retired_.clear();
}

void TComPort::SetDataBits(std::uint8_t value) {
    if (value == settings_.dataBits)
        return;
    settings_.dataBits = ClampDataBits(value);
}

std::wstring TComPort::PortName() const {
    return PortNameFor(port_);
}

void TComPort::Open() {
    Close();
    ReapRetiredThreads();
    const std::wstring name = PortName();
    const HANDLE device = platform_->Open(name);
    if (device == INVALID_HANDLE_VALUE || device == nullptr)
        throw OpenError(name, platform_->LastError());
    handle_ = device;
    try {
        ApplySettings();
        thread_ = std::make_unique<TComThread>(*this);
    } catch (...) {
        // A handle left open would keep the device busy for every later Open.
        CloseDevice();
        throw;
    }
    connected_ = true;
    if (OnOpen)
        OnOpen(*this);
}

void TComPort::ApplySettings() {
    const DCB block = BuildDeviceControlBlock(settings_);
    if (!platform_->SetState(handle_, block))
        throw StateError(platform_->LastError());
    COMMTIMEOUTS timeouts{};
    if (!platform_->GetTimeouts(handle_, timeouts))
        throw StateError(platform_->LastError());
    timeouts = PortTimeouts();
    if (!platform_->SetTimeouts(handle_, timeouts))
        throw StateError(platform_->LastError());
    if (!platform_->Setup(handle_, static_cast<DWORD>(settings_.readBufSize),
                          static_cast<DWORD>(settings_.writeBufSize)))
        throw StateError(platform_->LastError());
}

void TComPort::Close() {
    if (!connected_)
        return;
    // Cleared first: a notification delivered while this waits for the event thread sees
    // the port closing, and a Close from such a handler does nothing more.
    connected_ = false;
    std::unique_ptr<TEventWaitRecord> stranded;
    if (thread_ && thread_->Dispatching()) {
        // Closing from inside this port's own notification: the event thread is blocked
        // until the notification returns, so it cannot be waited for now. It is told to
        // end without touching the device, and the queues are purged here instead.
        thread_->Abandon();
        PurgeIn();
        PurgeOut();
        retired_.push_back(std::move(thread_));
    } else {
        if (thread_) {
            thread_->Stop();
            stranded = thread_->TakeStrandedWait();
        }
        thread_.reset();
    }
    CloseDevice();
    ReleaseStrandedWait(std::move(stranded));
    if (OnClose)
        OnClose(*this);
}

void TComPort::ReleaseStrandedWait(std::unique_ptr<TEventWaitRecord> stranded) {
    if (!stranded)
        return;
    // Closing the handle ends the wait; the device writes its completion into the record
    // shortly after. Should it still not have, the record is left to it for good: a few
    // bytes lost are better than a late completion written into freed memory.
    if (::WaitForSingleObject(stranded->event.Get(), 1000) != WAIT_OBJECT_0)
        (void)stranded.release();
}

void TComPort::CloseDevice() {
    if (handle_ != INVALID_HANDLE_VALUE) {
        platform_->Close(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
}

void TComPort::ReapRetiredThreads() {
    retired_.erase(std::remove_if(retired_.begin(), retired_.end(),
                                  [](const std::unique_ptr<TComThread>& thread) {
                                      return !thread->Dispatching();
                                  }),
                   retired_.end());
}

std::int32_t TComPort::InQueCount() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!platform_->ClearError(handle_, errors, status))
        throw StatusError(platform_->LastError());
    return static_cast<std::int32_t>(status.cbInQue);
}

bool TComPort::Transfer(bool write, void* data, DWORD count, DWORD& done) {
    done = 0;
    UniqueHandle event(::CreateEventW(nullptr, TRUE, TRUE, nullptr));
    if (!event)
        return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    const bool started = write ? platform_->Write(handle_, data, count, overlapped)
                               : platform_->Read(handle_, data, count, overlapped);
    // An operation that did not start is never completed: waiting for it would hang.
    if (!started && platform_->LastError() != ERROR_IO_PENDING)
        return false;
    ::WaitForSingleObject(event.Get(), INFINITE);
    return platform_->OverlappedResult(handle_, overlapped, done, false);
}

std::int32_t TComPort::Write(const void* data, std::int32_t count) {
    if (count <= 0 || data == nullptr || handle_ == INVALID_HANDLE_VALUE)
        return 0;
    DWORD done = 0;
    // A failed write is absorbed: the caller sees 0.
    if (!Transfer(true, const_cast<void*>(data), static_cast<DWORD>(count), done))
        return 0;
    return static_cast<std::int32_t>(done);
}

std::int32_t TComPort::WriteString(const std::string& text) {
    return Write(text.data(), static_cast<std::int32_t>(text.size()));
}

std::int32_t TComPort::ReadString(std::string& text, std::int32_t count) {
    if (count <= 0)
        return 0;
    text.resize(static_cast<size_t>(count));
    if (handle_ == INVALID_HANDLE_VALUE) {
        text.clear();
        return 0;
    }
    // Only what is already queued is asked for: an overlapped read of an empty queue
    // would wait for the next byte on some drivers, blocking the caller.
    DWORD errors = 0;
    COMSTAT status{};
    if (!platform_->ClearError(handle_, errors, status)) {
        text.clear();
        return 0;
    }
    const DWORD wanted = std::min<DWORD>(static_cast<DWORD>(count), status.cbInQue);
    DWORD done = 0;
    if (wanted == 0 || !Transfer(false, text.data(), wanted, done)) {
        text.clear();
        return 0;
    }
    text.resize(done);
    return static_cast<std::int32_t>(done);
}

void TComPort::PurgeIn() {
    // Failures are absorbed.
    (void)platform_->Purge(handle_, PURGE_RXABORT | PURGE_RXCLEAR);
}

void TComPort::PurgeOut() {
    (void)platform_->Purge(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
}

} // namespace tb
