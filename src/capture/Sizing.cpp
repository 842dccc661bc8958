// The video window inside the bevels, the control sized to the video, and full screen.
#include "capture/CaptureMessages.h"
#include "capture/VideoCapture.h"
#include "capture/VideoLayout.h"

#include <algorithm>

namespace tb {

TVideoLayout ComputeVideoLayout(int inset, bool autoSize, int videoWidth, int videoHeight,
                                int controlWidth, int controlHeight) {
    TVideoLayout layout;
    if (autoSize) {
        controlWidth = std::max(videoWidth, 0) + 2 * inset;
        controlHeight = std::max(videoHeight, 0) + 2 * inset;
    }
    layout.ControlWidth = controlWidth;
    layout.ControlHeight = controlHeight;
    layout.Left = inset;
    layout.Top = inset;
    layout.Width = std::max(controlWidth - 2 * inset, 0);
    layout.Height = std::max(controlHeight - 2 * inset, 0);
    return layout;
}

// With AutoSize the control first takes the video's size plus the inset; the size
// message this sends runs the layout again, which then finds the size right. The video
// window is placed in the control's client area, which is the control itself unless it
// has a border line.
void TVideoCapture::LayoutVideoWindow() {
    if (!graph_.Built.VideoWindow)
        return;
    const int inset = Inset();
    int videoWidth = 0;
    int videoHeight = 0;
    if (autoSize_) {
        VideoFormat format;
        GetVideoFormat(format);
        videoWidth = format.Width;
        videoHeight = format.Height;
    }
    const TVideoLayout wanted = ComputeVideoLayout(inset, autoSize_, videoWidth, videoHeight,
                                                   ClientWidth(), ClientHeight());
    if (autoSize_ &&
        (wanted.ControlWidth != ClientWidth() || wanted.ControlHeight != ClientHeight()))
        SetClientSize(wanted.ControlWidth, wanted.ControlHeight);
    // The size the control really has now (a parent may have refused or aligned it).
    const TVideoLayout placed =
        ComputeVideoLayout(inset, false, 0, 0, ClientWidth(), ClientHeight());
    if (graph_.Built.VideoWindow)
        graph_.Built.VideoWindow->SetWindowPosition(placed.Left, placed.Top, placed.Width,
                                                    placed.Height);
}

// The renderer switches its window; a refusal leaves the value and is reported.
void TVideoCapture::SetFullScreenMode(bool value) {
    if (!graph_.Built.VideoWindow)
        return;
    const HRESULT result = graph_.Built.VideoWindow->put_FullScreenMode(value ? OATRUE : OAFALSE);
    if (FAILED(result)) {
        ShowCaptureError(msg::kFullScreenFailed, result);
        return;
    }
    fullScreenMode_ = value;
    // Back from full screen the renderer keeps the screen's size for its window: it goes
    // back inside the bevels at once.
    if (!value)
        LayoutVideoWindow();
}

// A video window that goes while covering the screen would leave the value claiming a
// full screen that no longer exists: the window is switched back first and the value
// follows it, so the next graph starts in normal mode and says so.
void TVideoCapture::LeaveFullScreen() {
    if (graph_.Built.VideoWindow && fullScreenMode_)
        graph_.Built.VideoWindow->put_FullScreenMode(OAFALSE);
    fullScreenMode_ = false;
}

} // namespace tb
