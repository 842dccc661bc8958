// The control's devices and video modes in the settings store.
#include "capture/VideoCapture.h"

#include "capture/FormatText.h"
#include "capture/GuidText.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <optional>

namespace tb {

namespace {

// Value names in the control's section.
constexpr wchar_t kVideoDeviceName[] = L"VideoDeviceName";
constexpr wchar_t kAudioDeviceName[] = L"AudioDeviceName";
constexpr wchar_t kVideoCompressorName[] = L"VideoCompressorName";
constexpr wchar_t kAudioCompressorName[] = L"AudioCompressorName";
constexpr wchar_t kVideoDeviceIdx[] = L"VideoDeviceIdx";
constexpr wchar_t kAudioDeviceIdx[] = L"AudioDeviceIdx";
constexpr wchar_t kVideoCompressorIdx[] = L"VideoCompressorIdx";
constexpr wchar_t kAudioCompressorIdx[] = L"AudioCompressorIdx";

// Value names in a video device's format section.
constexpr wchar_t kVideoWidth[] = L"VideoWidth";
constexpr wchar_t kVideoHeight[] = L"VideoHeight";
constexpr wchar_t kVideoBitCount[] = L"VideoBitCount";
constexpr wchar_t kVideoFrameRate[] = L"VideoFrameRate";
constexpr wchar_t kVideoSubType[] = L"VideoSubType";
constexpr wchar_t kVideoFormatType[] = L"VideoFormatType";
constexpr wchar_t kVideoFormatString[] = L"VideoFormatString";

// The section of one video device's mode, below the control's section; a backslash in the
// device name reaches deeper levels.
std::wstring FormatSection(const std::wstring& controlSection, const std::wstring& videoDevice) {
    return controlSection + L"\\" + videoDevice;
}

// The largest frame side a stored mode may ask for; anything larger (or not positive) is
// not a mode but a damaged value.
constexpr std::int32_t kLargestVideoSide = 16384;

bool PlausibleVideoSide(std::int32_t side) {
    return side > 0 && side <= kLargestVideoSide;
}

} // namespace

std::wstring TVideoCapture::SettingsKeyName() const {
    if (auto* form = dynamic_cast<const TForm*>(Parent()))
        return form->Name() + L"\\" + Name();
    return Name();
}

// Writes the four names and indices and, while a video device is chosen, its current
// mode into its own section. Whatever the mode reads (zeros without a graph) is stored.
// Without an open store there is nowhere to write.
TSettingsStore* TVideoCapture::Store() const {
    return services_.Settings ? services_.Settings() : nullptr;
}

void TVideoCapture::SaveSettings() {
    TSettingsStore* const open = Store();
    if (open == nullptr)
        return;
    TSettingsStore& store = *open;
    const std::wstring section = SettingsKeyName();
    const std::wstring videoDevice = CurrentVideoDeviceName();

    // The names the user chose, also while a chosen device is absent or failed to start.
    store.RegWriteString(section, kVideoDeviceName, ChosenName(TDeviceCategory::VideoDevice));
    store.RegWriteString(section, kAudioDeviceName, ChosenName(TDeviceCategory::AudioDevice));
    store.RegWriteString(section, kVideoCompressorName,
                         ChosenName(TDeviceCategory::VideoCompressor));
    store.RegWriteString(section, kAudioCompressorName,
                         ChosenName(TDeviceCategory::AudioCompressor));

    const std::int32_t videoDeviceIndex = CurrentVideoDeviceIndex();
    store.RegWriteInteger(section, kVideoDeviceIdx, videoDeviceIndex);
    store.RegWriteInteger(section, kAudioDeviceIdx, CurrentAudioDeviceIndex());
    store.RegWriteInteger(section, kVideoCompressorIdx, CurrentVideoCompressorIndex());
    store.RegWriteInteger(section, kAudioCompressorIdx, CurrentAudioCompressorIndex());

    if (videoDeviceIndex < 0)
        return;
    VideoFormat format;
    GetVideoFormat(format);
    // A mode that cannot be read (no graph: the device failed to start) is not the
    // device's mode: the one stored before stays.
    if (format.Width <= 0 || format.Height <= 0)
        return;
    const std::wstring formatSection = FormatSection(section, videoDevice);
    store.RegWriteInteger(formatSection, kVideoWidth, format.Width);
    store.RegWriteInteger(formatSection, kVideoHeight, format.Height);
    store.RegWriteInteger(formatSection, kVideoBitCount, format.BitCount);
    store.RegWriteFloat(formatSection, kVideoFrameRate, format.FrameRate);
    store.RegWriteString(formatSection, kVideoSubType, GuidText(format.Subtype));
    store.RegWriteString(formatSection, kVideoFormatType, GuidText(format.FormatType));
    store.RegWriteString(formatSection, kVideoFormatString,
                         tb::VideoFormatText(format, UserDecimalSeparator()));
}

// The stored name of each kind in the control's section. A missing or empty value (and
// no open store at all) leaves the current choice's name, so a control keeps devices
// chosen before when nothing is stored.
std::wstring TVideoCapture::ReadSavedName(const wchar_t* valueName, TDeviceCategory kind) {
    std::wstring name;
    if (TSettingsStore* store = Store();
        store != nullptr && store->RegReadString(SettingsKeyName(), valueName, name))
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

// Restores the stored audio device and compressors by name (without re-initialising)
// and reads the current video device's stored mode, each field falling back to its own
// default: the control's size, 8 or 24 bits after PixelFormat, the device's current rate,
// and the pin's own subtype and format type. A stored identifier that is not identifier
// text raises EConvertError, which ends the initialisation in progress.
void TVideoCapture::LoadFormatSettings(VideoFormat& format) {
    format = VideoFormat{};
    const std::wstring videoDevice = CurrentVideoDeviceName();
    if (videoDevice.empty() || CurrentVideoDeviceIndex() < 0)
        return;
    TSettingsStore* const stored = Store();
    const std::wstring section = SettingsKeyName();

    if (stored != nullptr) {
        TSettingsStore& store = *stored;
        TReinitOnSelectBatch batch(*this);
        std::wstring name;
        if (store.RegReadString(section, kAudioDeviceName, name))
            SelectAudioDeviceByName(name);
        name.clear();
        if (store.RegReadString(section, kVideoCompressorName, name))
            SelectVideoCompressorByName(name);
        name.clear();
        if (store.RegReadString(section, kAudioCompressorName, name))
            SelectAudioCompressorByName(name);
    }

    format.Width = Width();
    format.Height = Height();
    format.BitCount = pixelFormat_ == TPixelFormat::pf8bit ? 8 : 24;
    bool rateStored = false;
    if (stored != nullptr) {
        TSettingsStore& store = *stored;
        const std::wstring formatSection = FormatSection(section, videoDevice);
        // A damaged size counts as missing, each side on its own.
        std::int32_t side = 0;
        if (store.RegReadInteger(formatSection, kVideoWidth, side) && PlausibleVideoSide(side))
            format.Width = side;
        if (store.RegReadInteger(formatSection, kVideoHeight, side) && PlausibleVideoSide(side))
            format.Height = side;
        std::int32_t bitCount = format.BitCount;
        if (store.RegReadInteger(formatSection, kVideoBitCount, bitCount))
            format.BitCount = static_cast<std::uint16_t>(bitCount & 0xFFFF);
        rateStored = store.RegReadFloat(formatSection, kVideoFrameRate, format.FrameRate);
        ReadStoredGuid(store, formatSection, kVideoSubType, format.Subtype);
        ReadStoredGuid(store, formatSection, kVideoFormatType, format.FormatType);
    }
    if (!rateStored)
        format.FrameRate = VideoFrameRate();
}

// A stored identifier text, parsed; a missing (or empty) value leaves the default. A text
// that is not an identifier is reported once, as the conversion error it is, and then
// counts as missing: the initialisation goes on with the device's own mode, and the next
// save stores a valid identifier again.
void TVideoCapture::ReadStoredGuid(TSettingsStore& store, const std::wstring& section,
                                   const wchar_t* name, GUID& id) {
    std::wstring text;
    if (!store.RegReadString(section, name, text))
        return;
    if (const std::optional<GUID> parsed = ParseGuidText(text)) {
        id = *parsed;
        return;
    }
    const std::wstring reported = section + L"\\" + name + L"=" + text;
    if (std::find(reportedValues_.begin(), reportedValues_.end(), reported) !=
        reportedValues_.end())
        return;
    reportedValues_.push_back(reported);
    try {
        StringToGuid(text);
    } catch (const EConvertError& error) {
        if (services_.Application != nullptr)
            services_.Application->HandleException(error);
    }
}

} // namespace tb
