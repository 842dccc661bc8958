// A live capture source filter with one output pin: the test pattern camera (two
// registrations, camera 1 and camera 2, each instance with its own pattern settings,
// shown on its "Pattern" property page), the test tone microphone (device 3), the
// scaling capture card (device 4) and the HD camera (device 5).
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include "DeviceWatch.h"
#include "SourcePin.h"
#include "Guids.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace testcam {

class SourceFilter final : public IBaseFilter,
                           public ISpecifyPropertyPages,
                           public IAMFilterMiscFlags,
                           public ITestPatternSettings {
public:
    // Creates device 1, 2, 4 or 5 (cameras) or 3 (the microphone) and queries it for `riid`.
    static HRESULT Create(int device, REFIID riid, void** object);

    // For the pin and its streaming thread.
    std::recursive_mutex& Lock() { return lock_; }
    FILTER_STATE StateLocked() const { return state_; }
    // Counts Stopped/Paused -> Running transitions, so the thread notices each new run.
    uint64_t RunGenerationLocked() const { return runGeneration_; }
    // Current stream time (100 ns since the run started); false when not running.
    bool StreamTime(int64_t* time);
    IFilterGraph* GraphLocked() const { return graph_; }
    int Device() const { return device_; }
    PatternOptions Options();
    // Posts an event to the graph (no-op outside a graph).
    void NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    // IMediaFilter
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* info) override;
    // ISpecifyPropertyPages
    HRESULT STDMETHODCALLTYPE GetPages(CAUUID* pages) override;
    // IAMFilterMiscFlags
    ULONG STDMETHODCALLTYPE GetMiscFlags() override;
    // ITestPatternSettings
    HRESULT STDMETHODCALLTYPE GetOptions(PatternOptions* options) override;
    HRESULT STDMETHODCALLTYPE SetOptions(const PatternOptions* options) override;
    HRESULT STDMETHODCALLTYPE GetCameraNumber(int* number) override;

private:
    SourceFilter(int device, const CLSID& clsid, std::unique_ptr<StreamFormat> format,
                 bool patternPage);
    ~SourceFilter();
    // Stopped -> Paused (nothing to do in another state); with transition_ held and the
    // filter's lock not held.
    HRESULT LeaveStopped();

    std::atomic<ULONG> refs_{1};
    const int device_;
    const CLSID clsid_;
    const bool patternPage_;
    std::recursive_mutex lock_;
    // Serialises Stop, Pause and Run; taken before lock_, never by the streaming thread.
    std::mutex transition_;
    FILTER_STATE state_ = State_Stopped;
    REFERENCE_TIME start_ = 0;
    uint64_t runGeneration_ = 0;
    LARGE_INTEGER runCounter_{}; // performance counter at Run, when there is no clock
    Microsoft::WRL::ComPtr<IReferenceClock> clock_;
    IFilterGraph* graph_ = nullptr; // not held: the graph holds the filter
    std::wstring name_;
    PatternOptions options_;
    std::unique_ptr<SourcePin> pin_;
    // Reports removals and arrivals while the filter is in a graph.
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace testcam
