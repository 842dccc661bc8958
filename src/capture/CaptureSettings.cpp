// Which of the control's values are stored and restored, and when: its devices and the
// video device's mode (their places in the store: StoredCaptureValues.h).
#include "capture/VideoCapture.h"

#include "capture/FormatText.h"
#include "capture/GuidText.h"
#include "capture/StoredCaptureValues.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <optional>

namespace tb {

std::wstring TVideoCapture::SettingsKeyName() const {
    if (auto* form = dynamic_cast<const TForm*>(Parent()))
        return form->Name() + L"\\" + Name();
    return Name();
}

TSettingsStore* TVideoCapture::Store() const {
    return services_.Settings ? services_.Settings() : nullptr;
}

// Writes the four names and indices and, while a video device is chosen, its current
// mode into its own section. Without an open store there is nowhere to write.
void TVideoCapture::SaveSettings() {
    TSettingsStore* const open = Store();
    if (open == nullptr)
        return;
    TStoredCaptureValues stored(*open, SettingsKeyName());
    // The names the user chose, also while a chosen device is absent or failed to start.
    const std::int32_t videoDeviceIndex = CurrentVideoDeviceIndex();
    stored.WriteDevices({ChosenName(TDeviceCategory::VideoDevice),
                         ChosenName(TDeviceCategory::AudioDevice),
                         ChosenName(TDeviceCategory::VideoCompressor),
                         ChosenName(TDeviceCategory::AudioCompressor)},
                        {videoDeviceIndex, CurrentAudioDeviceIndex(), CurrentVideoCompressorIndex(),
                         CurrentAudioCompressorIndex()});
    if (videoDeviceIndex < 0)
        return;
    VideoFormat format;
    GetVideoFormat(format);
    // A mode that cannot be read (no graph: the device failed to start) is not the
    // device's mode: the one stored before stays.
    if (format.Width <= 0 || format.Height <= 0)
        return;
    stored.WriteMode(CurrentVideoDeviceName(), format, UserDecimalSeparator());
}

// The stored name of each kind in the control's section. A missing or empty value (and
// no open store at all) leaves the current choice's name, so a control keeps devices
// chosen before when nothing is stored.
std::wstring TVideoCapture::ReadSavedName(TDeviceCategory kind) {
    if (TSettingsStore* store = Store(); store != nullptr) {
        if (auto name = TStoredCaptureValues(*store, SettingsKeyName()).ReadName(kind))
            return *name;
    }
    return CurrentName(kind);
}

std::wstring TVideoCapture::ReadSavedVideoDeviceName() {
    return ReadSavedName(TDeviceCategory::VideoDevice);
}
std::wstring TVideoCapture::ReadSavedAudioDeviceName() {
    return ReadSavedName(TDeviceCategory::AudioDevice);
}
std::wstring TVideoCapture::ReadSavedVideoCompressorName() {
    return ReadSavedName(TDeviceCategory::VideoCompressor);
}
std::wstring TVideoCapture::ReadSavedAudioCompressorName() {
    return ReadSavedName(TDeviceCategory::AudioCompressor);
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
    TSettingsStore* const store = Store();
    std::optional<TStoredCaptureValues> stored;
    if (store != nullptr)
        stored.emplace(*store, SettingsKeyName());

    if (stored) {
        TReinitOnSelectBatch batch(*this);
        if (auto name = stored->ReadName(TDeviceCategory::AudioDevice))
            SelectAudioDeviceByName(*name);
        if (auto name = stored->ReadName(TDeviceCategory::VideoCompressor))
            SelectVideoCompressorByName(*name);
        if (auto name = stored->ReadName(TDeviceCategory::AudioCompressor))
            SelectAudioCompressorByName(*name);
    }

    format.Width = Width();
    format.Height = Height();
    format.BitCount = pixelFormat_ == TPixelFormat::pf8bit ? 8 : 24;
    const bool rateStored =
        stored && stored->ReadMode(videoDevice, format,
                                   [this](const std::wstring& value, const std::wstring& text) {
                                       ReportBadIdentifier(value, text);
                                   });
    if (!rateStored)
        format.FrameRate = VideoFrameRate();
}

// A stored identifier that is not identifier text is reported once, as the conversion
// error it is, and then counts as missing: the initialisation goes on with the device's
// own mode, and the next save stores a valid identifier again.
void TVideoCapture::ReportBadIdentifier(const std::wstring& value, const std::wstring& text) {
    const std::wstring reported = value + L"=" + text;
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
