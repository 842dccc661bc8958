// The control's devices and video modes in the settings store.
#include "capture/VideoCapture.h"

#include "framework/Form.h"

namespace tb {

std::wstring TVideoCapture::SettingsKeyName() const {
    if (auto* form = dynamic_cast<const TForm*>(Parent()))
        return form->Name() + L"\\" + Name();
    return Name();
}

// Writes the device names and indices and the current device's video mode (not built
// yet).
void TVideoCapture::SaveSettings() {}

// The stored names, or the current ones when nothing is stored (not built yet: the
// current ones).
std::wstring TVideoCapture::ReadSavedVideoDeviceName() {
    return CurrentVideoDeviceName();
}
std::wstring TVideoCapture::ReadSavedAudioDeviceName() {
    return CurrentAudioDeviceName();
}
std::wstring TVideoCapture::ReadSavedVideoCompressorName() {
    return CurrentVideoCompressorName();
}
std::wstring TVideoCapture::ReadSavedAudioCompressorName() {
    return CurrentAudioCompressorName();
}

// Restores the stored audio device and compressors and reads the current video device's
// stored mode (not built yet: the cleared record).
void TVideoCapture::LoadFormatSettings(VideoFormat& format) {
    format = VideoFormat{};
}

} // namespace tb
