// The video window inside the bevels, and full screen.
#include "capture/VideoCapture.h"

namespace tb {

// Places the video window inside the bevels (sizing the control to the video with
// AutoSize is not built yet); without a video window there is nothing to place.
void TVideoCapture::LayoutVideoWindow() {
    if (!videoWindow_)
        return;
    const int inset = Inset();
    const int width = ClientWidth() - 2 * inset;
    const int height = ClientHeight() - 2 * inset;
    videoWindow_->SetWindowPosition(inset, inset, width > 0 ? width : 0, height > 0 ? height : 0);
}

// Switches the video window to or from full screen (not built yet; without a video
// window the value stays).
void TVideoCapture::SetFullScreenMode(bool) {}

} // namespace tb
