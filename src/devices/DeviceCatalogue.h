// The device catalogue: every video capture device, audio capture device, video
// compressor and audio compressor that the system device enumerator offers, each under
// a name unique within its list and with the moniker through which a capture graph
// binds it. Filled once when created; the lists never change afterwards. For the video
// devices it also records who uses each one (a capture control, which the catalogue
// knows only as an opaque user).
#pragma once

#include "media/MediaPlatform.h"

#include <windows.h>
#include <objidl.h>
#include <wrl/client.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

// Whoever uses a video device, known to the catalogue only by its address.
using TDeviceUser = const void*;

// One catalogue entry: the unique name and one reference to the device's moniker,
// held for the entry's whole life.
class TCapDeviceInfo {
public:
    TCapDeviceInfo(std::wstring name, Microsoft::WRL::ComPtr<IMoniker> moniker)
        : name_(std::move(name)), moniker_(std::move(moniker)) {}

    const std::wstring& Name() const { return name_; }
    IMoniker* Moniker() const { return moniker_.Get(); }

private:
    std::wstring name_;
    Microsoft::WRL::ComPtr<IMoniker> moniker_;
};

// The four enumerated lists, in the order in which they are filled.
enum class TDeviceCategory { VideoDevice, AudioDevice, VideoCompressor, AudioCompressor };

// The platform's category identifier of a list.
REFCLSID CategoryClassId(TDeviceCategory category);

class TDevices {
public:
    // Initialises the component library for this thread and enumerates the four
    // categories through the platform.
    explicit TDevices(std::shared_ptr<IMediaPlatform> platform);
    // Releases every moniker, then uninitialises the component library.
    ~TDevices();
    TDevices(const TDevices&) = delete;
    TDevices& operator=(const TDevices&) = delete;

    // The accessors of every list. Names: a fresh copy, in list order. ByName: the
    // moniker of the first entry with exactly this name (case and blanks count), none
    // otherwise. ByIndex: the entry's moniker, none outside 0..count-1. IndexOf: the
    // position of the first entry holding this very moniker object, -1 otherwise.
    // NameOf: that entry's name, empty otherwise.
    int Count(TDeviceCategory category) const;
    std::vector<std::wstring> Names(TDeviceCategory category) const;
    Microsoft::WRL::ComPtr<IMoniker> ByName(TDeviceCategory category, std::wstring_view name) const;
    Microsoft::WRL::ComPtr<IMoniker> ByIndex(TDeviceCategory category, int index) const;
    int IndexOf(TDeviceCategory category, const IMoniker* moniker) const;
    std::wstring NameOf(TDeviceCategory category, const IMoniker* moniker) const;

    // Whether the system lists this moniker's device now: a fresh enumeration of the
    // category, compared by display name. A moniker without a display name, or a
    // category that cannot be enumerated, counts as present: only a device known to be
    // gone is reported gone.
    bool StillPresent(TDeviceCategory category, IMoniker* moniker) const;

    std::vector<std::wstring> VideoDeviceNames() const { return Names(kVideo); }
    std::vector<std::wstring> AudioDeviceNames() const { return Names(kAudio); }
    std::vector<std::wstring> VideoCompressorNames() const { return Names(kVideoCodec); }
    std::vector<std::wstring> AudioCompressorNames() const { return Names(kAudioCodec); }

    Microsoft::WRL::ComPtr<IMoniker> VideoDeviceByName(std::wstring_view name) const {
        return ByName(kVideo, name);
    }
    Microsoft::WRL::ComPtr<IMoniker> AudioDeviceByName(std::wstring_view name) const {
        return ByName(kAudio, name);
    }
    Microsoft::WRL::ComPtr<IMoniker> VideoCompressorByName(std::wstring_view name) const {
        return ByName(kVideoCodec, name);
    }
    Microsoft::WRL::ComPtr<IMoniker> AudioCompressorByName(std::wstring_view name) const {
        return ByName(kAudioCodec, name);
    }

    Microsoft::WRL::ComPtr<IMoniker> VideoDeviceByIndex(int index) const {
        return ByIndex(kVideo, index);
    }
    Microsoft::WRL::ComPtr<IMoniker> AudioDeviceByIndex(int index) const {
        return ByIndex(kAudio, index);
    }
    Microsoft::WRL::ComPtr<IMoniker> VideoCompressorByIndex(int index) const {
        return ByIndex(kVideoCodec, index);
    }
    Microsoft::WRL::ComPtr<IMoniker> AudioCompressorByIndex(int index) const {
        return ByIndex(kAudioCodec, index);
    }

    int IndexOfVideoDevice(const IMoniker* moniker) const { return IndexOf(kVideo, moniker); }
    int IndexOfAudioDevice(const IMoniker* moniker) const { return IndexOf(kAudio, moniker); }
    int IndexOfVideoCompressor(const IMoniker* moniker) const {
        return IndexOf(kVideoCodec, moniker);
    }
    int IndexOfAudioCompressor(const IMoniker* moniker) const {
        return IndexOf(kAudioCodec, moniker);
    }

    std::wstring NameOfVideoDevice(const IMoniker* moniker) const {
        return NameOf(kVideo, moniker);
    }
    std::wstring NameOfAudioDevice(const IMoniker* moniker) const {
        return NameOf(kAudio, moniker);
    }
    std::wstring NameOfVideoCompressor(const IMoniker* moniker) const {
        return NameOf(kVideoCodec, moniker);
    }
    std::wstring NameOfAudioCompressor(const IMoniker* moniker) const {
        return NameOf(kAudioCodec, moniker);
    }

    // The user of each video device: one slot per video device, in list order. The slots
    // do not own their users.
    void SetVideoDeviceUser(int index, TDeviceUser user);
    void ClearVideoDeviceUser(TDeviceUser user);
    TDeviceUser VideoDeviceUser(int index) const;

private:
    static constexpr TDeviceCategory kVideo = TDeviceCategory::VideoDevice;
    static constexpr TDeviceCategory kAudio = TDeviceCategory::AudioDevice;
    static constexpr TDeviceCategory kVideoCodec = TDeviceCategory::VideoCompressor;
    static constexpr TDeviceCategory kAudioCodec = TDeviceCategory::AudioCompressor;

    // Keeps the component library initialised for as long as the lists exist: it is
    // the first member, so it is made first and undone last, also when enumerating
    // throws out of the constructor.
    class TLibraryScope {
    public:
        explicit TLibraryScope(IMediaPlatform& platform);
        ~TLibraryScope();
        TLibraryScope(const TLibraryScope&) = delete;
        TLibraryScope& operator=(const TLibraryScope&) = delete;

    private:
        IMediaPlatform& platform_;
        bool initialized_;
    };

    using TList = std::vector<TCapDeviceInfo>;

    void EnumerateAll();
    // The system's enumerator of the category's devices: S_OK with one, S_FALSE for an
    // empty category, a failure when it cannot be asked.
    HRESULT ListCategory(TDeviceCategory category,
                         Microsoft::WRL::ComPtr<IEnumMoniker>& monikers) const;
    void EnumerateCategory(TDeviceCategory category, TList& list);
    const TList& List(TDeviceCategory category) const;
    TList& List(TDeviceCategory category);

    std::shared_ptr<IMediaPlatform> platform_;
    TLibraryScope library_;
    std::array<TList, 4> lists_;
    std::vector<TDeviceUser> videoDeviceUsers_;
};

} // namespace tb
