// Fakes of the media platform for the capture control's tests: a platform that records
// the classes asked for and counts task-memory releases, and a stream configuration
// whose GetFormat hands out a scripted media type in task memory.
#pragma once

#include "media/MediaPlatform.h"

#include <windows.h>
#include <dshow.h>

#include <wrl/client.h>

#include <vector>

namespace tbtest {

class TFakeMediaPlatform final : public tb::IMediaPlatform {
public:
    HRESULT Initialize() override {
        ++initializeCalls;
        return S_OK;
    }
    void Uninitialize() override { ++uninitializeCalls; }
    HRESULT CreateInstance(REFCLSID classId, REFIID, void** object) override {
        created.push_back(classId);
        if (object != nullptr)
            *object = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    void TaskMemFree(void* block) override {
        if (block != nullptr)
            ++freedBlocks;
        ::CoTaskMemFree(block);
    }
    // Any call at all.
    bool Touched() const {
        return initializeCalls != 0 || uninitializeCalls != 0 || !created.empty() ||
               freedBlocks != 0;
    }

    int initializeCalls = 0;
    int uninitializeCalls = 0;
    std::vector<GUID> created;
    int freedBlocks = 0;
};

class TFakeStreamConfig final : public IAMStreamConfig {
public:
    TFakeStreamConfig(HRESULT result, GUID majorType) : result_(result), majorType_(majorType) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == __uuidof(IUnknown) || id == __uuidof(IAMStreamConfig)) {
            *object = static_cast<IAMStreamConfig*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE SetFormat(AM_MEDIA_TYPE*) override { return E_NOTIMPL; }
    // Hands out a record with a format block, both in task memory, whatever the result.
    HRESULT STDMETHODCALLTYPE GetFormat(AM_MEDIA_TYPE** type) override {
        ++getFormatCalls;
        auto* record = static_cast<AM_MEDIA_TYPE*>(::CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        *record = AM_MEDIA_TYPE{};
        record->majortype = majorType_;
        record->cbFormat = sizeof(VIDEOINFOHEADER);
        record->pbFormat = static_cast<BYTE*>(::CoTaskMemAlloc(record->cbFormat));
        allocatedBlocks += 2;
        *type = record;
        return result_;
    }
    HRESULT STDMETHODCALLTYPE GetNumberOfCapabilities(int*, int*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStreamCaps(int, AM_MEDIA_TYPE**, BYTE*) override {
        return E_NOTIMPL;
    }

    long references = 1;
    int getFormatCalls = 0;
    int allocatedBlocks = 0;

private:
    HRESULT result_;
    GUID majorType_;
};

inline Microsoft::WRL::ComPtr<TFakeStreamConfig> MakeFakeStreamConfig(HRESULT result,
                                                                      GUID majorType) {
    Microsoft::WRL::ComPtr<TFakeStreamConfig> config;
    config.Attach(new TFakeStreamConfig(result, majorType));
    return config;
}

} // namespace tbtest
