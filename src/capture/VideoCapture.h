// TVideoCapture: the video capture control. A bevelled panel that owns one media
// capture graph for one video capture device (optionally one audio capture device, one
// video compressor and one audio compressor), shows the live picture inside its own
// client area and tells the application what happens through events.
//
// Its graph is one value, TCaptureGraph (CaptureGraph.h), owned here: releasing the
// graph is resetting that value. What the control does is spread by concern:
//   VideoCapture.cpp      properties, construction and destruction, the initialise
//                         sequence, error reporting, the window messages
//   GraphBuild.cpp        building the graph: every step returns its result and message
//                         (GraphSteps.h), and one place here decides what a failure does
//   GraphSteps.cpp        the steps of building, on the graph value alone
//   GraphTeardown.cpp     taking the graph apart again, releasing it
//   PreviewControl.cpp    running and stopping the preview
//   CaptureControl.cpp    capture to a file, the capture timer
//   GraphEvents.cpp       the graph's events, a device that goes without one
//   DeviceSelection.cpp   choosing devices and compressors, closing the devices
//   VideoFormat.cpp       reading and applying the video mode, DV resolution
//   FrameGrab.cpp         frames handed to the application
//   CaptureSettings.cpp   which of the control's values are stored and restored, when
//   StoredCaptureValues.h the values' places in the settings store
//   CapturePopupMenu.cpp  the right-button menu and what its items do, what the control
//                         does around a device dialog
//   DeviceDialogs.h       the device dialogs of the graph (TDeviceDialogs): which ones
//                         it offers (DialogDetection.cpp), showing one (DeviceDialogs.cpp)
//   DevicesDialog.cpp     the Devices and Compressors dialog
//   Sizing.cpp            the video window inside the bevels, full screen
//   CaptureServices.cpp   the real services handed in by default
#pragma once

#include "capture/CaptureClock.h"
#include "capture/CaptureGraph.h"
#include "capture/CaptureServices.h"
#include "capture/CaptureTypes.h"
#include "capture/DeviceDialogs.h"
#include "media/MediaIds.h"
#include "media/MediaPlatform.h"
#include "framework/Exception.h"
#include "framework/Panel.h"
#include "framework/PixelFormat.h"
#include "framework/Timer.h"

#include <windows.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class TBitmap;
class TDevices;
class TSettingsStore;
enum class TDeviceCategory;
struct TBuildStep;

// Messages posted to the control's own window.
constexpr UINT WM_GRAPHNOTIFY = WM_USER + 1;   // graph events are waiting
constexpr UINT WM_BITMAPGRABBED = WM_USER + 2; // a requested frame is in the grabber's buffer
constexpr UINT WM_FRAMERENDERED = WM_USER + 3; // a frame passed the grabber

// The control's own failure; raised while building the graph and always caught there.
class EVideoCaptureError : public TException {
public:
    using TException::TException;
};

class TVideoCapture : public TPanel {
public:
    using TNotifyEvent = std::function<void(TVideoCapture& sender)>;
    using TBitmapGrabbedEvent = std::function<void(TBitmap& grabbedBitmap)>;

    // `devices` is the catalogue the control picks its devices from and records itself
    // in as a video device's user; it must outlive the control. Without one the control
    // knows no device by name or index.
    TVideoCapture(TControl* owner, std::wstring name,
                  std::shared_ptr<IMediaPlatform> platform = DefaultMediaPlatform(),
                  std::shared_ptr<IClock> clock = DefaultClock(),
                  TDevices* devices = DefaultDevices());
    // The same with every service handed in (CaptureServices.h).
    TVideoCapture(TControl* owner, std::wstring name, std::shared_ptr<IMediaPlatform> platform,
                  std::shared_ptr<IClock> clock, TCaptureServices services);
    ~TVideoCapture() override;

    // ---- Published properties -------------------------------------------------------
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TDVResolution DVResolution() const { return dvResolution_; }
    void SetDVResolution(TDVResolution value);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat value) { pixelFormat_ = value; }
    TPixelFormat GrabbedPixelFormat() const { return grabbedPixelFormat_; }
    void SetGrabbedPixelFormat(TPixelFormat value) { grabbedPixelFormat_ = value; }
    bool AudioPreview() const { return audioPreview_; }
    void SetAudioPreview(bool value);
    bool Preview() const { return preview_; }
    void SetPreview(bool value);
    bool WantBitmapGrab() const { return wantBitmapGrab_; }
    void SetWantBitmapGrab(bool value);
    bool PermanentGrabbing() const { return permanentGrabbing_; }
    void SetPermanentGrabbing(bool value) { permanentGrabbing_ = value; }
    bool FullScreenMode() const { return fullScreenMode_; }
    void SetFullScreenMode(bool value); // Sizing.cpp
    bool UseTimeLimit() const { return useTimeLimit_; }
    void SetUseTimeLimit(bool value) { useTimeLimit_ = value; }
    std::int32_t TimeLimitSec() const { return timeLimitSec_; }
    void SetTimeLimitSec(std::int32_t value) { timeLimitSec_ = value; }
    bool PreallocFile() const { return preallocFile_; }
    void SetPreallocFile(bool value) { preallocFile_ = value; }
    std::uint32_t PreallocFileSizeMB() const { return preallocFileSizeMB_; }
    void SetPreallocFileSizeMB(std::uint32_t value) { preallocFileSizeMB_ = value; }
    bool Resizeable() const { return resizeable_; }
    void SetResizeable(bool value);
    bool ManualCaptureStart() const { return manualCaptureStart_; }
    void SetManualCaptureStart(bool value) { manualCaptureStart_ = value; }
    bool PopupDevicesDialog() const { return popupDevicesDialog_; }
    void SetPopupDevicesDialog(bool value) { popupDevicesDialog_ = value; }
    bool PopupVideoDevicesList() const { return popupVideoDevicesList_; }
    void SetPopupVideoDevicesList(bool value) { popupVideoDevicesList_ = value; }

    const std::wstring& Version() const { return version_; }

    // ---- Events (fired only when set) -----------------------------------------------
    TNotifyEvent OnStartPreview;
    TNotifyEvent OnStopPreview;
    TNotifyEvent OnCloseCapture;
    TNotifyEvent OnCaptureProgress;
    TNotifyEvent OnAborted;
    TNotifyEvent OnDeviceLost;
    TNotifyEvent OnInitError;
    TNotifyEvent OnChangeDevice;
    TNotifyEvent OnChangeCompressor;
    TNotifyEvent OnChangeVideoMode;
    TBitmapGrabbedEvent OnBitmapGrabbed;
    TNotifyEvent OnFrameRendered;
    TNotifyEvent OnClickPopupMenu;
    TNotifyEvent OnStartCapture;
    TNotifyEvent OnStopCapture;
    TNotifyEvent OnChangeAudioMode;

    // ---- Initialisation and the graph as a whole (VideoCapture.cpp) ------------------
    // Reloads the saved device and compressor choices and initialises.
    bool InitFromSavedDevices();
    // Builds the graph for the chosen devices, applies the saved video format, records
    // the control as its video device's user and runs the preview when Preview is on.
    bool InitGraph();
    // Tears the graph down and builds it again; false without a video device.
    bool RebuildGraph();
    // Applies the current video format again (rebuilding the graph).
    void ReapplyFormat();
    // The video source delivers interleaved DV.
    bool IsDVStream();

    // ---- Capture to a file (CaptureControl.cpp) --------------------------------------
    // Rebuilds the graph with a capture branch writing to the file, runs it and fires
    // OnStartCapture. False (the preview comes back) when the control has no graph, is
    // already capturing, or the capture graph cannot be built or run.
    bool StartCapture(const std::wstring& fileName);
    // Ends the capture (the graph goes back to preview) and fires OnStopCapture; false
    // when no capture was running or the graph would not stop.
    bool StopCapture();
    bool Capturing() const { return capturing_; }
    // A video device is chosen (a capture can be asked for).
    bool HasVideoDevice() const { return videoDevice_ != nullptr; }
    const std::wstring& CaptureFileName() const { return captureFileName_; }
    // Milliseconds since the capture started, as the last timer tick measured them.
    std::uint32_t ElapsedMilliseconds() const { return elapsedMilliseconds_; }
    // Frames dropped and not dropped since the capture started (last timer tick).
    std::uint32_t DroppedFrames() const { return droppedFrames_; }
    std::uint32_t FramesNotDropped() const { return framesNotDropped_; }
    // The video source counts its frames (FramesNotDropped means something).
    bool CountsFrames() const { return countsFrames_; }
    // An audio device is chosen but a recording would hold the video alone: the
    // platform's writer takes no audio (Wine's).
    bool RecordsVideoOnly();
    // Why the last capture ended (read in OnCloseCapture).
    TCaptureEnd LastCaptureEnd() const { return lastCaptureEnd_; }

    // ---- Error reporting (VideoCapture.cpp) ------------------------------------------
    // One modal box "DirectShow - Capture" with the format and the result code.
    void ShowCaptureError(std::wstring_view format, std::int32_t code);
    // ShowCaptureError, then raises EVideoCaptureError with the same text.
    [[noreturn]] void RaiseCaptureError(std::wstring_view format, std::int32_t code);
    // The text of a report: "%x" becomes the code in upper-case hexadecimal.
    static std::wstring CaptureErrorText(std::wstring_view format, std::int32_t code);

    // ---- Device and compressor selection (DeviceSelection.cpp) -----------------------
    // The catalogue the control picks its devices from (none without one).
    TDevices* DeviceCatalogue() const { return services_.Devices; }
    // The services the control was given.
    const TCaptureServices& Services() const { return services_; }
    bool ReinitOnSelect() const { return reinitOnSelect_; }
    void SetReinitOnSelect(bool value) { reinitOnSelect_ = value; }
    bool SelectVideoDevice(Microsoft::WRL::ComPtr<IMoniker> moniker);
    bool SelectAudioDevice(Microsoft::WRL::ComPtr<IMoniker> moniker);
    bool SelectVideoCompressor(Microsoft::WRL::ComPtr<IMoniker> moniker);
    bool SelectAudioCompressor(Microsoft::WRL::ComPtr<IMoniker> moniker);
    bool SelectVideoDeviceByName(const std::wstring& name);
    bool SelectAudioDeviceByName(const std::wstring& name);
    bool SelectVideoCompressorByName(const std::wstring& name);
    bool SelectAudioCompressorByName(const std::wstring& name);
    bool SelectVideoDeviceByIndex(std::int32_t index);
    bool SelectAudioDeviceByIndex(std::int32_t index);
    bool SelectVideoCompressorByIndex(std::int32_t index);
    bool SelectAudioCompressorByIndex(std::int32_t index);
    std::int32_t CurrentVideoDeviceIndex() const;
    std::int32_t CurrentAudioDeviceIndex() const;
    std::int32_t CurrentVideoCompressorIndex() const;
    std::int32_t CurrentAudioCompressorIndex() const;
    std::wstring CurrentVideoDeviceName() const;
    std::wstring CurrentAudioDeviceName() const;
    std::wstring CurrentVideoCompressorName() const;
    std::wstring CurrentAudioCompressorName() const;
    // Saves the settings, dismantles the graph and gives up both capture devices.
    void CloseDevices();
    // Gives up both capture devices as the user's own choice, stored at once.
    void ClearCapture();

    // ---- Video format (VideoFormat.cpp) ----------------------------------------------
    void GetVideoFormat(VideoFormat& format);
    bool SetVideoFormat(const VideoFormat& format);
    std::int32_t VideoWidth();
    void SetVideoWidth(std::int32_t width);
    std::int32_t VideoHeight();
    void SetVideoHeight(std::int32_t height);
    double VideoFrameRate();
    void GetVideoFormatParts(std::int32_t& width, std::int32_t& height, double& frameRate,
                             std::uint8_t& bitCount);
    std::wstring VideoFormatText();
    static void SubtypeShortName(const GUID& subtype, std::wstring& name);

    // ---- Frame grabbing (FrameGrab.cpp) ----------------------------------------------
    // Asks for the next frame as a bitmap (OnBitmapGrabbed, on the user-interface
    // thread). False, with nothing asked, unless WantBitmapGrab is on and the graph has
    // its grabber.
    bool RequestBitmapGrab();

    // ---- Settings persistence (CaptureSettings.cpp) ----------------------------------
    std::wstring SettingsKeyName() const;
    void SaveSettings();
    std::wstring ReadSavedVideoDeviceName();
    std::wstring ReadSavedAudioDeviceName();
    std::wstring ReadSavedVideoCompressorName();
    std::wstring ReadSavedAudioCompressorName();
    void LoadFormatSettings(VideoFormat& format);

    // ---- Popup menu and device dialogs (CapturePopupMenu.cpp) ------------------------
    void BuildPopupMenu();
    std::vector<TAvailableDialog> AvailableDialogs() const;
    bool ShowDeviceDialogAt(int position);
    bool ShowDeviceDialog(int kind);
    std::uint16_t DialogAvailability() const { return graph_.DialogAvailability; }

    // ---- Sizing (Sizing.cpp) ---------------------------------------------------------
    // Places (and with AutoSize, sizes the control to) the video window inside the bevels.
    void LayoutVideoWindow();

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Resized() override;

private:
    friend struct TVideoCaptureAccess;      // test access to the internal state
    friend struct TVideoCaptureGraphAccess; // test access to the graph operations

    template <typename T>
    using ComPtr = Microsoft::WRL::ComPtr<T>;

    void Fire(const TNotifyEvent& event) {
        if (event)
            event(*this);
    }

    // Graph construction (GraphBuild.cpp).
    bool BuildBaseGraph();
    bool BuildGraph();
    // The one place that decides what a step's failure does: its message (if any) is
    // shown, and the result says whether the build goes on.
    bool GoesOn(const TBuildStep& step);
    // The parts of BuildGraph after the branches: grabber, preview, window, events.
    bool FinishGraph(ComPtr<IBaseFilter> videoSource);
    void ApplyMasterStream(std::int32_t index);
    // Taking apart and releasing (GraphTeardown.cpp).
    void TearDownGraph();
    void ReleaseGraphObjects();
    // The teardown's work without its graph-built test.
    void DismantleGraph();
    void RemoveDownstream(IBaseFilter* filter);
    void RemoveStrayFilters();

    // Running and stopping (PreviewControl.cpp, CaptureControl.cpp, GraphEvents.cpp).
    // Runs the filter graph; after a failed run the graph is paused and stopped again.
    HRESULT RunFilterGraph();
    void StartPreview();
    void StopPreview();
    void StopGraph();
    // StopGraph, with the reason a running capture ends for.
    void EndCapture(TCaptureEnd reason);
    void CaptureTimerTick();
    void HandleGraphEvents();
    void DrainGraphEvents();
    // While the graph runs: whether the system still lists the video device, and what
    // follows when it does not (GraphEvents.cpp).
    void WatchDevicePresence();
    void LoseSilentDevice();
    // Frames that have passed the grabber of the current graph (0 without one).
    std::uint32_t FramesSeen() const;

    // Device choices by kind and the catalogue records of the video device's user
    // (DeviceSelection.cpp).
    ComPtr<IMoniker>& Choice(TDeviceCategory kind);
    const ComPtr<IMoniker>& Choice(TDeviceCategory kind) const;
    bool Select(TDeviceCategory kind, ComPtr<IMoniker> moniker);
    bool Select(TDeviceCategory kind, ComPtr<IMoniker> moniker, std::wstring name);
    // The name a choice goes by in the settings: the catalogue name of the device chosen,
    // or the name asked for when that device is absent.
    std::wstring& ChosenName(TDeviceCategory kind);
    const std::wstring& ChosenName(TDeviceCategory kind) const;
    bool SelectByName(TDeviceCategory kind, const std::wstring& name);
    bool SelectByIndex(TDeviceCategory kind, std::int32_t index);
    std::int32_t CurrentIndex(TDeviceCategory kind) const;
    std::wstring CurrentName(TDeviceCategory kind) const;
    void RegisterAsVideoDeviceUser();
    void ClearVideoDeviceUser();
    // The stored name of a kind, or its current name when none is stored
    // (CaptureSettings.cpp).
    std::wstring ReadSavedName(TDeviceCategory kind);
    // A stored identifier that is not identifier text (the value's path, its text): told
    // once per value and text.
    void ReportBadIdentifier(const std::wstring& value, const std::wstring& text);
    // The settings store, when one is open.
    TSettingsStore* Store() const;

    // Frame messages (FrameGrab.cpp).
    void HandleBitmapGrabbed();
    void HandleFrameRendered();

    // Menu and dialogs (CapturePopupMenu.cpp).
    void PopupMenuClick(int tag);
    // The device dialogs of the current graph, shown over this control (DeviceDialogs.h).
    TDeviceDialogs DeviceDialogs();
    // The Devices and Compressors dialog for this control, shown modally; its modal
    // result.
    INT_PTR ShowDevicesDialog();
    // A modal dialog of a device or of the platform, through the application's prompter.
    INT_PTR RunModal(const std::wstring& name, const std::function<INT_PTR()>& show);
    // Repaints the owning form at once, when the owner is a form.
    void RepaintOwnerForm();

    // Sizing (Sizing.cpp): switches the video window out of full screen before it goes.
    void LeaveFullScreen();

    // Platform seams and services.
    std::shared_ptr<IMediaPlatform> platform_;
    std::shared_ptr<IClock> clock_;
    TCaptureServices services_;

    // Published values.
    std::wstring version_;
    bool autoSize_ = false;
    TDVResolution dvResolution_ = TDVResolution::dvrDontWorry;
    TPixelFormat pixelFormat_ = TPixelFormat::pf24bit;
    TPixelFormat grabbedPixelFormat_ = TPixelFormat::pf24bit;
    bool audioPreview_ = false;
    bool preview_ = true;
    bool wantBitmapGrab_ = false;
    bool permanentGrabbing_ = true;
    bool fullScreenMode_ = false;
    bool useTimeLimit_ = false;
    std::int32_t timeLimitSec_ = 0;
    bool preallocFile_ = false;
    std::uint32_t preallocFileSizeMB_ = 30;
    bool resizeable_ = false;
    bool manualCaptureStart_ = false;
    bool popupDevicesDialog_ = true;
    bool popupVideoDevicesList_ = false;

    // The graph: everything that lives and dies with it.
    TCaptureGraph graph_;

    // Device choices.
    ComPtr<IMoniker> videoDevice_;
    ComPtr<IMoniker> audioDevice_;
    ComPtr<IMoniker> videoCompressor_;
    ComPtr<IMoniker> audioCompressor_;
    // The names of the four choices as the settings keep them, by category.
    std::array<std::wstring, 4> chosenNames_;
    // Damaged stored values already reported ("section\\name=text"), so a return of the
    // focus does not report them again.
    std::vector<std::wstring> reportedValues_;

    // Flags and values of the control across graphs.
    // A stored mode in which the graph could not be built: reported once, and from then
    // on the device's own mode is taken instead, until another mode is stored.
    std::optional<VideoFormat> unbuildableStoredMode_;
    bool previewing_ = false;
    bool capturing_ = false;
    bool captureRunning_ = false;
    bool captureRequested_ = false;
    std::wstring captureFileName_;
    bool reinitOnSelect_ = true;
    bool destroying_ = false;
    std::int32_t masterStream_ = -1;
    TDateTime captureStartTime_ = 0;
    std::uint32_t elapsedMilliseconds_ = 0;
    TCaptureEnd lastCaptureEnd_ = TCaptureEnd::None;
    bool countsFrames_ = false;
    std::uint32_t droppedFrames_ = 0;
    std::uint32_t framesNotDropped_ = 0;
    std::uint32_t droppedFramesBaseline_ = 0;
    std::uint32_t framesNotDroppedBaseline_ = 0;
    // Graph events being handled (a message box inside may bring the next batch).
    bool handlingGraphEvents_ = false;
    bool graphEventsPending_ = false;
    // After a removed device the preview was tried once, with this many frames seen.
    bool lossRetryPending_ = false;
    std::uint32_t framesAtLossRetry_ = 0;
    std::unique_ptr<TTimer> timer_;
    // Checks every few seconds that the running graph's video device is still listed.
    std::unique_ptr<TTimer> presenceTimer_;
    bool checkingPresence_ = false;
    // The video device went away without the graph telling, and no graph was built since.
    bool deviceLostSilently_ = false;
};

// A batch of selections: switches ReinitOnSelect off while it lives and puts the old
// value back on every path out, exceptions included.
class TReinitOnSelectBatch {
public:
    explicit TReinitOnSelectBatch(TVideoCapture& control);
    ~TReinitOnSelectBatch();
    TReinitOnSelectBatch(const TReinitOnSelectBatch&) = delete;
    TReinitOnSelectBatch& operator=(const TReinitOnSelectBatch&) = delete;

private:
    TVideoCapture& control_;
    bool saved_;
};

} // namespace tb
