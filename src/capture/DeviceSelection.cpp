// Choosing the devices and compressors, and giving them up.
#include "capture/VideoCapture.h"

namespace tb {

bool TVideoCapture::SelectVideoDevice(ComPtr<IMoniker> moniker) {
    videoDevice_ = std::move(moniker);
    if (!reinitOnSelect_)
        return true;
    const bool result = InitGraph();
    Fire(OnChangeDevice);
    return result;
}

bool TVideoCapture::SelectAudioDevice(ComPtr<IMoniker> moniker) {
    audioDevice_ = std::move(moniker);
    if (!reinitOnSelect_)
        return true;
    const bool result = InitGraph();
    Fire(OnChangeDevice);
    return result;
}

bool TVideoCapture::SelectVideoCompressor(ComPtr<IMoniker> moniker) {
    videoCompressor_ = std::move(moniker);
    if (!reinitOnSelect_)
        return true;
    const bool result = InitGraph();
    Fire(OnChangeCompressor);
    return result;
}

bool TVideoCapture::SelectAudioCompressor(ComPtr<IMoniker> moniker) {
    audioCompressor_ = std::move(moniker);
    if (!reinitOnSelect_)
        return true;
    const bool result = InitGraph();
    Fire(OnChangeCompressor);
    return result;
}

// The selections by name and by index look the entry up in the device catalogue and
// select its moniker; the catalogue is not joined to the control yet, so they select
// nothing.
bool TVideoCapture::SelectVideoDeviceByName(const std::wstring&) {
    return false;
}
bool TVideoCapture::SelectAudioDeviceByName(const std::wstring&) {
    return false;
}
bool TVideoCapture::SelectVideoCompressorByName(const std::wstring&) {
    return false;
}
bool TVideoCapture::SelectAudioCompressorByName(const std::wstring&) {
    return false;
}
bool TVideoCapture::SelectVideoDeviceByIndex(std::int32_t) {
    return false;
}
bool TVideoCapture::SelectAudioDeviceByIndex(std::int32_t) {
    return false;
}
bool TVideoCapture::SelectVideoCompressorByIndex(std::int32_t) {
    return false;
}
bool TVideoCapture::SelectAudioCompressorByIndex(std::int32_t) {
    return false;
}

// The catalogue positions and names of the held monikers (catalogue not joined yet).
std::int32_t TVideoCapture::CurrentVideoDeviceIndex() const {
    return -1;
}
std::int32_t TVideoCapture::CurrentAudioDeviceIndex() const {
    return -1;
}
std::int32_t TVideoCapture::CurrentVideoCompressorIndex() const {
    return -1;
}
std::int32_t TVideoCapture::CurrentAudioCompressorIndex() const {
    return -1;
}
std::wstring TVideoCapture::CurrentVideoDeviceName() const {
    return {};
}
std::wstring TVideoCapture::CurrentAudioDeviceName() const {
    return {};
}
std::wstring TVideoCapture::CurrentVideoCompressorName() const {
    return {};
}
std::wstring TVideoCapture::CurrentAudioCompressorName() const {
    return {};
}

void TVideoCapture::CloseDevices() {
    SaveSettings();
    TearDownGraph();
    videoDevice_.Reset();
    audioDevice_.Reset();
    ReleaseGraphObjects();
    ClearVideoDeviceUser();
    BuildPopupMenu();
}

// Records the control as the user of its video device in the catalogue (catalogue not
// joined yet).
void TVideoCapture::RegisterAsVideoDeviceUser() {}

// Removes the control from the catalogue's video device users (catalogue not joined yet).
void TVideoCapture::ClearVideoDeviceUser() {}

} // namespace tb
