// Showing one device dialog: the capture driver's own dialogs, the compressor's
// configuration dialog and the property frames of the graph's objects, each modal
// through the application's prompter; what the graph and the settings do around them.
#include "capture/PopupMenuLayout.h"
#include "capture/VideoCapture.h"

#include <olectl.h>

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

// The page list GetPages hands out, freed with the task allocator on every path.
class TPageList {
public:
    explicit TPageList(IMediaPlatform& platform) : platform_(platform) {}
    ~TPageList() {
        if (pages.pElems != nullptr)
            platform_.TaskMemFree(pages.pElems);
    }
    TPageList(const TPageList&) = delete;
    TPageList& operator=(const TPageList&) = delete;

    CAUUID pages{};

private:
    IMediaPlatform& platform_;
};

// The stream configuration of a pin of the category: interleaved, then video (or audio
// only).
bool FindStreamConfig(ICaptureGraphBuilder2* builder, const GUID& category, IBaseFilter* filter,
                      bool audio, ComPtr<IAMStreamConfig>& config) {
    config.Reset();
    if (builder == nullptr || filter == nullptr)
        return false;
    const GUID* const videoTypes[] = {&MEDIATYPE_Interleaved, &MEDIATYPE_Video};
    const GUID* const audioTypes[] = {&MEDIATYPE_Audio};
    const auto tryType = [&](const GUID* type) {
        const HRESULT result =
            builder->FindInterface(&category, type, filter, IID_IAMStreamConfig,
                                   reinterpret_cast<void**>(config.ReleaseAndGetAddressOf()));
        if (FAILED(result))
            config.Reset();
        return config != nullptr;
    };
    if (audio)
        return tryType(audioTypes[0]);
    for (const GUID* type : videoTypes)
        if (tryType(type))
            return true;
    return false;
}

} // namespace

bool TVideoCapture::OffersPropertyPages(IUnknown* object) {
    if (object == nullptr)
        return false;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages,
                                      reinterpret_cast<void**>(specify.GetAddressOf()))) ||
        !specify)
        return false;
    TPageList list(*platform_);
    return SUCCEEDED(specify->GetPages(&list.pages)) && list.pages.cElems > 0;
}

// A page list that could not be read shows no frame: its count and identifiers would be
// whatever the object left there.
bool TVideoCapture::ShowPropertyPages(const std::wstring& name, IUnknown* object) {
    if (object == nullptr)
        return false;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages,
                                      reinterpret_cast<void**>(specify.GetAddressOf()))) ||
        !specify)
        return false;
    TPageList list(*platform_);
    if (FAILED(specify->GetPages(&list.pages)))
        return false;
    const HWND owner = Handle();
    IUnknown* objects[] = {object};
    const CAUUID& pages = list.pages;
    RunModal(name, [owner, &objects, &pages] {
        return static_cast<INT_PTR>(::OleCreatePropertyFrame(
            owner, 30, 30, nullptr, 1, objects, pages.cElems, pages.pElems, 0, 0, nullptr));
    });
    return true;
}

// A dialog the device cannot show answers with an error that changes nothing here: the
// closing steps (repaint, preview) run all the same.
bool TVideoCapture::ShowDeviceDialog(int kind) {
    if (!DialogAvailable(dialogAvailability_, kind) || capturing_)
        return false;
    const std::wstring name = DialogCaption(kind);
    const HWND owner = Handle();
    const auto driverDialog = [&](IAMVfwCaptureDialogs* dialogs, int which) {
        return static_cast<HRESULT>(RunModal(name, [dialogs, which, owner] {
            return static_cast<INT_PTR>(dialogs->ShowDialog(which, owner));
        }));
    };
    ComPtr<IAMStreamConfig> config;

    switch (kind) {
    case dkVideoFormat:
        if (vfwCaptureDialogs_) {
            if (driverDialog(vfwCaptureDialogs_.Get(), VfwCaptureDialog_Format) ==
                VFW_E_CANNOT_CONNECT)
                TearDownGraph();
        }
        SaveSettings();
        break;
    case dkVideoSource:
    case dkVideoDisplay:
        StopPreview();
        if (vfwCaptureDialogs_)
            driverDialog(vfwCaptureDialogs_.Get(), kind == dkVideoSource
                                                       ? VfwCaptureDialog_Source
                                                       : VfwCaptureDialog_Display);
        SaveSettings();
        break;
    case dkVideoDecoder:
        ShowPropertyPages(name, videoCaptureFilter_.Get());
        break;
    case dkCrossbar:
        ShowPropertyPages(name, crossbar_.Get());
        break;
    case dkTVTuner:
        ShowPropertyPages(name, tvTuner_.Get());
        break;
    case dkAudioDecoder:
        ShowPropertyPages(name, audioCaptureFilter_.Get());
        break;
    case dkTVAudio:
        // Shown the way the crossbar and the tuner show theirs.
        ShowPropertyPages(name, tvAudio_.Get());
        break;
    case dkVideoStreamFormat:
    case dkVideoPreview:
        TearDownGraph();
        if (FindStreamConfig(captureGraphBuilder_.Get(),
                             kind == dkVideoPreview ? PIN_CATEGORY_PREVIEW : PIN_CATEGORY_CAPTURE,
                             videoCaptureFilter_.Get(), false, config) &&
            ShowPropertyPages(name, config.Get()))
            Fire(OnChangeVideoMode);
        SaveSettings();
        break;
    case dkAudioFormat:
        StopPreview();
        if (FindStreamConfig(captureGraphBuilder_.Get(), PIN_CATEGORY_CAPTURE,
                             audioCaptureFilter_.Get(), true, config))
            ShowPropertyPages(name, config.Get());
        SaveSettings();
        break;
    case dkVideoCompressor:
        StopPreview();
        if (vfwCompressDialogs_) {
            IAMVfwCompressDialogs* dialogs = vfwCompressDialogs_.Get();
            RunModal(name, [dialogs, owner] {
                return static_cast<INT_PTR>(dialogs->ShowDialog(VfwCompressDialog_Config, owner));
            });
        } else {
            ShowPropertyPages(name, videoCompressorFilter_.Get());
        }
        SaveSettings();
        break;
    case dkAudioCompressor:
        StopPreview();
        ShowPropertyPages(name, audioCompressorFilter_.Get());
        break;
    default: // the audio crossbar: nothing to show
        break;
    }

    RepaintOwnerForm();
    if (preview_)
        StartPreview();
    return true;
}

} // namespace tb
