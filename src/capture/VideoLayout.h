// Where the video window goes inside the capture control: pure arithmetic over the
// control's inset, its size and the video's size.
#pragma once

namespace tb {

struct TVideoLayout {
    // The control's client size after the layout (the video plus the inset on every side
    // with AutoSize, else unchanged).
    int ControlWidth = 0;
    int ControlHeight = 0;
    // The video window inside the control, never of negative size.
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
};

// With autoSize the control takes the video size plus `inset` on every side; the video
// window then fills the control less the inset. A video size below zero counts as zero.
TVideoLayout ComputeVideoLayout(int inset, bool autoSize, int videoWidth, int videoHeight,
                                int controlWidth, int controlHeight);

} // namespace tb
