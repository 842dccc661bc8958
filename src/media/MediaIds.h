// Platform identifiers of the media graph services that the capture control and the
// device catalogue use. Most come from the platform headers (uuids.h, strmif.h,
// control.h, qedit.h, linked from strmiids); this file adds what the toolchains lack as
// usable symbols: the sample grabber and null renderer classes, the DV decoder's
// display codes, the graph event codes and window messages of the capture control,
// and, for mingw-w64, the interface identifiers that its headers do not attach to
// their interfaces (so that __uuidof and ComPtr::As work for them).
#pragma once

#include <windows.h>
#include <dshow.h>
// The sample grabber's interfaces: from <qedit.h> where the platform headers still carry
// it (mingw-w64), declared here with the platform's layout and identifiers otherwise
// (recent Windows SDKs no longer ship it).
#if __has_include(<qedit.h>)
#include <qedit.h>
#else
MIDL_INTERFACE("0579154A-2B53-4994-B0D0-E773148EFF85")
ISampleGrabberCB : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE SampleCB(double sampleTime, IMediaSample* sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE BufferCB(double sampleTime, BYTE* buffer, long length) = 0;
};

MIDL_INTERFACE("6B652FFF-11FE-4FCE-92AD-0266B5D7C78F")
ISampleGrabber : public IUnknown {
public:
    virtual HRESULT STDMETHODCALLTYPE SetOneShot(BOOL oneShot) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE * type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL bufferThem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentBuffer(long* bufferSize, long* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample * *sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB * callback,
                                                  long whichMethod) = 0;
};
#endif

namespace tb {

// {C1F400A0-3F08-11D3-9F0B-006008039E37}
constexpr GUID kClsidSampleGrabber = {
    0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
// {C1F400A4-3F08-11D3-9F0B-006008039E37}
constexpr GUID kClsidNullRenderer = {
    0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};

// Graph event codes the control acts on.
constexpr long kEcErrorAbort = 0x03; // EC_ERRORABORT
constexpr long kEcDeviceLost = 0x1F; // EC_DEVICE_LOST

// DV decoder display resolutions (IIPDVDec).
constexpr int kDvResolutionFull = 1000;    // DVRESOLUTION_FULL
constexpr int kDvResolutionHalf = 1001;    // DVRESOLUTION_HALF
constexpr int kDvResolutionQuarter = 1002; // DVRESOLUTION_QUARTER
constexpr int kDvResolutionDc = 1003;      // DVRESOLUTION_DC

// Video-for-Windows dialog codes (VfwCaptureDialogs, VfwCompressDialogs).
constexpr int kVfwCaptureDialogSource = 0x01;
constexpr int kVfwCaptureDialogFormat = 0x02;
constexpr int kVfwCaptureDialogDisplay = 0x04;
constexpr int kVfwCompressDialogConfig = 0x01;
constexpr int kVfwCompressDialogQueryConfig = 0x04;

// Video window style: child, clipping its siblings; plus a sizing frame when resizeable.
constexpr LONG kVideoWindowStyle = WS_CHILD | WS_CLIPSIBLINGS;              // 0x44000000
constexpr LONG kVideoWindowSizingStyle = kVideoWindowStyle | WS_THICKFRAME; // 0x44040000

} // namespace tb

#if defined(__MINGW32__) && defined(__CRT_UUID_DECL)
__CRT_UUID_DECL(IVideoWindow, 0x56a868b4, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7,
                0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7,
                0x70)
__CRT_UUID_DECL(IAMVfwCompressDialogs, 0xd8d715a3, 0x6e5e, 0x11d0, 0xb3, 0xf0, 0x00, 0xaa, 0x00,
                0x37, 0x61, 0xc5)
__CRT_UUID_DECL(IAMTVAudio, 0x83ec1c30, 0x23d1, 0x11d1, 0x99, 0xe6, 0x00, 0xa0, 0xc9, 0x56, 0x02,
                0x66)
__CRT_UUID_DECL(IIPDVDec, 0xb8e8bd60, 0x0bfe, 0x11d0, 0xaf, 0x91, 0x00, 0xaa, 0x00, 0xb6, 0x7a,
                0x42)
#endif
