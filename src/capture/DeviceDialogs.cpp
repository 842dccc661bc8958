// Showing one device dialog: the capture driver's own dialogs, the compressor's
// configuration dialog and the property frames of the graph's objects, each modal
// through the application's prompter; what the graph and the settings do around them.
#include "capture/PopupMenuLayout.h"
#include "capture/VideoCapture.h"
#include "media/ComHelpers.h"

#include <olectl.h>

namespace tb {

namespace {

using Microsoft::WRL::ComPtr;

// The stream configuration of a pin of the category: interleaved, then video (or audio
// only).
bool FindStreamConfig(ICaptureGraphBuilder2* builder, const GUID& category, IBaseFilter* filter,
                      bool audio, ComPtr<IAMStreamConfig>& config) {
    const HRESULT result = audio ? FindOnPath(builder, &category, &MEDIATYPE_Audio, filter, config)
                                 : FindOnVideoPin(builder, &category, filter, config);
    return SUCCEEDED(result) && config;
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
    CAUUID pages{};
    const HRESULT result = specify->GetPages(&pages);
    const TTaskMemory<GUID> owned(*platform_, pages.pElems);
    return SUCCEEDED(result) && pages.cElems > 0;
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
    CAUUID pages{};
    const HRESULT result = specify->GetPages(&pages);
    const TTaskMemory<GUID> owned(*platform_, pages.pElems);
    if (FAILED(result))
        return false;
    const HWND owner = Handle();
    IUnknown* objects[] = {object};
    RunModal(name, [owner, &objects, &pages] {
        return static_cast<INT_PTR>(::OleCreatePropertyFrame(
            owner, 30, 30, nullptr, 1, objects, pages.cElems, pages.pElems, 0, 0, nullptr));
    });
    return true;
}

// A dialog the device cannot show answers with an error that changes nothing here: the
// closing steps (repaint, preview) run all the same.
bool TVideoCapture::ShowDeviceDialog(int kind) {
    if (!DialogAvailable(graph_.DialogAvailability, kind) || capturing_)
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
        if (graph_.VfwCaptureDialogs) {
            if (driverDialog(graph_.VfwCaptureDialogs.Get(), VfwCaptureDialog_Format) ==
                VFW_E_CANNOT_CONNECT)
                TearDownGraph();
        }
        SaveSettings();
        break;
    case dkVideoSource:
    case dkVideoDisplay:
        StopPreview();
        if (graph_.VfwCaptureDialogs)
            driverDialog(graph_.VfwCaptureDialogs.Get(), kind == dkVideoSource
                                                             ? VfwCaptureDialog_Source
                                                             : VfwCaptureDialog_Display);
        SaveSettings();
        break;
    case dkVideoDecoder:
        ShowPropertyPages(name, graph_.VideoCaptureFilter.Get());
        break;
    case dkCrossbar:
        ShowPropertyPages(name, graph_.Crossbar.Get());
        break;
    case dkTVTuner:
        ShowPropertyPages(name, graph_.TvTuner.Get());
        break;
    case dkAudioDecoder:
        ShowPropertyPages(name, graph_.AudioCaptureFilter.Get());
        break;
    case dkTVAudio:
        // Shown the way the crossbar and the tuner show theirs.
        ShowPropertyPages(name, graph_.TvAudio.Get());
        break;
    case dkVideoStreamFormat:
    case dkVideoPreview:
        TearDownGraph();
        if (FindStreamConfig(graph_.Builder.Get(),
                             kind == dkVideoPreview ? PIN_CATEGORY_PREVIEW : PIN_CATEGORY_CAPTURE,
                             graph_.VideoCaptureFilter.Get(), false, config) &&
            ShowPropertyPages(name, config.Get()))
            Fire(OnChangeVideoMode);
        SaveSettings();
        break;
    case dkAudioFormat:
        StopPreview();
        if (FindStreamConfig(graph_.Builder.Get(), PIN_CATEGORY_CAPTURE,
                             graph_.AudioCaptureFilter.Get(), true, config))
            ShowPropertyPages(name, config.Get());
        SaveSettings();
        break;
    case dkVideoCompressor:
        StopPreview();
        if (graph_.VfwCompressDialogs) {
            IAMVfwCompressDialogs* dialogs = graph_.VfwCompressDialogs.Get();
            RunModal(name, [dialogs, owner] {
                return static_cast<INT_PTR>(dialogs->ShowDialog(VfwCompressDialog_Config, owner));
            });
        } else {
            ShowPropertyPages(name, graph_.VideoCompressorFilter.Get());
        }
        SaveSettings();
        break;
    case dkAudioCompressor:
        StopPreview();
        ShowPropertyPages(name, graph_.AudioCompressorFilter.Get());
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
