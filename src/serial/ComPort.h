// TComPort: one serial device with its line settings as properties. Open programs the
// line and starts the event thread (TComThread), which delivers line events as the
// port's notifications on the user-interface thread. Writes block until the bytes went
// out (or the write time-out passed); reads return at once with what is queued.
#pragma once

#include "framework/Application.h"
#include "serial/LineSettings.h"
#include "serial/SerialPlatform.h"
#include "serial/SerialTypes.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tb {

class TComThread;
struct TEventWaitRecord;

class TComPort {
public:
    // `application` shows the settings dialog through its prompter; the current one by
    // default.
    explicit TComPort(std::wstring name = L"ComPort1",
                      std::shared_ptr<ISerialPlatform> platform = Win32SerialPlatform(),
                      TApplication* application = TApplication::Current());
    ~TComPort();
    TComPort(const TComPort&) = delete;
    TComPort& operator=(const TComPort&) = delete;

    const std::wstring& Name() const { return name_; }
    ISerialPlatform& Platform() const { return *platform_; }

    // Properties; they take effect at the next Open.
    TBaudRate BaudRate() const { return settings_.baudRate; }
    void SetBaudRate(TBaudRate value) { settings_.baudRate = value; }
    TPortType Port() const { return static_cast<TPortType>(port_); }
    void SetPort(TPortType value) { port_ = static_cast<std::uint8_t>(value); }
    // The port as a 0-based index; writing keeps the low 8 bits, unchecked.
    std::int32_t PortIdx() const { return port_; }
    void SetPortIdx(std::int32_t value) { port_ = static_cast<std::uint8_t>(value & 0xFF); }
    TParity Parity() const { return settings_.parity; }
    void SetParity(TParity value) { settings_.parity = value; }
    TStopBits StopBits() const { return settings_.stopBits; }
    void SetStopBits(TStopBits value) { settings_.stopBits = value; }
    TFlowControl FlowControl() const { return settings_.flowControl; }
    void SetFlowControl(TFlowControl value) { settings_.flowControl = value; }
    std::uint8_t DataBits() const { return settings_.dataBits; }
    // Values above 8 store 8, below 5 store 5.
    void SetDataBits(std::uint8_t value);
    TEvents Events() const { return events_; }
    void SetEvents(TEvents value) { events_ = value; }
    bool EnableDTR() const { return settings_.enableDtr; }
    void SetEnableDTR(bool value) { settings_.enableDtr = value; }
    std::int32_t WriteBufSize() const { return settings_.writeBufSize; }
    void SetWriteBufSize(std::int32_t value) { settings_.writeBufSize = value; }
    std::int32_t ReadBufSize() const { return settings_.readBufSize; }
    void SetReadBufSize(std::int32_t value) { settings_.readBufSize = value; }
    const TLineSettings& LineSettings() const { return settings_; }

    // Notifications, fired on the user-interface thread with this port as sender.
    TRxCharEvent OnRxChar;
    TNotifyEvent OnTxEmpty;
    TNotifyEvent OnBreak;
    TNotifyEvent OnRing;
    TNotifyEvent OnCTS;
    TNotifyEvent OnDSR;
    TNotifyEvent OnRLSD;
    TNotifyEvent OnRxFlag;
    TNotifyEvent OnError;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

    // "COM1".."COM4", or empty for a port ordinal without a device.
    std::wstring PortName() const;

    // Closes, opens the device, programs the line and starts the event thread. Throws
    // EComHandle, EComState or ERangeError; the port is then closed.
    void Open();
    // Stops the event thread (which purges both queues) and closes the device.
    void Close();
    bool Connected() const { return connected_; }
    HANDLE Handle() const { return handle_; }

    // Shows the Communication Settings dialog; true when the user confirmed. The choices
    // take effect at the next Open.
    bool ShowSetupDialog();

    // Bytes waiting in the driver's input queue; throws EComStatus.
    std::int32_t InQueCount();
    // Blocking write; the number of bytes written, 0 on any failure.
    std::int32_t Write(const void* data, std::int32_t count);
    std::int32_t WriteString(const std::string& text);
    // Reads up to `count` queued bytes into `text` without waiting; the number read.
    std::int32_t ReadString(std::string& text, std::int32_t count);
    // Abort and clear the receive / transmit side; failures are absorbed.
    void PurgeIn();
    void PurgeOut();

    // The running event thread, if any (tests).
    TComThread* Thread() const { return thread_.get(); }

private:
    void ApplySettings();
    void CloseDevice();
    void ReapRetiredThreads();
    // Frees the record of a wait the device did not end when asked, once the closed
    // handle has ended it.
    static void ReleaseStrandedWait(std::unique_ptr<TEventWaitRecord> stranded);
    bool Transfer(bool write, void* data, DWORD count, DWORD& done);

    std::wstring name_;
    std::shared_ptr<ISerialPlatform> platform_;
    TApplication* application_;
    TLineSettings settings_;
    std::uint8_t port_ = COM1;
    TEvents events_ = TEvents::All();
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool connected_ = false;
    std::unique_ptr<TComThread> thread_;
    // Threads stopped from inside their own notification; they end once it returns.
    std::vector<std::unique_ptr<TComThread>> retired_;
};

} // namespace tb
