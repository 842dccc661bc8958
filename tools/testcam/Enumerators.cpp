#include "Enumerators.h"

#include "Module.h"

#include <atomic>
#include <new>

using Microsoft::WRL::ComPtr;

namespace testcam {

namespace {

// Shared cursor logic: Item(i) hands out one element to the caller.
template <typename Interface, typename Element, typename Derived>
class ListEnumerator : public Interface {
public:
    explicit ListEnumerator(std::vector<Element> items, ULONG position = 0)
        : items_(std::move(items)), position_(position) {
        ObjectCreated();
    }
    virtual ~ListEnumerator() { ObjectDestroyed(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
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

    template <typename Out>
    HRESULT NextItems(ULONG count, Out** out, ULONG* fetched) {
        if (out == nullptr || (count > 1 && fetched == nullptr))
            return E_POINTER;
        ULONG done = 0;
        while (done < count && position_ < items_.size()) {
            out[done] = static_cast<Derived*>(this)->Item(items_[position_]);
            if (out[done] == nullptr)
                break;
            ++done;
            ++position_;
        }
        if (fetched != nullptr)
            *fetched = done;
        return done == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
        const ULONG left = static_cast<ULONG>(items_.size()) - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(Interface** result) override {
        if (result == nullptr)
            return E_POINTER;
        *result = new (std::nothrow) Derived(items_, position_);
        return *result != nullptr ? S_OK : E_OUTOFMEMORY;
    }

protected:
    std::vector<Element> items_;
    ULONG position_ = 0;

private:
    std::atomic<ULONG> refs_{1};
};

class PinEnumerator final : public ListEnumerator<IEnumPins, ComPtr<IPin>, PinEnumerator> {
public:
    using ListEnumerator::ListEnumerator;
    IPin* Item(const ComPtr<IPin>& pin) {
        pin->AddRef();
        return pin.Get();
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override {
        return NextItems(count, pins, fetched);
    }
};

class MediaTypeEnumerator final
    : public ListEnumerator<IEnumMediaTypes, MediaType, MediaTypeEnumerator> {
public:
    using ListEnumerator::ListEnumerator;
    AM_MEDIA_TYPE* Item(const MediaType& type) { return type.NewTaskMemCopy(); }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override {
        return NextItems(count, types, fetched);
    }
};

} // namespace

HRESULT MakePinEnumerator(std::vector<ComPtr<IPin>> pins, IEnumPins** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = new (std::nothrow) PinEnumerator(std::move(pins));
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT MakeMediaTypeEnumerator(std::vector<MediaType> types, IEnumMediaTypes** result) {
    if (result == nullptr)
        return E_POINTER;
    *result = new (std::nothrow) MediaTypeEnumerator(std::move(types));
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // namespace testcam
