// The graph's events: drained on WM_GRAPHNOTIFY; error aborts and lost devices end a
// capture or preview, after which the preview is tried once more.
#include "capture/VideoCapture.h"

namespace tb {

void TVideoCapture::HandleGraphEvents() {
    const bool wasCapturing = capturing_;
    const bool wasPreviewing = previewing_;
    if (!mediaEvent_)
        return;

    // The handlers below rebuild the graph, which replaces the event source: each event
    // is taken from (and freed on) the source held at that moment.
    for (;;) {
        ComPtr<IMediaEventEx> events = mediaEvent_;
        if (!events)
            break;
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        if (events->GetEvent(&code, &param1, &param2, 0) != S_OK)
            break;
        events->FreeEventParams(code, param1, param2);
        switch (code) {
        case kEcErrorAbort:
            StopGraph();
            Fire(OnAborted);
            break;
        case kEcDeviceLost:
            Fire(OnDeviceLost);
            StopGraph();
            StopPreview();
            break;
        default:
            break;
        }
    }

    if (capturing_ != wasCapturing || previewing_ != wasPreviewing)
        StartPreview();
}

} // namespace tb
