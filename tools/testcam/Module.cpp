// The COM server entry points of the test camera DLL: class objects for the two pattern
// cameras, the microphone, the capture card, the HD camera and the property pages, and
// self-registration (COM classes, plus the cameras in the video input and the microphone in the
// audio input device category, through the filter mapper).
#include "Module.h"

#include "SourceFilter.h"
#include "Guids.h"
#include "FormatPage.h"
#include "PatternPage.h"

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <atomic>
#include <new>
#include <string>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

using Creator = HRESULT (*)(REFIID, void**);

HRESULT CreateCamera1(REFIID riid, void** object) {
    return SourceFilter::Create(1, riid, object);
}
HRESULT CreateCamera2(REFIID riid, void** object) {
    return SourceFilter::Create(2, riid, object);
}
HRESULT CreateMicrophone(REFIID riid, void** object) {
    return SourceFilter::Create(kMicrophoneDevice, riid, object);
}
HRESULT CreateCaptureCard(REFIID riid, void** object) {
    return SourceFilter::Create(kCaptureCardDevice, riid, object);
}
HRESULT CreateHdCamera(REFIID riid, void** object) {
    return SourceFilter::Create(kHdCameraDevice, riid, object);
}

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(Creator creator) : creator_(creator) { ObjectCreated(); }
    ~ClassFactory() { ObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return creator_(riid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        lock ? ++g_locks : --g_locks;
        return S_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
    Creator creator_;
};

struct ServerClass {
    const GUID* clsid;
    const wchar_t* name;
    Creator creator;
    const GUID* category;  // device category, or null for a plain COM class
    const GUID* majorType; // of the output pin
};

const ServerClass kClasses[] = {
    {&kClsidCamera1, kCameraName, &CreateCamera1, &CLSID_VideoInputDeviceCategory,
     &MEDIATYPE_Video},
    {&kClsidCamera2, kCameraName, &CreateCamera2, &CLSID_VideoInputDeviceCategory,
     &MEDIATYPE_Video},
    {&kClsidMicrophone, kMicrophoneName, &CreateMicrophone, &CLSID_AudioInputDeviceCategory,
     &MEDIATYPE_Audio},
    {&kClsidCaptureCard, kCaptureCardName, &CreateCaptureCard, &CLSID_VideoInputDeviceCategory,
     &MEDIATYPE_Video},
    {&kClsidHdCamera, kHdCameraName, &CreateHdCamera, &CLSID_VideoInputDeviceCategory,
     &MEDIATYPE_Video},
    {&kClsidPatternPage, kPageName, &CreatePatternPage, nullptr, nullptr},
    {&kClsidFormatPage, kFormatPageName, &CreateFormatPage, nullptr, nullptr},
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[64] = {};
    ::StringFromGUID2(guid, text, 64);
    return text;
}

LONG SetStringValue(HKEY root, const std::wstring& path, const wchar_t* name,
                    const std::wstring& value) {
    HKEY key = nullptr;
    LONG result =
        ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    result = ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return result;
}

HRESULT RegisterComClass(const ServerClass& entry, const std::wstring& modulePath) {
    const std::wstring key = L"CLSID\\" + GuidText(*entry.clsid);
    LONG result = SetStringValue(HKEY_CLASSES_ROOT, key, nullptr, entry.name);
    if (result == ERROR_SUCCESS)
        result = SetStringValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, modulePath);
    if (result == ERROR_SUCCESS)
        result = SetStringValue(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel",
                                L"Both");
    return HRESULT_FROM_WIN32(result);
}

// Runs `work` with COM initialised on this thread (regsvr32 may not have done it).
template <typename Work>
HRESULT WithCom(Work work) {
    const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const HRESULT hr = work();
    if (SUCCEEDED(init))
        ::CoUninitialize();
    return hr;
}

HRESULT RegisterDevice(IFilterMapper2* mapper, const ServerClass& entry) {
    REGPINTYPES type = {entry.majorType, &MEDIASUBTYPE_NULL};
    REGFILTERPINS2 pin{};
    pin.dwFlags = REG_PINFLAG_B_OUTPUT;
    pin.cInstances = 1;
    pin.nMediaTypes = 1;
    pin.lpMediaType = &type;
    pin.clsPinCategory = &PIN_CATEGORY_CAPTURE;
    REGFILTER2 filter{};
    filter.dwVersion = 2;
    filter.dwMerit = MERIT_DO_NOT_USE;
    filter.cPins2 = 1;
    filter.rgPins2 = &pin;
    // The instance key is the class id: both cameras carry the same friendly name.
    const std::wstring instance = GuidText(*entry.clsid);
    return mapper->RegisterFilter(*entry.clsid, entry.name, nullptr, entry.category,
                                  instance.c_str(), &filter);
}

} // namespace

HMODULE ModuleHandle() {
    return g_module;
}
void ObjectCreated() {
    ++g_objects;
}
void ObjectDestroyed() {
    --g_objects;
}

} // namespace testcam

using namespace testcam;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    for (const ServerClass& entry : kClasses) {
        if (clsid != *entry.clsid)
            continue;
        auto* factory = new (std::nothrow) ClassFactory(entry.creator);
        if (factory == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    if (::GetModuleFileNameW(g_module, path, MAX_PATH) == 0)
        return HRESULT_FROM_WIN32(::GetLastError());
    for (const ServerClass& entry : kClasses) {
        const HRESULT hr = RegisterComClass(entry, path);
        if (FAILED(hr))
            return hr;
    }
    return WithCom([] {
        ComPtr<IFilterMapper2> mapper;
        HRESULT hr = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(&mapper));
        for (const ServerClass& entry : kClasses)
            if (SUCCEEDED(hr) && entry.category != nullptr)
                hr = RegisterDevice(mapper.Get(), entry);
        return hr;
    });
}

STDAPI DllUnregisterServer() {
    const HRESULT hr = WithCom([] {
        ComPtr<IFilterMapper2> mapper;
        HRESULT result = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(&mapper));
        if (FAILED(result))
            return result;
        for (const ServerClass& entry : kClasses)
            if (entry.category != nullptr)
                mapper->UnregisterFilter(entry.category, GuidText(*entry.clsid).c_str(),
                                         *entry.clsid);
        return S_OK;
    });
    for (const ServerClass& entry : kClasses)
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(*entry.clsid)).c_str());
    return hr;
}
