#include "capture/VideoCapture.h"

#include "capture/CaptureMessages.h"
#include "capture/GraphSteps.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Text.h"

namespace tb {

namespace {

constexpr wchar_t kVersion[] = L"Korvid080116";
constexpr UINT kTimerInterval = 100;
// A device is looked up in the system's list every 5 s while its graph runs: one
// enumeration of the video devices, about 15 ms under Wine with five devices.
constexpr UINT kPresenceCheckInterval = 5000;

} // namespace

TVideoCapture::TVideoCapture(TControl* owner, std::wstring name,
                             std::shared_ptr<IMediaPlatform> platform,
                             std::shared_ptr<IClock> clock, TDevices* devices)
    : TVideoCapture(owner, std::move(name), std::move(platform), std::move(clock),
                    DefaultCaptureServices(devices)) {}

TVideoCapture::TVideoCapture(TControl* owner, std::wstring name,
                             std::shared_ptr<IMediaPlatform> platform,
                             std::shared_ptr<IClock> clock, TCaptureServices services)
    : TPanel(owner, std::move(name)), platform_(std::move(platform)), clock_(std::move(clock)),
      services_(std::move(services)), version_(kVersion) {
    // No graph object exists yet; the published values start as their members say
    // (plain field values, no setter runs).
    SetColor(clSilver);
    SetWidth(320);
    SetHeight(240);

    timer_ = std::make_unique<TTimer>(kTimerInterval, true);
    timer_->OnTimer = [this](TTimer&) { CaptureTimerTick(); };
    presenceTimer_ = std::make_unique<TTimer>(kPresenceCheckInterval, true);
    presenceTimer_->OnTimer = [this](TTimer&) { WatchDevicePresence(); };
}

TVideoCapture::~TVideoCapture() {
    destroying_ = true;
    presenceTimer_.reset();
    // A failure while saving or dismantling goes to the general error report; the
    // control is released all the same.
    Guarded([this] { SaveSettings(); });
    Guarded([this] { TearDownGraph(); });
    ReleaseGraphObjects();
    // The catalogue outlives the control: it must not go on naming it as a user.
    ClearVideoDeviceUser();
    timer_.reset();
}

TReinitOnSelectBatch::TReinitOnSelectBatch(TVideoCapture& control)
    : control_(control), saved_(control.ReinitOnSelect()) {
    control_.SetReinitOnSelect(false);
}

TReinitOnSelectBatch::~TReinitOnSelectBatch() {
    control_.SetReinitOnSelect(saved_);
}

// ---- Published properties ---------------------------------------------------------

void TVideoCapture::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    autoSize_ = value;
    ReapplyFormat();
}

void TVideoCapture::SetDVResolution(TDVResolution value) {
    if (capturing_ || !IsDVStream())
        return;
    dvResolution_ = value;
    RebuildGraph();
}

void TVideoCapture::SetAudioPreview(bool value) {
    if (audioPreview_ == value)
        return;
    audioPreview_ = value;
    RebuildGraph();
}

void TVideoCapture::SetPreview(bool value) {
    preview_ = value;
    if (value) {
        StartPreview();
    } else {
        StopPreview();
        ReapplyFormat();
    }
}

void TVideoCapture::SetWantBitmapGrab(bool value) {
    if (wantBitmapGrab_ == value)
        return;
    wantBitmapGrab_ = value;
    RebuildGraph();
}

void TVideoCapture::SetResizeable(bool value) {
    if (resizeable_ == value)
        return;
    resizeable_ = value;
    ReapplyFormat();
}

// ---- Initialisation ---------------------------------------------------------------

bool TVideoCapture::InitFromSavedDevices() {
    TReinitOnSelectBatch batch(*this);
    SelectVideoDeviceByName(ReadSavedVideoDeviceName());
    SelectAudioDeviceByName(ReadSavedAudioDeviceName());
    SelectVideoCompressorByName(ReadSavedVideoCompressorName());
    SelectAudioCompressorByName(ReadSavedAudioCompressorName());
    return InitGraph();
}

bool TVideoCapture::InitGraph() {
    if (!videoDevice_) {
        CloseDevices();
        BuildPopupMenu();
        return false;
    }
    bool ok = false;
    try {
        ok = BuildBaseGraph();
        if (ok) {
            VideoFormat format;
            LoadFormatSettings(format);
            VideoFormat deviceMode;
            GetVideoFormat(deviceMode);
            // A stored mode that the graph cannot be built in (a mode the device offers
            // but nothing can show) would leave the user without a picture and without the
            // dialogs to choose another: it is reported once (by the build), and the graph
            // is built in the device's own mode instead, which the next save stores. A
            // device that cannot be built in its own mode either keeps every stored value.
            const bool knownUnbuildable =
                unbuildableStoredMode_ && SameVideoMode(*unbuildableStoredMode_, format);
            ok = !knownUnbuildable && SetVideoFormat(format);
            if (!ok && !SameVideoMode(format, deviceMode)) {
                ok = SetVideoFormat(deviceMode);
                unbuildableStoredMode_.reset();
                if (ok)
                    unbuildableStoredMode_ = format;
            }
        }
        if (ok)
            RegisterAsVideoDeviceUser();
        if (ok) {
            // Does nothing when the format step already started the preview.
            if (preview_)
                StartPreview();
        } else {
            Fire(OnInitError);
            CloseDevices();
        }
    } catch (...) {
        // The menu is the user's way to another device: it is there whatever failed.
        BuildPopupMenu();
        throw;
    }
    BuildPopupMenu();
    return ok;
}

bool TVideoCapture::RebuildGraph() {
    if (!videoDevice_)
        return false;
    TearDownGraph();
    const bool built = BuildGraph();
    if (built && preview_)
        StartPreview();
    return built;
}

void TVideoCapture::ReapplyFormat() {
    if (!videoDevice_)
        return;
    VideoFormat format;
    GetVideoFormat(format);
    SetVideoFormat(format);
}

bool TVideoCapture::IsDVStream() {
    return IsDVSource(*platform_, graph_.VideoStreamConfig.Get());
}

// ---- Error reporting --------------------------------------------------------------

std::wstring TVideoCapture::CaptureErrorText(std::wstring_view format, std::int32_t code) {
    return FormatNumber(format, static_cast<std::int64_t>(static_cast<std::uint32_t>(code)));
}

// Owned as every message box of the program is (CaptureServices.h).
void TVideoCapture::ShowCaptureError(std::wstring_view format, std::int32_t code) {
    const std::wstring text = CaptureErrorText(format, code);
    const UINT type = MB_OK | MB_ICONERROR;
    if (services_.Application != nullptr)
        services_.Application->MessageBox(text, msg::kErrorCaption, type);
    else
        ::MessageBoxW(nullptr, text.c_str(), msg::kErrorCaption, type);
    RepaintOwnerForm();
}

void TVideoCapture::RaiseCaptureError(std::wstring_view format, std::int32_t code) {
    ShowCaptureError(format, code);
    throw EVideoCaptureError(CaptureErrorText(format, code));
}

// ---- Window messages --------------------------------------------------------------

LRESULT TVideoCapture::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GRAPHNOTIFY:
        HandleGraphEvents();
        return 0;
    case WM_BITMAPGRABBED:
        HandleBitmapGrabbed();
        return 0;
    case WM_FRAMERENDERED:
        HandleFrameRendered();
        return 0;
    default:
        return TPanel::WndProc(message, wParam, lParam);
    }
}

void TVideoCapture::Resized() {
    // The size message: the panel has taken its new size (and repaints its bevels).
    TPanel::Resized();
    LayoutVideoWindow();
}

} // namespace tb
