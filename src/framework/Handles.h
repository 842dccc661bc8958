// RAII owners of the platform's plain handles: kernel handles, registry keys and
// blocks of COM task memory. Each is move-only and releases on every path.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace tb {

// Owns a kernel handle (file, event, thread...). Both null and INVALID_HANDLE_VALUE
// count as "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }

    HANDLE Release() { return std::exchange(handle_, nullptr); }
    void Reset(HANDLE handle = nullptr) {
        const HANDLE old = std::exchange(handle_, handle);
        if (old != nullptr && old != INVALID_HANDLE_VALUE)
            ::CloseHandle(old);
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns an open registry key.
class UniqueHKey {
public:
    UniqueHKey() = default;
    explicit UniqueHKey(HKEY key) : key_(key) {}
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    UniqueHKey(UniqueHKey&& other) noexcept : key_(other.Release()) {}
    UniqueHKey& operator=(UniqueHKey&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueHKey() { Reset(); }

    HKEY Get() const { return key_; }
    // For the platform calls that open a key into an out parameter.
    HKEY* Put() {
        Reset();
        return &key_;
    }
    explicit operator bool() const { return key_ != nullptr; }

    HKEY Release() { return std::exchange(key_, nullptr); }
    void Reset(HKEY key = nullptr) {
        const HKEY old = std::exchange(key_, key);
        if (old != nullptr)
            ::RegCloseKey(old);
    }

private:
    HKEY key_ = nullptr;
};

// Owns a block of COM task memory (CoTaskMemAlloc), such as a moniker's display name.
template <typename T>
class CoTaskMemPtr {
public:
    CoTaskMemPtr() = default;
    explicit CoTaskMemPtr(T* block) : block_(block) {}
    CoTaskMemPtr(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr& operator=(const CoTaskMemPtr&) = delete;
    CoTaskMemPtr(CoTaskMemPtr&& other) noexcept : block_(other.Release()) {}
    CoTaskMemPtr& operator=(CoTaskMemPtr&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~CoTaskMemPtr() { Reset(); }

    T* Get() const { return block_; }
    T** Put() {
        Reset();
        return &block_;
    }
    explicit operator bool() const { return block_ != nullptr; }

    T* Release() { return std::exchange(block_, nullptr); }
    void Reset(T* block = nullptr) {
        T* old = std::exchange(block_, block);
        if (old != nullptr)
            ::CoTaskMemFree(old);
    }

private:
    T* block_ = nullptr;
};

} // namespace tb

namespace tb {

// Owns a GDI object (font, brush, bitmap).
template <typename T>
class UniqueGdiObject {
public:
    UniqueGdiObject() = default;
    explicit UniqueGdiObject(T object) : object_(object) {}
    UniqueGdiObject(const UniqueGdiObject&) = delete;
    UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
    UniqueGdiObject(UniqueGdiObject&& other) noexcept : object_(other.Release()) {}
    UniqueGdiObject& operator=(UniqueGdiObject&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueGdiObject() { Reset(); }

    T Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T Release() { return std::exchange(object_, nullptr); }
    void Reset(T object = nullptr) {
        T old = std::exchange(object_, object);
        if (old != nullptr)
            ::DeleteObject(old);
    }

private:
    T object_ = nullptr;
};

using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;

} // namespace tb
