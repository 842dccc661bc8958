#include "capture/StoredCaptureValues.h"

#include "capture/FormatText.h"
#include "capture/GuidText.h"
#include "devices/DeviceCatalogue.h"
#include "settings/SettingsStore.h"

namespace tb {

namespace {

// Value names in the control's section, by catalogue order of the kinds.
constexpr const wchar_t* kDeviceName[] = {L"VideoDeviceName", L"AudioDeviceName",
                                          L"VideoCompressorName", L"AudioCompressorName"};
constexpr const wchar_t* kDeviceIdx[] = {L"VideoDeviceIdx", L"AudioDeviceIdx",
                                         L"VideoCompressorIdx", L"AudioCompressorIdx"};

// Value names in a video device's mode section.
constexpr wchar_t kVideoWidth[] = L"VideoWidth";
constexpr wchar_t kVideoHeight[] = L"VideoHeight";
constexpr wchar_t kVideoBitCount[] = L"VideoBitCount";
constexpr wchar_t kVideoFrameRate[] = L"VideoFrameRate";
constexpr wchar_t kVideoSubType[] = L"VideoSubType";
constexpr wchar_t kVideoFormatType[] = L"VideoFormatType";
constexpr wchar_t kVideoFormatString[] = L"VideoFormatString";

// The largest frame side a stored mode may ask for; anything larger (or not positive) is
// not a mode but a damaged value.
constexpr std::int32_t kLargestVideoSide = 16384;

bool PlausibleVideoSide(std::int32_t side) {
    return side > 0 && side <= kLargestVideoSide;
}

} // namespace

void TStoredCaptureValues::WriteDevices(const std::array<std::wstring, 4>& names,
                                        const std::array<std::int32_t, 4>& indexes) {
    for (std::size_t kind = 0; kind < names.size(); ++kind)
        store_.RegWriteString(section_, kDeviceName[kind], names[kind]);
    for (std::size_t kind = 0; kind < indexes.size(); ++kind)
        store_.RegWriteInteger(section_, kDeviceIdx[kind], indexes[kind]);
}

std::optional<std::wstring> TStoredCaptureValues::ReadName(TDeviceCategory kind) const {
    std::wstring name;
    if (!store_.RegReadString(section_, kDeviceName[static_cast<std::size_t>(kind)], name))
        return std::nullopt;
    return name;
}

std::wstring TStoredCaptureValues::ModeSection(const std::wstring& device) const {
    return section_ + L"\\" + device;
}

void TStoredCaptureValues::WriteMode(const std::wstring& device, const VideoFormat& format,
                                     const std::wstring& decimalSeparator) {
    const std::wstring section = ModeSection(device);
    store_.RegWriteInteger(section, kVideoWidth, format.Width);
    store_.RegWriteInteger(section, kVideoHeight, format.Height);
    store_.RegWriteInteger(section, kVideoBitCount, format.BitCount);
    store_.RegWriteFloat(section, kVideoFrameRate, format.FrameRate);
    store_.RegWriteString(section, kVideoSubType, GuidText(format.Subtype));
    store_.RegWriteString(section, kVideoFormatType, GuidText(format.FormatType));
    store_.RegWriteString(section, kVideoFormatString, VideoFormatText(format, decimalSeparator));
}

bool TStoredCaptureValues::ReadMode(const std::wstring& device, VideoFormat& format,
                                    const TBadIdentifier& badIdentifier) const {
    const std::wstring section = ModeSection(device);
    std::int32_t side = 0;
    if (store_.RegReadInteger(section, kVideoWidth, side) && PlausibleVideoSide(side))
        format.Width = side;
    if (store_.RegReadInteger(section, kVideoHeight, side) && PlausibleVideoSide(side))
        format.Height = side;
    std::int32_t bitCount = format.BitCount;
    if (store_.RegReadInteger(section, kVideoBitCount, bitCount))
        format.BitCount = static_cast<std::uint16_t>(bitCount & 0xFFFF);
    const bool rateStored = store_.RegReadFloat(section, kVideoFrameRate, format.FrameRate);
    ReadIdentifier(section, kVideoSubType, format.Subtype, badIdentifier);
    ReadIdentifier(section, kVideoFormatType, format.FormatType, badIdentifier);
    return rateStored;
}

void TStoredCaptureValues::ReadIdentifier(const std::wstring& section, const wchar_t* name,
                                          GUID& id, const TBadIdentifier& badIdentifier) const {
    std::wstring text;
    if (!store_.RegReadString(section, name, text))
        return;
    if (const std::optional<GUID> parsed = ParseGuidText(text)) {
        id = *parsed;
        return;
    }
    if (badIdentifier)
        badIdentifier(section + L"\\" + name, text);
}

} // namespace tb
