// Owning wrappers for drawing objects and device contexts: the handle is
// deleted when the owner goes. Select the object out of every device context
// before its owner goes.
#pragma once

#include <utility>

#include "platform/gdi/device_context.h"
#include "platform/gdi/gdi_objects.h"

namespace platform {

template <class H, BOOL (*Release)(H)>
class GdiOwner {
public:
    GdiOwner() = default;
    explicit GdiOwner(H handle) : handle_(handle) {}
    GdiOwner(GdiOwner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiOwner& operator=(GdiOwner&& other) noexcept
    {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    GdiOwner(const GdiOwner&) = delete;
    GdiOwner& operator=(const GdiOwner&) = delete;
    ~GdiOwner() { Reset(); }

    H Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(H handle = nullptr)
    {
        if (handle_) Release(handle_);
        handle_ = handle;
    }
    // Gives the handle up without releasing it.
    H Detach() { return std::exchange(handle_, nullptr); }

private:
    H handle_ = nullptr;
};

template <class H>
BOOL DeleteTyped(H handle)
{
    return ::DeleteObject(reinterpret_cast<HGDIOBJ>(handle));
}

using OwnedDc = GdiOwner<HDC, ::DeleteDC>;
using OwnedBitmap = GdiOwner<HBITMAP, DeleteTyped<HBITMAP>>;
using OwnedBrush = GdiOwner<HBRUSH, DeleteTyped<HBRUSH>>;
using OwnedPen = GdiOwner<HPEN, DeleteTyped<HPEN>>;
using OwnedFont = GdiOwner<HFONT, DeleteTyped<HFONT>>;

}  // namespace platform
