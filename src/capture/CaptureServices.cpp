// The capture control's real services. This is the one place where capture code reaches
// the program's application object, its settings store and its device catalogue; the
// control itself only uses what it was handed.
#include "capture/CaptureServices.h"

#include "devices/DevicesModule.h"
#include "framework/Application.h"
#include "settings/SettingsStore.h"

namespace tb {

TDevices* DefaultDevices() {
    return HasDevices() ? &Devices() : nullptr;
}

TCaptureServices DefaultCaptureServices(TDevices* devices) {
    TCaptureServices services;
    services.Application = TApplication::Current();
    services.Settings = []() -> TSettingsStore* { return SettingsOpen() ? &Settings() : nullptr; };
    services.Devices = devices;
    return services;
}

} // namespace tb
