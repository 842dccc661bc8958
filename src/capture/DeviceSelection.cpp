// Choosing the devices and compressors, reporting the choices as catalogue positions
// and names, and giving the devices up.
#include "capture/VideoCapture.h"

#include "devices/DeviceCatalogue.h"

namespace tb {

namespace {

constexpr TDeviceCategory kVideoDevice = TDeviceCategory::VideoDevice;
constexpr TDeviceCategory kAudioDevice = TDeviceCategory::AudioDevice;
constexpr TDeviceCategory kVideoCompressor = TDeviceCategory::VideoCompressor;
constexpr TDeviceCategory kAudioCompressor = TDeviceCategory::AudioCompressor;

bool IsCaptureDevice(TDeviceCategory kind) {
    return kind == kVideoDevice || kind == kAudioDevice;
}

} // namespace

// ---- The four choices -------------------------------------------------------------

Microsoft::WRL::ComPtr<IMoniker>& TVideoCapture::Choice(TDeviceCategory kind) {
    switch (kind) {
    case kVideoDevice:
        return videoDevice_;
    case kAudioDevice:
        return audioDevice_;
    case kVideoCompressor:
        return videoCompressor_;
    case kAudioCompressor:
        break;
    }
    return audioCompressor_;
}

const Microsoft::WRL::ComPtr<IMoniker>& TVideoCapture::Choice(TDeviceCategory kind) const {
    return const_cast<TVideoCapture*>(this)->Choice(kind);
}

// Stores the moniker (releasing the one held before) and the name the choice goes by in
// the settings. With ReinitOnSelect on, the graph is initialised for the new choice and
// the change event announces it afterwards, whether the initialisation succeeded or not.
bool TVideoCapture::Select(TDeviceCategory kind, ComPtr<IMoniker> moniker, std::wstring name) {
    Choice(kind) = std::move(moniker);
    ChosenName(kind) = std::move(name);
    if (!reinitOnSelect_)
        return true;
    const bool result = InitGraph();
    Fire(IsCaptureDevice(kind) ? OnChangeDevice : OnChangeCompressor);
    return result;
}

bool TVideoCapture::Select(TDeviceCategory kind, ComPtr<IMoniker> moniker) {
    std::wstring name;
    if (moniker && services_.Devices != nullptr)
        name = services_.Devices->NameOf(kind, moniker.Get());
    return Select(kind, std::move(moniker), std::move(name));
}

// A name the catalogue does not know selects nothing: the choice becomes empty, while
// the name stays the one to store, so a device that is absent now (unplugged, or
// failing) is taken again when it is back.
bool TVideoCapture::SelectByName(TDeviceCategory kind, const std::wstring& name) {
    if (kind == kVideoDevice)
        ClearVideoDeviceUser();
    return Select(
        kind, services_.Devices != nullptr ? services_.Devices->ByName(kind, name) : nullptr, name);
}

// An index outside the catalogue chooses nothing, and nothing is what is stored.
bool TVideoCapture::SelectByIndex(TDeviceCategory kind, std::int32_t index) {
    if (kind == kVideoDevice)
        ClearVideoDeviceUser();
    return Select(kind,
                  services_.Devices != nullptr ? services_.Devices->ByIndex(kind, index) : nullptr);
}

std::wstring& TVideoCapture::ChosenName(TDeviceCategory kind) {
    return chosenNames_[static_cast<std::size_t>(kind)];
}

const std::wstring& TVideoCapture::ChosenName(TDeviceCategory kind) const {
    return chosenNames_[static_cast<std::size_t>(kind)];
}

// The position of the catalogue entry holding the very moniker object the control
// holds; -1 without a choice or when no entry holds it.
std::int32_t TVideoCapture::CurrentIndex(TDeviceCategory kind) const {
    const ComPtr<IMoniker>& choice = Choice(kind);
    if (!choice || services_.Devices == nullptr)
        return -1;
    return services_.Devices->IndexOf(kind, choice.Get());
}

std::wstring TVideoCapture::CurrentName(TDeviceCategory kind) const {
    const ComPtr<IMoniker>& choice = Choice(kind);
    if (!choice || services_.Devices == nullptr)
        return {};
    return services_.Devices->NameOf(kind, choice.Get());
}

// ---- By moniker -------------------------------------------------------------------

bool TVideoCapture::SelectVideoDevice(ComPtr<IMoniker> moniker) {
    return Select(kVideoDevice, std::move(moniker));
}
bool TVideoCapture::SelectAudioDevice(ComPtr<IMoniker> moniker) {
    return Select(kAudioDevice, std::move(moniker));
}
bool TVideoCapture::SelectVideoCompressor(ComPtr<IMoniker> moniker) {
    return Select(kVideoCompressor, std::move(moniker));
}
bool TVideoCapture::SelectAudioCompressor(ComPtr<IMoniker> moniker) {
    return Select(kAudioCompressor, std::move(moniker));
}

// ---- By catalogue name (exact, case-sensitive) ------------------------------------

bool TVideoCapture::SelectVideoDeviceByName(const std::wstring& name) {
    return SelectByName(kVideoDevice, name);
}
bool TVideoCapture::SelectAudioDeviceByName(const std::wstring& name) {
    return SelectByName(kAudioDevice, name);
}
bool TVideoCapture::SelectVideoCompressorByName(const std::wstring& name) {
    return SelectByName(kVideoCompressor, name);
}
bool TVideoCapture::SelectAudioCompressorByName(const std::wstring& name) {
    return SelectByName(kAudioCompressor, name);
}

// ---- By catalogue position (-1 chooses nothing) -----------------------------------

bool TVideoCapture::SelectVideoDeviceByIndex(std::int32_t index) {
    return SelectByIndex(kVideoDevice, index);
}
bool TVideoCapture::SelectAudioDeviceByIndex(std::int32_t index) {
    return SelectByIndex(kAudioDevice, index);
}
bool TVideoCapture::SelectVideoCompressorByIndex(std::int32_t index) {
    return SelectByIndex(kVideoCompressor, index);
}
bool TVideoCapture::SelectAudioCompressorByIndex(std::int32_t index) {
    return SelectByIndex(kAudioCompressor, index);
}

// ---- Queries ----------------------------------------------------------------------

std::int32_t TVideoCapture::CurrentVideoDeviceIndex() const {
    return CurrentIndex(kVideoDevice);
}
std::int32_t TVideoCapture::CurrentAudioDeviceIndex() const {
    return CurrentIndex(kAudioDevice);
}
std::int32_t TVideoCapture::CurrentVideoCompressorIndex() const {
    return CurrentIndex(kVideoCompressor);
}
std::int32_t TVideoCapture::CurrentAudioCompressorIndex() const {
    return CurrentIndex(kAudioCompressor);
}
std::wstring TVideoCapture::CurrentVideoDeviceName() const {
    return CurrentName(kVideoDevice);
}
std::wstring TVideoCapture::CurrentAudioDeviceName() const {
    return CurrentName(kAudioDevice);
}
std::wstring TVideoCapture::CurrentVideoCompressorName() const {
    return CurrentName(kVideoCompressor);
}
std::wstring TVideoCapture::CurrentAudioCompressorName() const {
    return CurrentName(kAudioCompressor);
}

// ---- Giving the devices up --------------------------------------------------------

// "Clear capture": the user gives both capture devices up, and that is what is stored
// at once (a later return of the focus must not bring them back).
void TVideoCapture::ClearCapture() {
    ChosenName(kVideoDevice).clear();
    ChosenName(kAudioDevice).clear();
    CloseDevices();
}

// Saves the choices in force first, then forgets both capture devices; the compressor
// choices stay for the next video device. The stored names stay what the user chose: a
// device given up because it failed is taken again at the next initialisation.
void TVideoCapture::CloseDevices() {
    SaveSettings();
    TearDownGraph();
    videoDevice_.Reset();
    audioDevice_.Reset();
    ReleaseGraphObjects();
    ClearVideoDeviceUser();
    BuildPopupMenu();
}

// Records the control as the user of its current video device. A control uses one video
// device at a time, so any slot still naming it from an earlier device is cleared first.
void TVideoCapture::RegisterAsVideoDeviceUser() {
    if (services_.Devices == nullptr)
        return;
    services_.Devices->ClearVideoDeviceUser(this);
    services_.Devices->SetVideoDeviceUser(CurrentVideoDeviceIndex(), this);
}

void TVideoCapture::ClearVideoDeviceUser() {
    if (services_.Devices != nullptr)
        services_.Devices->ClearVideoDeviceUser(this);
}

} // namespace tb
