// The "Devices and Compressors" dialog (TFDevicesDlg, component name "FDevicesDlg"): the
// four choices of one capture control at once (video device, video compressor, audio
// device, audio compressor), picked from the lists of the control's device catalogue.
// "Ok" hands the choices to the control and closes the dialog, and the caller then
// initialises the control once; "Alkalmaz" hands them over and initialises the control at
// once, keeping the dialog open; "Mégse" and the close box close it without handing
// anything over.
#pragma once

#include "capture/VideoCapture.h"
#include "framework/Application.h"
#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/Form.h"
#include "framework/Handles.h"
#include "framework/Label.h"
#include "framework/Panel.h"

namespace tb {

class TFDevicesDlg : public TForm {
public:
    explicit TFDevicesDlg(TApplication& application);

    // The control the dialog edits; not owned. Anything but a TVideoCapture (none
    // included) leaves the lists empty and makes "Ok" and "Alkalmaz" do nothing.
    TControl* CaptureControl() const { return captureControl_; }
    void SetCaptureControl(TControl* control) { captureControl_ = control; }

    TComboBox& cbVideoDevices() { return cbVideoDevices_; }
    TComboBox& cbVideoCompressors() { return cbVideoCompressors_; }
    TComboBox& cbAudioDevices() { return cbAudioDevices_; }
    TComboBox& cbAudioCompressors() { return cbAudioCompressors_; }
    TButton& btnVDev() { return btnVDev_; }
    TButton& btnVComp() { return btnVComp_; }
    TButton& btnADev() { return btnADev_; }
    TButton& btnAComp() { return btnAComp_; }
    TButton& btnOk() { return btnOk_; }
    TButton& btnCancel() { return btnCancel_; }
    TButton& btnApply() { return btnApply_; }
    TLabel& lblWait() { return lblWait_; }
    TPanel& VideoPanel() { return videoPanel_; }
    TPanel& AudioPanel() { return audioPanel_; }
    // The caption labels above the lists: video device, video compressor, audio device,
    // audio compressor.
    TLabel& ListLabel(int list);

    // Handlers.
    // Each time the dialog becomes the program's focused window: the caption, and the
    // four lists filled from the catalogue with the control's current choices selected.
    void FormActivate();
    // The "Clear" buttons: their own list loses its selection, nothing else happens.
    void btnVDevClick() { cbVideoDevices_.SetItemIndex(-1); }
    void btnVCompClick() { cbVideoCompressors_.SetItemIndex(-1); }
    void btnADevClick() { cbAudioDevices_.SetItemIndex(-1); }
    void btnACompClick() { cbAudioCompressors_.SetItemIndex(-1); }
    void btnOkClick();
    void btnCancelClick();
    void btnApplyClick();
    // Hands the four selections to the control in one batch (no initialisation, no
    // change events) and stores them; a list without a selection chooses none.
    void ApplyChoices();

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    TVideoCapture* Control() const;

    TControl* captureControl_ = nullptr;
    // Created in tab order: the video side, the audio side (each list followed by its
    // "Clear" button), then the bottom row. The panels let Tab into them.
    TPanel videoPanel_;
    TLabel videoDeviceLabel_;
    TComboBox cbVideoDevices_;
    TButton btnVDev_;
    TLabel videoCompressorLabel_;
    TComboBox cbVideoCompressors_;
    TButton btnVComp_;
    TPanel audioPanel_;
    TLabel audioDeviceLabel_;
    TComboBox cbAudioDevices_;
    TButton btnADev_;
    TLabel audioCompressorLabel_;
    TComboBox cbAudioCompressors_;
    TButton btnAComp_;
    TLabel lblWait_;
    TButton btnOk_;
    TButton btnCancel_;
    TButton btnApply_;
    UniqueFont waitFont_;
};

// Shows the dialog for `control`: its corner at the point (16, 16) of the control's
// client area, shown modally through the application's prompter as "FDevicesDlg".
// Returns the modal result (mrOk after "Ok", mrCancel otherwise). The caller repaints
// the control's owner and, on mrOk, initialises the control once, as the control's
// right-button menu does.
INT_PTR RunDevicesDialog(TVideoCapture& control);

// RunDevicesDialog followed by the caller's part: the control's owner repainted and, when
// the dialog ended with "Ok", the control initialised once. True after "Ok".
bool ShowDevicesDialog(TVideoCapture& control);

} // namespace tb
