// RAII owners of the platform's plain handles: kernel handles, registry keys and GDI
// objects. Each is move-only and releases on every path (task memory: media/ComHelpers.h).
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
