// Building blocks of the fake platform objects: the shared call log, scripted results
// per method, the reference ledger, and the IUnknown implementation every fake shares.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <atomic>
#include <deque>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tbfake {

using Microsoft::WRL::ComPtr;

// Every call of every fake, in order, as "Object.Method(arguments)".
class TCallLog {
public:
    void Add(std::wstring entry);
    std::vector<std::wstring> Calls() const;
    // The calls that begin with the prefix ("Graph." gives the graph's calls).
    std::vector<std::wstring> CallsStartingWith(std::wstring_view prefix) const;
    bool Contains(std::wstring_view entry) const;
    std::size_t Count(std::wstring_view entry) const;
    void Clear();

private:
    mutable std::mutex lock_;
    std::vector<std::wstring> calls_;
};

// Results a fake gives per method. A method's key is its name ("Next") or its name
// with the logged arguments ("CreateClassEnumerator(VideoInputDeviceCategory)"); the
// longer key is tried first. Queued results are used once each, in order; then the
// standing result; then the method's own default.
class TScript {
public:
    void Queue(const std::wstring& key, std::initializer_list<HRESULT> results);
    void Always(const std::wstring& key, HRESULT result);
    void Reset();
    HRESULT Next(const std::wstring& method, const std::wstring& arguments, HRESULT fallback);

private:
    bool Take(const std::wstring& key, HRESULT& result);

    std::mutex lock_;
    std::map<std::wstring, std::deque<HRESULT>> queued_;
    std::map<std::wstring, HRESULT> standing_;
};

// Counts the fakes alive and the references held on them, for the whole process: a
// test that released everything sees LiveObjects() back where it started.
class TLedger {
public:
    void Born(const void* object, std::wstring name);
    void Died(const void* object);
    void AddedRef();
    void Released();
    std::size_t LiveObjects() const;
    long OutstandingReferences() const;
    // The names of the objects still alive, for failure messages.
    std::wstring Describe() const;

private:
    mutable std::mutex lock_;
    std::map<const void*, std::wstring> live_;
    long references_ = 0;
};

TLedger& Ledger();

// Takes a snapshot of the ledger; Clean() is true when the objects and references
// counted since then are all gone again.
class TLedgerScope {
public:
    TLedgerScope();
    bool Clean() const;
    std::wstring Describe() const { return Ledger().Describe(); }

private:
    std::size_t objects_;
    long references_;
};

// Name, log and script of one fake, and its reference count. Derived classes implement
// the platform interfaces and answer Interface() for the identifiers they support.
class TFakeObject {
public:
    TFakeObject(std::wstring name, std::shared_ptr<TCallLog> log);
    virtual ~TFakeObject();
    TFakeObject(const TFakeObject&) = delete;
    TFakeObject& operator=(const TFakeObject&) = delete;

    const std::wstring& Name() const { return name_; }
    TScript& Script() { return script_; }
    TCallLog& Log() { return *log_; }
    const std::shared_ptr<TCallLog>& SharedLog() const { return log_; }
    ULONG RefCount() const { return references_.load(); }
    // QueryInterface then answers E_NOINTERFACE for this identifier.
    void Refuse(REFIID interfaceId) { refused_.insert(interfaceId); }

protected:
    // Logs "Name.Method(arguments)" and returns the scripted result.
    HRESULT Call(const wchar_t* method, const std::wstring& arguments = {},
                 HRESULT fallback = S_OK);
    // Logs the call of a method the fake does not implement; E_NOTIMPL unless scripted.
    HRESULT NotImplemented(const wchar_t* method) { return Call(method, {}, E_NOTIMPL); }

    // The interface pointer for the identifier (IID_IUnknown included), or null.
    virtual void* Interface(REFIID interfaceId) = 0;
    // Identifiers answered by another object (a part attached to a filter).
    virtual HRESULT QueryOther(REFIID, void**) { return E_NOINTERFACE; }
    HRESULT QueryImpl(REFIID interfaceId, void** object);
    ULONG AddRefImpl();
    ULONG ReleaseImpl();

private:
    struct GuidLess {
        bool operator()(const GUID& a, const GUID& b) const;
    };
    std::wstring name_;
    std::shared_ptr<TCallLog> log_;
    TScript script_;
    std::set<GUID, GuidLess> refused_;
    std::atomic<ULONG> references_{1};
};

// Creates a fake whose single initial reference the returned pointer adopts. (Not
// through ComPtr::Attach: mingw-w64's Attach adds a reference, MSVC's does not.)
template <typename T, typename... Args>
ComPtr<T> MakeFake(Args&&... args) {
    ComPtr<T> object;
    *object.GetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

std::shared_ptr<TCallLog> MakeLog();

// The object's IUnknown, also for fakes that implement several interfaces (where the
// conversion of the pointer itself would be ambiguous).
template <typename T>
ComPtr<IUnknown> AsUnknown(const ComPtr<T>& object) {
    ComPtr<IUnknown> unknown;
    if (object)
        object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    return unknown;
}

// The fake behind an interface pointer, or null for a null pointer or another object.
TFakeObject* FakeOf(IUnknown* object);
// The fake's name for the call log: "null" for none, "object" for a foreign object.
std::wstring FakeName(IUnknown* object);

} // namespace tbfake

// The IUnknown members of a fake: one definition overrides them in every interface base.
#define TBFAKE_IUNKNOWN                                                                            \
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override {         \
        return QueryImpl(interfaceId, object);                                                     \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE AddRef() override {                                                    \
        return AddRefImpl();                                                                       \
    }                                                                                              \
    ULONG STDMETHODCALLTYPE Release() override {                                                   \
        return ReleaseImpl();                                                                      \
    }
