// Media type records handed out by the platform (AM_MEDIA_TYPE in task memory): freeing
// them with the platform's task allocator, and an owner that frees one on every path.
#pragma once

#include "media/MediaPlatform.h"

#include <windows.h>
#include <dshow.h>

#include <utility>

namespace tb {

// Frees the format block (when its size is not zero) and releases the object reference;
// the record itself stays.
void FreeMediaType(IMediaPlatform& platform, AM_MEDIA_TYPE& type);
// Nothing for null; otherwise FreeMediaType and then frees the record itself.
void DeleteMediaType(IMediaPlatform& platform, AM_MEDIA_TYPE* type);

// A media type record of the caller's that the platform fills in (GetConnectedMediaType):
// its format block and object reference are freed on every path.
class TFilledMediaType {
public:
    explicit TFilledMediaType(IMediaPlatform& platform) : platform_(platform) {}
    ~TFilledMediaType() { FreeMediaType(platform_, type); }
    TFilledMediaType(const TFilledMediaType&) = delete;
    TFilledMediaType& operator=(const TFilledMediaType&) = delete;

    AM_MEDIA_TYPE type{};

private:
    IMediaPlatform& platform_;
};

// Owns one media type record obtained from the platform (GetFormat and the like).
class UniqueMediaType {
public:
    explicit UniqueMediaType(IMediaPlatform& platform) : platform_(&platform) {}
    UniqueMediaType(const UniqueMediaType&) = delete;
    UniqueMediaType& operator=(const UniqueMediaType&) = delete;
    UniqueMediaType(UniqueMediaType&& other) noexcept
        : platform_(other.platform_), type_(std::exchange(other.type_, nullptr)) {}
    ~UniqueMediaType() { Reset(); }

    AM_MEDIA_TYPE* Get() const { return type_; }
    AM_MEDIA_TYPE* operator->() const { return type_; }
    explicit operator bool() const { return type_ != nullptr; }
    AM_MEDIA_TYPE** Put() {
        Reset();
        return &type_;
    }
    void Reset() { DeleteMediaType(*platform_, std::exchange(type_, nullptr)); }

private:
    IMediaPlatform* platform_;
    AM_MEDIA_TYPE* type_ = nullptr;
};

} // namespace tb
