// Frames handed to the application: the grab request, the grabbed frame turned into a
// bitmap on the user-interface thread, and the per-frame notification.
#include "capture/GrabbedFrame.h"
#include "media/MediaType.h"
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"
#include "framework/Bitmap.h"

#include <optional>
#include <span>

namespace tb {

bool TVideoCapture::RequestBitmapGrab() {
    // Only the buffer callback (WantBitmapGrab) sees frames; without it a request would
    // wait for ever.
    if (!wantBitmapGrab_ || !graph_.Built.SampleGrabber || !graph_.Built.GrabberCallback)
        return false;
    graph_.Built.GrabberCallback->GrabRequested.store(true);
    return true;
}

void TVideoCapture::HandleBitmapGrabbed() {
    if (!graph_.Built.SampleGrabber || !graph_.Built.GrabberCallback)
        return;
    // The frame's shape, asked before the buffer is locked: the streaming thread may
    // wait for the lock while the grabber holds its own.
    std::optional<TFrameShape> shape;
    {
        TFilledMediaType connected(*platform_);
        if (SUCCEEDED(graph_.Built.SampleGrabber->GetConnectedMediaType(&connected.type)))
            shape = FrameShapeOf(connected.type);
    }

    TBitmap bitmap;
    bool made = false;
    {
        TSampleGrabberCB& callback = *graph_.Built.GrabberCallback.Get();
        TSampleGrabberCB::TBufferLock lock(callback);
        if (!callback.FrameReady.load())
            return; // announced by an earlier message, or let go with the graph
        callback.FrameReady.store(false);
        if (shape)
            made = MakeGrabbedBitmap(*shape, std::span<const std::uint8_t>(callback.FrameBuffer),
                                     grabbedPixelFormat_, bitmap);
    }
    // The handler runs with the buffer free, so frames keep flowing meanwhile; the
    // bitmap is the control's and goes when the handler returns.
    if (made && OnBitmapGrabbed)
        OnBitmapGrabbed(bitmap);
}

void TVideoCapture::HandleFrameRendered() {
    Fire(OnFrameRendered);
}

} // namespace tb
