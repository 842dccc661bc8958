// Showing one device dialog: the capture driver's own dialogs, the compressor's
// configuration dialog and the property frames of the graph's objects; and what the
// control does around each kind.
#include "capture/DeviceDialogs.h"
#include "capture/PopupMenuLayout.h"
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

// The driver's source and display dialogs, the audio format and the compressors change
// what a running graph streams: the preview stops for them. A stream format page needs
// the graph taken down (its pins unconnected) to apply a new mode. Property pages of the
// filters themselves work on the running graph. Whatever can change a stored value is
// saved afterwards.
TDialogRoutine DialogRoutine(int kind) {
    using enum TDialogPreparation;
    switch (kind) {
    case dkVideoFormat:
        return {None, true};
    case dkVideoSource:
    case dkVideoDisplay:
    case dkAudioFormat:
    case dkVideoCompressor:
        return {StopPreview, true};
    case dkVideoStreamFormat:
    case dkVideoPreview:
        return {TearDownGraph, true};
    case dkAudioCompressor:
        return {StopPreview, false};
    default: // the filters' own property pages, and the audio crossbar (nothing to show)
        return {None, false};
    }
}

bool TDeviceDialogs::OffersPropertyPages(IUnknown* object) {
    if (object == nullptr)
        return false;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages,
                                      reinterpret_cast<void**>(specify.GetAddressOf()))) ||
        !specify)
        return false;
    CAUUID pages{};
    const HRESULT result = specify->GetPages(&pages);
    const TTaskMemory<GUID> owned(platform_, pages.pElems);
    return SUCCEEDED(result) && pages.cElems > 0;
}

// A page list that could not be read shows no frame: its count and identifiers would be
// whatever the object left there.
bool TDeviceDialogs::ShowPropertyPages(const std::wstring& name, IUnknown* object) {
    if (object == nullptr)
        return false;
    ComPtr<ISpecifyPropertyPages> specify;
    if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages,
                                      reinterpret_cast<void**>(specify.GetAddressOf()))) ||
        !specify)
        return false;
    CAUUID pages{};
    const HRESULT result = specify->GetPages(&pages);
    const TTaskMemory<GUID> owned(platform_, pages.pElems);
    if (FAILED(result))
        return false;
    const HWND owner = owner_;
    IUnknown* objects[] = {object};
    modal_(name, [owner, &objects, &pages] {
        return static_cast<INT_PTR>(::OleCreatePropertyFrame(
            owner, 30, 30, nullptr, 1, objects, pages.cElems, pages.pElems, 0, 0, nullptr));
    });
    return true;
}

// A dialog the device cannot show answers with an error that changes nothing here.
TDialogOutcome TDeviceDialogs::Show(int kind) {
    TDialogOutcome outcome;
    const std::wstring name = DialogCaption(kind);
    const HWND owner = owner_;
    const auto driverDialog = [&](IAMVfwCaptureDialogs* dialogs, int which) {
        return static_cast<HRESULT>(modal_(name, [dialogs, which, owner] {
            return static_cast<INT_PTR>(dialogs->ShowDialog(which, owner));
        }));
    };
    ComPtr<IAMStreamConfig> config;

    switch (kind) {
    case dkVideoFormat:
        if (graph_.VfwCaptureDialogs)
            outcome.CannotConnect = driverDialog(graph_.VfwCaptureDialogs.Get(),
                                                 VfwCaptureDialog_Format) == VFW_E_CANNOT_CONNECT;
        break;
    case dkVideoSource:
    case dkVideoDisplay:
        if (graph_.VfwCaptureDialogs)
            driverDialog(graph_.VfwCaptureDialogs.Get(), kind == dkVideoSource
                                                             ? VfwCaptureDialog_Source
                                                             : VfwCaptureDialog_Display);
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
        outcome.VideoModeShown =
            FindStreamConfig(graph_.Builder.Get(),
                             kind == dkVideoPreview ? PIN_CATEGORY_PREVIEW : PIN_CATEGORY_CAPTURE,
                             graph_.VideoCaptureFilter.Get(), false, config) &&
            ShowPropertyPages(name, config.Get());
        break;
    case dkAudioFormat:
        if (FindStreamConfig(graph_.Builder.Get(), PIN_CATEGORY_CAPTURE,
                             graph_.AudioCaptureFilter.Get(), true, config))
            ShowPropertyPages(name, config.Get());
        break;
    case dkVideoCompressor:
        if (graph_.VfwCompressDialogs) {
            IAMVfwCompressDialogs* dialogs = graph_.VfwCompressDialogs.Get();
            modal_(name, [dialogs, owner] {
                return static_cast<INT_PTR>(dialogs->ShowDialog(VfwCompressDialog_Config, owner));
            });
        } else {
            ShowPropertyPages(name, graph_.VideoCompressorFilter.Get());
        }
        break;
    case dkAudioCompressor:
        ShowPropertyPages(name, graph_.AudioCompressorFilter.Get());
        break;
    default: // the audio crossbar: nothing to show
        break;
    }
    return outcome;
}

} // namespace tb
