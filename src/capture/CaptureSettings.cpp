// The control's devices and video modes in the settings store.
#include "capture/VideoCapture.h"

#include "devices/DeviceCatalogue.h"
#include "framework/Form.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

// Value names in the control's section.
constexpr wchar_t kVideoDeviceName[] = L"VideoDeviceName";
constexpr wchar_t kAudioDeviceName[] = L"AudioDeviceName";
constexpr wchar_t kVideoCompressorName[] = L"VideoCompressorName";
constexpr wchar_t kAudioCompressorName[] = L"AudioCompressorName";

} // namespace

std::wstring TVideoCapture::SettingsKeyName() const {
    if (auto* form = dynamic_cast<const TForm*>(Parent()))
        return form->Name() + L"\\" + Name();
    return Name();
}

// Writes the device names and indices and the current device's video mode (not built
// yet).
void TVideoCapture::SaveSettings() {}

// The stored name of each kind in the control's section. A missing or empty value (and
// no open store at all) leaves the current choice's name, so a control keeps devices
// chosen before when nothing is stored.
std::wstring TVideoCapture::ReadSavedName(const wchar_t* valueName, TDeviceCategory kind) {
    std::wstring name;
    if (SettingsOpen() && Settings().RegReadString(SettingsKeyName(), valueName, name))
        return name;
    return CurrentName(kind);
}

std::wstring TVideoCapture::ReadSavedVideoDeviceName() {
    return ReadSavedName(kVideoDeviceName, TDeviceCategory::VideoDevice);
}
std::wstring TVideoCapture::ReadSavedAudioDeviceName() {
    return ReadSavedName(kAudioDeviceName, TDeviceCategory::AudioDevice);
}
std::wstring TVideoCapture::ReadSavedVideoCompressorName() {
    return ReadSavedName(kVideoCompressorName, TDeviceCategory::VideoCompressor);
}
std::wstring TVideoCapture::ReadSavedAudioCompressorName() {
    return ReadSavedName(kAudioCompressorName, TDeviceCategory::AudioCompressor);
}

// Restores the stored audio device and compressors and reads the current video device's
// stored mode (not built yet: the cleared record).
void TVideoCapture::LoadFormatSettings(VideoFormat& format) {
    format = VideoFormat{};
}

} // namespace tb
