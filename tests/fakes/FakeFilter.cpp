#include "fakes/FakeFilter.h"

#include "fakes/FakeFilterGraph.h"

#include <cstring>
#include <cwchar>
#include <memory>

namespace tbfake {

namespace {

// A copy of the text in task memory, as the platform hands out names.
LPWSTR TaskString(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(::CoTaskMemAlloc(bytes));
    if (copy != nullptr)
        std::memcpy(copy, text.c_str(), bytes);
    return copy;
}

void CopyName(WCHAR (&target)[MAX_FILTER_NAME], const std::wstring& name) {
    const std::size_t count = name.size() < MAX_FILTER_NAME - 1 ? name.size() : MAX_FILTER_NAME - 1;
    std::wmemcpy(target, name.c_str(), count);
    target[count] = L'\0';
}

} // namespace

FakePin::FakePin(FakeFilter& filter, std::wstring pinName, PIN_DIRECTION direction)
    : TFakeObject(filter.Name() + L"." + pinName, filter.SharedLog()), filter_(&filter),
      pinName_(std::move(pinName)), direction_(direction) {}

void* FakePin::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IPin)
        return static_cast<IPin*>(this);
    return nullptr;
}

HRESULT FakePin::Connect(IPin* peer, const AM_MEDIA_TYPE*) {
    const HRESULT result = Call(L"Connect", FakeName(peer));
    if (SUCCEEDED(result))
        peer_ = peer;
    return result;
}

HRESULT FakePin::ReceiveConnection(IPin* peer, const AM_MEDIA_TYPE*) {
    const HRESULT result = Call(L"ReceiveConnection", FakeName(peer));
    if (SUCCEEDED(result))
        peer_ = peer;
    return result;
}

HRESULT FakePin::Disconnect() {
    const HRESULT result = Call(L"Disconnect", {}, peer_ != nullptr ? S_OK : S_FALSE);
    if (SUCCEEDED(result))
        peer_ = nullptr;
    return result;
}

HRESULT FakePin::ConnectedTo(IPin** peer) {
    if (peer == nullptr)
        return E_POINTER;
    *peer = nullptr;
    const HRESULT result = Call(L"ConnectedTo", {}, peer_ != nullptr ? S_OK : VFW_E_NOT_CONNECTED);
    if (result != S_OK || peer_ == nullptr)
        return result;
    *peer = peer_;
    peer_->AddRef();
    return result;
}

HRESULT FakePin::ConnectionMediaType(AM_MEDIA_TYPE*) {
    return NotImplemented(L"ConnectionMediaType");
}

HRESULT FakePin::QueryPinInfo(PIN_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    const HRESULT result = Call(L"QueryPinInfo");
    if (FAILED(result))
        return result;
    info->pFilter = filter_;
    if (filter_ != nullptr)
        filter_->AddRef();
    info->dir = direction_;
    CopyName(info->achName, pinName_);
    return result;
}

HRESULT FakePin::QueryDirection(PIN_DIRECTION* direction) {
    if (direction == nullptr)
        return E_POINTER;
    *direction = direction_;
    return Call(L"QueryDirection");
}

HRESULT FakePin::QueryId(LPWSTR* id) {
    if (id == nullptr)
        return E_POINTER;
    *id = TaskString(pinName_);
    return *id != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT FakePin::QueryAccept(const AM_MEDIA_TYPE*) {
    return Call(L"QueryAccept");
}
HRESULT FakePin::EnumMediaTypes(IEnumMediaTypes**) {
    return NotImplemented(L"EnumMediaTypes");
}
HRESULT FakePin::QueryInternalConnections(IPin**, ULONG*) {
    return NotImplemented(L"QueryInternalConnections");
}
HRESULT FakePin::EndOfStream() {
    return NotImplemented(L"EndOfStream");
}
HRESULT FakePin::BeginFlush() {
    return NotImplemented(L"BeginFlush");
}
HRESULT FakePin::EndFlush() {
    return NotImplemented(L"EndFlush");
}
HRESULT FakePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return NotImplemented(L"NewSegment");
}

void ConnectPins(FakePin& output, FakePin& input) {
    output.SetPeer(&input);
    input.SetPeer(&output);
}

FakeEnumPins::FakeEnumPins(std::wstring name, std::shared_ptr<TCallLog> log,
                           std::vector<ComPtr<IPin>> pins)
    : TFakeObject(std::move(name), std::move(log)), pins_(std::move(pins)) {}

void* FakeEnumPins::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IEnumPins)
        return static_cast<IEnumPins*>(this);
    return nullptr;
}

HRESULT FakeEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (fetched != nullptr)
        *fetched = 0;
    const HRESULT result = Call(L"Next", std::to_wstring(count));
    if (pins == nullptr)
        return E_POINTER;
    if (result != S_OK)
        return result;
    ULONG handed = 0;
    while (handed < count && position_ < pins_.size()) {
        pins[handed] = pins_[position_++].Get();
        pins[handed]->AddRef();
        ++handed;
    }
    if (fetched != nullptr)
        *fetched = handed;
    return handed == count ? S_OK : S_FALSE;
}

HRESULT FakeEnumPins::Skip(ULONG count) {
    const std::size_t left = pins_.size() - position_;
    position_ += count < left ? count : left;
    return Call(L"Skip", std::to_wstring(count), count <= left ? S_OK : S_FALSE);
}

HRESULT FakeEnumPins::Reset() {
    position_ = 0;
    return Call(L"Reset");
}

HRESULT FakeEnumPins::Clone(IEnumPins**) {
    return NotImplemented(L"Clone");
}

FakeFilter::FakeFilter(std::wstring name, std::shared_ptr<TCallLog> log, CLSID classId)
    : TFakeObject(std::move(name), std::move(log)), classId_(classId) {}

FakeFilter::~FakeFilter() {
    for (const auto& pin : pins_)
        pin->Orphan();
}

void* FakeFilter::Interface(REFIID interfaceId) {
    if (interfaceId == IID_IUnknown || interfaceId == IID_IBaseFilter ||
        interfaceId == IID_IMediaFilter || interfaceId == IID_IPersist)
        return static_cast<IBaseFilter*>(this);
    return nullptr;
}

HRESULT FakeFilter::QueryOther(REFIID interfaceId, void** object) {
    for (const auto& [id, part] : parts_) {
        if (id == interfaceId)
            return part->QueryInterface(interfaceId, object);
    }
    return E_NOINTERFACE;
}

ComPtr<FakePin> FakeFilter::AddPin(const std::wstring& pinName, PIN_DIRECTION direction) {
    auto pin = MakeFake<FakePin>(*this, pinName, direction);
    pins_.push_back(pin);
    return pin;
}

ComPtr<FakePin> FakeFilter::Pin(const std::wstring& pinName) const {
    for (const auto& pin : pins_) {
        if (pin->Name() == Name() + L"." + pinName)
            return pin;
    }
    return nullptr;
}

ComPtr<FakePin> FakeFilter::FreePin(PIN_DIRECTION direction) const {
    for (const auto& pin : pins_) {
        if (pin->Direction() == direction && pin->Peer() == nullptr)
            return pin;
    }
    return nullptr;
}

void FakeFilter::Attach(REFIID interfaceId, ComPtr<IUnknown> part) {
    parts_.emplace_back(interfaceId, std::move(part));
}

HRESULT FakeFilter::GetClassID(CLSID* classId) {
    if (classId == nullptr)
        return E_POINTER;
    *classId = classId_;
    return Call(L"GetClassID");
}

HRESULT FakeFilter::Stop() {
    const HRESULT result = Call(L"Stop");
    if (SUCCEEDED(result))
        state_ = State_Stopped;
    return result;
}

HRESULT FakeFilter::Pause() {
    const HRESULT result = Call(L"Pause");
    if (SUCCEEDED(result))
        state_ = State_Paused;
    return result;
}

HRESULT FakeFilter::Run(REFERENCE_TIME) {
    const HRESULT result = Call(L"Run");
    if (SUCCEEDED(result))
        state_ = State_Running;
    return result;
}

HRESULT FakeFilter::GetState(DWORD, FILTER_STATE* state) {
    if (state == nullptr)
        return E_POINTER;
    *state = state_;
    return Call(L"GetState");
}

HRESULT FakeFilter::SetSyncSource(IReferenceClock*) {
    return Call(L"SetSyncSource");
}

HRESULT FakeFilter::GetSyncSource(IReferenceClock** clock) {
    if (clock == nullptr)
        return E_POINTER;
    *clock = nullptr;
    return Call(L"GetSyncSource");
}

HRESULT FakeFilter::EnumPins(IEnumPins** pins) {
    if (pins == nullptr)
        return E_POINTER;
    *pins = nullptr;
    const HRESULT result = Call(L"EnumPins");
    if (FAILED(result))
        return result;
    std::vector<ComPtr<IPin>> snapshot(pins_.begin(), pins_.end());
    *pins = MakeFake<FakeEnumPins>(Name() + L".Pins", SharedLog(), std::move(snapshot)).Detach();
    return result;
}

HRESULT FakeFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (pin == nullptr || id == nullptr)
        return E_POINTER;
    *pin = nullptr;
    const HRESULT result = Call(L"FindPin", id);
    if (FAILED(result))
        return result;
    const auto found = Pin(id);
    if (!found)
        return VFW_E_NOT_FOUND;
    *pin = found.Get();
    (*pin)->AddRef();
    return result;
}

HRESULT FakeFilter::QueryFilterInfo(FILTER_INFO* info) {
    if (info == nullptr)
        return E_POINTER;
    const HRESULT result = Call(L"QueryFilterInfo");
    if (FAILED(result))
        return result;
    CopyName(info->achName, graphName_);
    info->pGraph = graph_;
    if (graph_ != nullptr)
        graph_->AddRef();
    return result;
}

void FakeFilter::SetUnplugged(bool unplugged) {
    if (unplugged == unplugged_)
        return;
    unplugged_ = unplugged;
    if (auto* graph = dynamic_cast<FakeFilterGraph*>(graph_))
        graph->RaiseEvent(EC_DEVICE_LOST,
                          reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this)),
                          unplugged ? 0 : 1);
}

HRESULT FakeFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
    const HRESULT result = Call(L"JoinFilterGraph", graph != nullptr ? FakeName(graph) : L"null");
    if (SUCCEEDED(result)) {
        graph_ = graph;
        graphName_ = graph != nullptr && name != nullptr ? name : L"";
    }
    return result;
}

HRESULT FakeFilter::QueryVendorInfo(LPWSTR*) {
    return NotImplemented(L"QueryVendorInfo");
}

} // namespace tbfake
