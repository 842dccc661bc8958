// Fake filters and pins. A filter owns its pins; a pin names its filter and its peer
// without holding them (as the platform's pins do), so filters and graphs form no
// reference cycles. Parts such as a stream configuration are attached to a filter:
// QueryInterface for their identifier answers the attached object.
#pragma once

#include "fakes/FakeCom.h"

#include <dshow.h>

#include <memory>
#include <utility>

namespace tbfake {

class FakeFilter;

// A pin, logged as "Filter.Pin". ConnectedTo answers the peer or VFW_E_NOT_CONNECTED;
// Disconnect forgets the peer (this side only, as on the platform).
class FakePin final : public TFakeObject, public IPin {
public:
    FakePin(FakeFilter& filter, std::wstring pinName, PIN_DIRECTION direction);
    TBFAKE_IUNKNOWN
    PIN_DIRECTION Direction() const { return direction_; }
    IPin* Peer() const { return peer_; }
    // Sets this side's peer (ConnectPins sets both).
    void SetPeer(IPin* peer) { peer_ = peer; }
    // The filter has gone: QueryPinInfo then names none.
    void Orphan() { filter_ = nullptr; }

    HRESULT STDMETHODCALLTYPE Connect(IPin*, const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin*, const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** peer) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE*) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes**) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin**, ULONG*) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override;

private:
    void* Interface(REFIID interfaceId) override;
    FakeFilter* filter_;
    std::wstring pinName_;
    PIN_DIRECTION direction_;
    IPin* peer_ = nullptr;
};

// Connects two pins both ways.
void ConnectPins(FakePin& output, FakePin& input);

// Enumerates a snapshot of a filter's pins; Next logs "Filter.Pins.Next(1)" and takes
// scripted failures like the moniker enumerator.
class FakeEnumPins final : public TFakeObject, public IEnumPins {
public:
    FakeEnumPins(std::wstring name, std::shared_ptr<TCallLog> log, std::vector<ComPtr<IPin>> pins);
    TBFAKE_IUNKNOWN
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins**) override;

private:
    void* Interface(REFIID interfaceId) override;
    std::vector<ComPtr<IPin>> pins_;
    std::size_t position_ = 0;
};

// A filter, logged under its name. It joins the graph it is added to (keeping the
// graph's name for it, not a reference) and answers EnumPins, FindPin and QueryFilterInfo
// from its own pins and graph.
class FakeFilter : public TFakeObject, public IBaseFilter {
public:
    FakeFilter(std::wstring name, std::shared_ptr<TCallLog> log, CLSID classId = GUID_NULL);
    ~FakeFilter() override;
    TBFAKE_IUNKNOWN

    ComPtr<FakePin> AddPin(const std::wstring& pinName, PIN_DIRECTION direction);
    ComPtr<FakePin> Pin(const std::wstring& pinName) const;
    // The first pin of this direction that has no peer, or none.
    ComPtr<FakePin> FreePin(PIN_DIRECTION direction) const;
    // Answers QueryInterface for the identifier with the part (a stream configuration,
    // the driver dialogs...).
    void Attach(REFIID interfaceId, ComPtr<IUnknown> part);
    std::size_t PinCount() const { return pins_.size(); }
    IFilterGraph* Graph() const { return graph_; }
    const std::wstring& GraphName() const { return graphName_; }
    FILTER_STATE State() const { return state_; }
    // A hot-plugged device going or coming back, as a capture device reports it: the
    // graph it belongs to hears EC_DEVICE_LOST (parameter 0 gone, 1 back) in any state,
    // and while it is gone the graph cannot be paused or run.
    void SetUnplugged(bool unplugged);
    bool Unplugged() const { return unplugged_; }

    // IPersist, IMediaFilter, IBaseFilter
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE* state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock*) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** pins) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR*) override;

protected:
    void* Interface(REFIID interfaceId) override;
    HRESULT QueryOther(REFIID interfaceId, void** object) override;

private:
    CLSID classId_;
    std::vector<ComPtr<FakePin>> pins_;
    std::vector<std::pair<IID, ComPtr<IUnknown>>> parts_;
    IFilterGraph* graph_ = nullptr;
    std::wstring graphName_;
    FILTER_STATE state_ = State_Stopped;
    bool unplugged_ = false;
};

} // namespace tbfake
