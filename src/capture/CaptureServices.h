// What the capture control asks of the program around it, handed in as one set at
// construction (the real ones by default): the application that shows its message boxes
// and modal dialogs and reports its errors, the settings store it keeps its values in,
// and the device catalogue it picks its devices from.
//
// Which window owns a message box: the program's window in front when the program is in
// front, else the program's focused form, else none (TApplication::MessageBox). The
// control's own boxes follow that one rule; its modal dialogs (driver dialogs, property
// frames, the Devices and Compressors dialog) are owned by the control's window.
#pragma once

#include <functional>

namespace tb {

class TApplication;
class TDevices;
class TSettingsStore;

struct TCaptureServices {
    // Message boxes, modal dialogs and the general error report. None: the platform's own
    // message box, dialogs shown directly, errors not reported.
    TApplication* Application = nullptr;
    // The open settings store at the moment of asking; none (or none answered): nothing
    // is read or written.
    std::function<TSettingsStore*()> Settings;
    // The catalogue the control picks its devices from and records itself in as a video
    // device's user; it must outlive the control. None: no device by name or index.
    TDevices* Devices = nullptr;
};

// The program-wide device catalogue while its module lives; none before and after.
TDevices* DefaultDevices();

// The real services: the current application, the program's settings store while it is
// open, and `devices`.
TCaptureServices DefaultCaptureServices(TDevices* devices = DefaultDevices());

} // namespace tb
