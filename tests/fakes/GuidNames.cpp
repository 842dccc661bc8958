#include "fakes/GuidNames.h"

#include "media/MediaIds.h"

#include <dshow.h>
#include <objbase.h>

#include <cstring>
#include <iterator>

namespace tbfake {

namespace {

struct TNamedGuid {
    const GUID* id;
    const wchar_t* name;
};

const TNamedGuid kNames[] = {
    {&CLSID_SystemDeviceEnum, L"SystemDeviceEnum"},
    {&CLSID_VideoInputDeviceCategory, L"VideoInputDeviceCategory"},
    {&CLSID_AudioInputDeviceCategory, L"AudioInputDeviceCategory"},
    {&CLSID_VideoCompressorCategory, L"VideoCompressorCategory"},
    {&CLSID_AudioCompressorCategory, L"AudioCompressorCategory"},
    {&CLSID_CaptureGraphBuilder2, L"CaptureGraphBuilder2"},
    {&CLSID_FilterGraph, L"FilterGraph"},
    {&CLSID_DVVideoCodec, L"DVVideoCodec"},
    {&CLSID_DVSplitter, L"DVSplitter"},
    {&CLSID_InfTee, L"InfTee"},
    {&CLSID_SmartTee, L"SmartTee"},
    {&tb::kClsidNullRenderer, L"NullRenderer"},
    {&tb::kClsidSampleGrabber, L"SampleGrabber"},
    {&PIN_CATEGORY_CAPTURE, L"PIN_CATEGORY_CAPTURE"},
    {&PIN_CATEGORY_PREVIEW, L"PIN_CATEGORY_PREVIEW"},
    {&LOOK_UPSTREAM_ONLY, L"LOOK_UPSTREAM_ONLY"},
    {&MEDIATYPE_Video, L"MEDIATYPE_Video"},
    {&MEDIATYPE_Audio, L"MEDIATYPE_Audio"},
    {&MEDIATYPE_Interleaved, L"MEDIATYPE_Interleaved"},
    {&MEDIASUBTYPE_Avi, L"MEDIASUBTYPE_Avi"},
    {&MEDIASUBTYPE_RGB24, L"MEDIASUBTYPE_RGB24"},
    {&MEDIASUBTYPE_RGB32, L"MEDIASUBTYPE_RGB32"},
    {&FORMAT_VideoInfo, L"FORMAT_VideoInfo"},
    {&FORMAT_VideoInfo2, L"FORMAT_VideoInfo2"},
    {&IID_IUnknown, L"IUnknown"},
    {&IID_ICreateDevEnum, L"ICreateDevEnum"},
    {&IID_IEnumMoniker, L"IEnumMoniker"},
    {&IID_IMoniker, L"IMoniker"},
    {&IID_IPropertyBag, L"IPropertyBag"},
    {&IID_IBaseFilter, L"IBaseFilter"},
    {&IID_IPin, L"IPin"},
    {&IID_IEnumPins, L"IEnumPins"},
    {&IID_IGraphBuilder, L"IGraphBuilder"},
    {&IID_IFilterGraph, L"IFilterGraph"},
    {&IID_IFilterGraph2, L"IFilterGraph2"},
    {&IID_ICaptureGraphBuilder2, L"ICaptureGraphBuilder2"},
    {&IID_IMediaControl, L"IMediaControl"},
    {&IID_IMediaEventEx, L"IMediaEventEx"},
    {&IID_IVideoWindow, L"IVideoWindow"},
    {&IID_IAMStreamConfig, L"IAMStreamConfig"},
    {&IID_IAMDroppedFrames, L"IAMDroppedFrames"},
    {&IID_IConfigAviMux, L"IConfigAviMux"},
    {&IID_IFileSinkFilter, L"IFileSinkFilter"},
    {&IID_IFileSinkFilter2, L"IFileSinkFilter2"},
    {&IID_IAMVfwCaptureDialogs, L"IAMVfwCaptureDialogs"},
    {&IID_IAMVfwCompressDialogs, L"IAMVfwCompressDialogs"},
    {&IID_ISpecifyPropertyPages, L"ISpecifyPropertyPages"},
    {&IID_IIPDVDec, L"IIPDVDec"},
};

} // namespace

std::wstring GuidName(REFGUID id) {
    for (const auto& named : kNames) {
        if (std::memcmp(named.id, &id, sizeof(GUID)) == 0)
            return named.name;
    }
    if (std::memcmp(&id, &__uuidof(ISampleGrabber), sizeof(GUID)) == 0)
        return L"ISampleGrabber";
    if (std::memcmp(&id, &GUID_NULL, sizeof(GUID)) == 0)
        return L"null";
    wchar_t text[40] = {};
    ::StringFromGUID2(id, text, static_cast<int>(std::size(text)));
    return text;
}

} // namespace tbfake
