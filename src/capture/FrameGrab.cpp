// Frames handed to the application.
#include "capture/SampleGrabberCB.h"
#include "capture/VideoCapture.h"

namespace tb {

// Sets the grab request on the grabber callback (not built yet).
void TVideoCapture::RequestBitmapGrab() {}

// Turns the grabbed frame into a bitmap and fires OnBitmapGrabbed (not built yet).
void TVideoCapture::HandleBitmapGrabbed() {}

void TVideoCapture::HandleFrameRendered() {
    Fire(OnFrameRendered);
}

} // namespace tb
