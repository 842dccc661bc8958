#include "fakes/FakeCom.h"

#include "fakes/GuidNames.h"

#include <algorithm>
#include <cstring>

namespace tbfake {

namespace {

// Answered by every fake with its TFakeObject (an identifier private to the fakes).
// {5B0D3E0C-7B8A-4D0E-9F47-3C2A6A1E9B11}
constexpr GUID kIidFakeObject = {
    0x5b0d3e0c, 0x7b8a, 0x4d0e, {0x9f, 0x47, 0x3c, 0x2a, 0x6a, 0x1e, 0x9b, 0x11}};

} // namespace

void TCallLog::Add(std::wstring entry) {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.push_back(std::move(entry));
}

std::vector<std::wstring> TCallLog::Calls() const {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_;
}

std::vector<std::wstring> TCallLog::CallsStartingWith(std::wstring_view prefix) const {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::wstring> result;
    for (const auto& call : calls_) {
        if (std::wstring_view(call).substr(0, prefix.size()) == prefix)
            result.push_back(call);
    }
    return result;
}

bool TCallLog::Contains(std::wstring_view entry) const {
    return Count(entry) > 0;
}

std::size_t TCallLog::Count(std::wstring_view entry) const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<std::size_t>(std::count(calls_.begin(), calls_.end(), entry));
}

void TCallLog::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    calls_.clear();
}

std::shared_ptr<TCallLog> MakeLog() {
    return std::make_shared<TCallLog>();
}

void TScript::Queue(const std::wstring& key, std::initializer_list<HRESULT> results) {
    std::lock_guard<std::mutex> guard(lock_);
    auto& queue = queued_[key];
    queue.insert(queue.end(), results.begin(), results.end());
}

void TScript::Always(const std::wstring& key, HRESULT result) {
    std::lock_guard<std::mutex> guard(lock_);
    standing_[key] = result;
}

void TScript::Reset() {
    std::lock_guard<std::mutex> guard(lock_);
    queued_.clear();
    standing_.clear();
}

bool TScript::Take(const std::wstring& key, HRESULT& result) {
    const auto queued = queued_.find(key);
    if (queued != queued_.end() && !queued->second.empty()) {
        result = queued->second.front();
        queued->second.pop_front();
        return true;
    }
    const auto standing = standing_.find(key);
    if (standing != standing_.end()) {
        result = standing->second;
        return true;
    }
    return false;
}

HRESULT TScript::Next(const std::wstring& method, const std::wstring& arguments, HRESULT fallback) {
    std::lock_guard<std::mutex> guard(lock_);
    HRESULT result = fallback;
    if (!arguments.empty() && Take(method + L"(" + arguments + L")", result))
        return result;
    if (Take(method, result))
        return result;
    return fallback;
}

void TLedger::Born(const void* object, std::wstring name) {
    std::lock_guard<std::mutex> guard(lock_);
    live_[object] = std::move(name);
    ++references_;
}

void TLedger::Died(const void* object) {
    std::lock_guard<std::mutex> guard(lock_);
    live_.erase(object);
}

void TLedger::AddedRef() {
    std::lock_guard<std::mutex> guard(lock_);
    ++references_;
}

void TLedger::Released() {
    std::lock_guard<std::mutex> guard(lock_);
    --references_;
}

std::size_t TLedger::LiveObjects() const {
    std::lock_guard<std::mutex> guard(lock_);
    return live_.size();
}

long TLedger::OutstandingReferences() const {
    std::lock_guard<std::mutex> guard(lock_);
    return references_;
}

std::wstring TLedger::Describe() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::wstring text =
        std::to_wstring(live_.size()) + L" live, " + std::to_wstring(references_) + L" references:";
    for (const auto& [object, name] : live_) {
        const auto* fake = static_cast<const TFakeObject*>(object);
        text += L" " + name + L"[" + std::to_wstring(fake->RefCount()) + L"]";
    }
    return text;
}

TLedger& Ledger() {
    static TLedger ledger;
    return ledger;
}

TLedgerScope::TLedgerScope()
    : objects_(Ledger().LiveObjects()), references_(Ledger().OutstandingReferences()) {}

bool TLedgerScope::Clean() const {
    return Ledger().LiveObjects() == objects_ && Ledger().OutstandingReferences() == references_;
}

bool TFakeObject::GuidLess::operator()(const GUID& a, const GUID& b) const {
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

TFakeObject::TFakeObject(std::wstring name, std::shared_ptr<TCallLog> log)
    : name_(std::move(name)), log_(log ? std::move(log) : MakeLog()) {
    Ledger().Born(this, name_);
}

TFakeObject::~TFakeObject() {
    Ledger().Died(this);
}

HRESULT TFakeObject::Call(const wchar_t* method, const std::wstring& arguments, HRESULT fallback) {
    log_->Add(name_ + L"." + method + L"(" + arguments + L")");
    return script_.Next(method, arguments, fallback);
}

HRESULT TFakeObject::QueryImpl(REFIID interfaceId, void** object) {
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (interfaceId == kIidFakeObject) {
        AddRefImpl();
        *object = this;
        return S_OK;
    }
    if (refused_.count(interfaceId) != 0)
        return E_NOINTERFACE;
    void* found = Interface(interfaceId);
    if (found == nullptr)
        return QueryOther(interfaceId, object);
    AddRefImpl();
    *object = found;
    return S_OK;
}

ULONG TFakeObject::AddRefImpl() {
    Ledger().AddedRef();
    return ++references_;
}

ULONG TFakeObject::ReleaseImpl() {
    Ledger().Released();
    const ULONG left = --references_;
    if (left == 0)
        delete this;
    return left;
}

TFakeObject* FakeOf(IUnknown* object) {
    if (object == nullptr)
        return nullptr;
    void* fake = nullptr;
    if (FAILED(object->QueryInterface(kIidFakeObject, &fake)) || fake == nullptr)
        return nullptr;
    // The reference taken by the query goes back at once: the caller holds its own.
    auto* found = static_cast<TFakeObject*>(fake);
    object->Release();
    return found;
}

std::wstring FakeName(IUnknown* object) {
    if (object == nullptr)
        return L"null";
    const TFakeObject* fake = FakeOf(object);
    return fake != nullptr ? fake->Name() : L"object";
}

} // namespace tbfake
