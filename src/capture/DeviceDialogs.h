// The device dialogs of a built graph: which ones it offers (the availability set, with
// the crossbar, TV tuner and TV audio it found), and showing one of them: the capture
// driver's own dialogs, the compressor's configuration dialog and the property frames of
// the graph's objects, each modal through the function handed in. It works on the graph
// value alone; what the control does around a dialog (stopping the preview, taking the
// graph down, saving its settings) is plain data here and the control's to do.
#pragma once

#include "capture/CaptureGraph.h"
#include "media/MediaPlatform.h"

#include <windows.h>

#include <functional>
#include <string>

namespace tb {

// What the control does before a dialog of one kind, and whether the settings are saved
// after it.
enum class TDialogPreparation { None, StopPreview, TearDownGraph };
struct TDialogRoutine {
    TDialogPreparation Before = TDialogPreparation::None;
    bool SavesSettings = false;
};
TDialogRoutine DialogRoutine(int kind);

// What showing a dialog changed.
struct TDialogOutcome {
    // The driver's format dialog left a format the graph cannot connect with.
    bool CannotConnect = false;
    // A stream format page was shown (the video mode may have changed).
    bool VideoModeShown = false;
};

class TDeviceDialogs {
public:
    // Runs one modal dialog with this caption; its result.
    using TModal =
        std::function<INT_PTR(const std::wstring& name, const std::function<INT_PTR()>& show)>;

    TDeviceDialogs(IMediaPlatform& platform, TCaptureGraph& graph, HWND owner, TModal modal)
        : platform_(platform), graph_(graph), owner_(owner), modal_(std::move(modal)) {}

    // Fills the graph's availability set and finds its crossbar, tuner and TV audio.
    void Detect();
    // Shows the dialog of this kind (the caller checked that the graph offers it).
    TDialogOutcome Show(int kind);

private:
    bool OffersPropertyPages(IUnknown* object);
    // The property frame of one object, when it offers property pages; true when shown.
    bool ShowPropertyPages(const std::wstring& name, IUnknown* object);

    IMediaPlatform& platform_;
    TCaptureGraph& graph_;
    HWND owner_;
    TModal modal_;
};

} // namespace tb
