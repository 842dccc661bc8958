// The capture control's values in the settings store: the names and list positions of
// its four devices in the control's section, and each video device's mode in a section of
// its own below it (the device's name, so a backslash in it reaches deeper levels). Plain
// reading and writing on the store; which values the control takes, and when, is the
// control's.
#pragma once

#include "capture/CaptureTypes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tb {

class TSettingsStore;
enum class TDeviceCategory;

class TStoredCaptureValues {
public:
    TStoredCaptureValues(TSettingsStore& store, std::wstring section)
        : store_(store), section_(std::move(section)) {}

    // The four devices in catalogue order (video, audio, video and audio compressor).
    void WriteDevices(const std::array<std::wstring, 4>& names,
                      const std::array<std::int32_t, 4>& indexes);
    // The stored name of the device of this kind; none when missing (or not text).
    std::optional<std::wstring> ReadName(TDeviceCategory kind) const;

    // Stores the mode, with its text for the user (numbers with this decimal separator).
    void WriteMode(const std::wstring& device, const VideoFormat& format,
                   const std::wstring& decimalSeparator);
    // Reads the stored fields of the device's mode over `format`, each on its own: a
    // damaged size counts as missing; an identifier that is not identifier text is handed
    // to `badIdentifier` (the value's path and its text) and counts as missing. True when
    // a frame rate was stored.
    using TBadIdentifier = std::function<void(const std::wstring& value, const std::wstring& text)>;
    bool ReadMode(const std::wstring& device, VideoFormat& format,
                  const TBadIdentifier& badIdentifier) const;

private:
    std::wstring ModeSection(const std::wstring& device) const;
    void ReadIdentifier(const std::wstring& section, const wchar_t* name, GUID& id,
                        const TBadIdentifier& badIdentifier) const;

    TSettingsStore& store_;
    std::wstring section_;
};

} // namespace tb
