// The video window inside the bevels, and full screen.
#include "capture/VideoCapture.h"

namespace tb {

// Places the video window inside the bevels and, with AutoSize, sizes the control to the
// video (not built yet; without a video window there is nothing to place).
void TVideoCapture::LayoutVideoWindow() {}

// Switches the video window to or from full screen (not built yet; without a video
// window the value stays).
void TVideoCapture::SetFullScreenMode(bool) {}

} // namespace tb
