// The right-button menu: its items computed from the catalogue, the control's choices
// and the dialogs the graph offers; and what a click on each item does.
#include "capture/PopupMenuLayout.h"
#include "capture/VideoCapture.h"
#include "capture/DevicesDialog.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Menu.h"

#include <array>
#include <functional>

namespace tb {

namespace {

constexpr std::array<const wchar_t*, kDialogKindCount> kDialogCaptions = {
    L"Video Format",  L"Video Source",  L"Video Display",    L"Video Decoder",   L"Crossbar",
    L"TV Tuner",      L"Audio Decoder", L"Audio Crossbar",   L"TV Audio",        L"Video Format",
    L"Video Preview", L"Audio Format",  L"Video Compressor", L"Audio Compressor"};

// "Clear capture" and one item per video device.
std::vector<TPopupMenuEntry> DeviceEntries(const TPopupMenuInput& input) {
    std::vector<TPopupMenuEntry> entries;
    entries.push_back({kClearCaptureCaption, kTagClearCapture, input.CurrentVideoDevice < 0, true});
    for (size_t i = 0; i < input.VideoDeviceNames.size(); ++i) {
        const int index = static_cast<int>(i);
        TPopupMenuEntry entry{input.VideoDeviceNames[i], index, false, true};
        if (index == input.CurrentVideoDevice)
            entry.Checked = true;
        else if (i < input.VideoDeviceInUse.size() && input.VideoDeviceInUse[i])
            entry.Enabled = false;
        entries.push_back(std::move(entry));
    }
    return entries;
}

// A separator only between two groups: none first or last, never two in a row (a
// device without dialogs, Wine's own capture source for one, would end the menu in one).
std::vector<TPopupMenuEntry> WithoutStraySeparators(std::vector<TPopupMenuEntry> entries) {
    std::vector<TPopupMenuEntry> kept;
    for (TPopupMenuEntry& entry : entries) {
        const bool separator = entry.Caption == kSeparatorCaption;
        if (separator && (kept.empty() || kept.back().Caption == kSeparatorCaption))
            continue;
        kept.push_back(std::move(entry));
    }
    if (!kept.empty() && kept.back().Caption == kSeparatorCaption)
        kept.pop_back();
    return kept;
}

} // namespace

std::wstring DialogCaption(int kind) {
    if (kind < 0 || kind >= kDialogKindCount)
        return {};
    return kDialogCaptions[static_cast<size_t>(kind)];
}

bool DialogAvailable(std::uint16_t availability, int kind) {
    return kind >= 0 && kind < 16 && (availability & (1u << kind)) != 0;
}

std::vector<TAvailableDialog> AvailableDialogsOf(std::uint16_t availability) {
    std::vector<TAvailableDialog> dialogs;
    for (int kind = 0; kind < kDialogKindCount; ++kind)
        if (DialogAvailable(availability, kind))
            dialogs.push_back({DialogCaption(kind), kind});
    return dialogs;
}

std::vector<TPopupMenuEntry> PopupMenuEntries(const TPopupMenuInput& input) {
    std::vector<TPopupMenuEntry> entries;
    if (input.VideoDevicesList)
        entries = DeviceEntries(input);
    entries.push_back({kSeparatorCaption, 0, false, true});
    if (input.DevicesDialog) {
        entries.push_back({kDevicesDialogCaption, kTagDevicesDialog, false, true});
        entries.push_back({kSeparatorCaption, 0, false, true});
    }
    const std::vector<TAvailableDialog> dialogs = AvailableDialogsOf(input.Availability);
    for (size_t i = 0; i < dialogs.size(); ++i) {
        // The preview pin's format is no menu item; its position still counts.
        if (dialogs[i].Kind == dkVideoPreview)
            continue;
        entries.push_back({dialogs[i].Caption, kTagFirstDialog + static_cast<int>(i), false, true});
    }
    return WithoutStraySeparators(std::move(entries));
}

// ---- The control's menu -------------------------------------------------------------

namespace {

// What the menu shows of the catalogue and the control's current video device.
TPopupMenuInput MenuInput(const TVideoCapture& control, const TDevices* devices, bool devicesList,
                          bool devicesDialog, std::uint16_t availability) {
    TPopupMenuInput input;
    input.VideoDevicesList = devicesList;
    input.DevicesDialog = devicesDialog;
    input.Availability = availability;
    input.CurrentVideoDevice = control.CurrentVideoDeviceIndex();
    if (devices != nullptr) {
        input.VideoDeviceNames = devices->VideoDeviceNames();
        for (size_t i = 0; i < input.VideoDeviceNames.size(); ++i)
            input.VideoDeviceInUse.push_back(devices->VideoDeviceUser(static_cast<int>(i)) !=
                                             nullptr);
    }
    return input;
}

} // namespace

// Every item goes, the application's own included; the new items all run PopupMenuClick
// with their tag.
void TVideoCapture::BuildPopupMenu() {
    TPopupMenu* menu = PopupMenu();
    if (menu == nullptr)
        return;
    TMenuItem& root = menu->Items();
    root.Clear();
    const TPopupMenuInput input = MenuInput(*this, services_.Devices, popupVideoDevicesList_,
                                            popupDevicesDialog_, graph_.DialogAvailability);
    for (const TPopupMenuEntry& entry : PopupMenuEntries(input)) {
        const int tag = entry.Tag;
        TMenuItem& item = root.Add(L"", entry.Caption);
        if (entry.Caption != kSeparatorCaption)
            item.OnClick = [this, tag](TMenuItem&) { PopupMenuClick(tag); };
        item.SetChecked(entry.Checked);
        item.SetEnabled(entry.Enabled);
    }
}

// The device choices act on the control the menu was opened for (this control when it
// was opened some other way); the dialogs act on this control.
void TVideoCapture::PopupMenuClick(int tag) {
    TPopupMenu* menu = PopupMenu();
    if (menu == nullptr)
        return;
    TVideoCapture* target = dynamic_cast<TVideoCapture*>(menu->PopupComponent());
    if (target == nullptr)
        target = this;
    if (tag >= kTagDevicesDialog) {
        const INT_PTR result = ShowDevicesDialog();
        RepaintOwnerForm();
        if (result == mrOk)
            InitGraph();
    } else if (tag >= kTagFirstDialog) {
        ShowDeviceDialogAt(tag - kTagFirstDialog);
    } else if (tag == kTagClearCapture) {
        target->ClearCapture();
    } else {
        target->SelectVideoDeviceByIndex(tag);
        if (!reinitOnSelect_)
            InitGraph();
        // The user's pick is stored at once: the next return of the focus reloads the
        // stored choices.
        target->SaveSettings();
    }
    Fire(OnClickPopupMenu);
}

// The Devices and Compressors dialog (DevicesDialog.cpp).
INT_PTR TVideoCapture::ShowDevicesDialog() {
    return tb::RunDevicesDialog(*this);
}

INT_PTR TVideoCapture::RunModal(const std::wstring& name, const std::function<INT_PTR()>& show) {
    if (services_.Application != nullptr)
        return services_.Application->Prompter().Modal(name, nullptr, show);
    return show();
}

void TVideoCapture::RepaintOwnerForm() {
    if (auto* form = dynamic_cast<TForm*>(Parent()))
        form->Repaint();
}

std::vector<TAvailableDialog> TVideoCapture::AvailableDialogs() const {
    return AvailableDialogsOf(graph_.DialogAvailability);
}

TDeviceDialogs TVideoCapture::DeviceDialogs() {
    return TDeviceDialogs(*platform_, graph_, Handle(),
                          [this](const std::wstring& name, const std::function<INT_PTR()>& show) {
                              return RunModal(name, show);
                          });
}

// The dialog's routine around it: the preview stopped or the graph taken down first, the
// settings saved after, the owner repainted and the preview run again. A dialog the
// device cannot show changes nothing here: the closing steps run all the same.
bool TVideoCapture::ShowDeviceDialog(int kind) {
    if (!DialogAvailable(graph_.DialogAvailability, kind) || capturing_)
        return false;
    const TDialogRoutine routine = DialogRoutine(kind);
    if (routine.Before == TDialogPreparation::StopPreview)
        StopPreview();
    else if (routine.Before == TDialogPreparation::TearDownGraph)
        TearDownGraph();
    const TDialogOutcome outcome = DeviceDialogs().Show(kind);
    if (outcome.CannotConnect)
        TearDownGraph();
    if (outcome.VideoModeShown)
        Fire(OnChangeVideoMode);
    if (routine.SavesSettings)
        SaveSettings();
    RepaintOwnerForm();
    if (preview_)
        StartPreview();
    return true;
}

bool TVideoCapture::ShowDeviceDialogAt(int position) {
    const std::vector<TAvailableDialog> dialogs = AvailableDialogs();
    if (position < 0 || position >= static_cast<int>(dialogs.size()))
        return false;
    return ShowDeviceDialog(dialogs[static_cast<size_t>(position)].Kind);
}

} // namespace tb
