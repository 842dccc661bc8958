// The right-button menu and the device dialogs.
#include "capture/VideoCapture.h"

namespace tb {

// Fills the popup menu with devices, "Devices and Compressors" and the available dialogs
// (not built yet).
void TVideoCapture::BuildPopupMenu() {}

// Adds "Clear capture" and the catalogue's video devices (not built yet).
void TVideoCapture::AddDeviceMenuItems() {}

// Runs the clicked item and fires OnClickPopupMenu (not built yet).
void TVideoCapture::PopupMenuClick(int) {}

// Finds out which device dialogs the built graph offers (not built yet).
void TVideoCapture::DetectDialogs() {
    dialogAvailability_ = 0;
}

// The dialogs whose availability bit is set, in kind order (not built yet: none).
std::vector<TAvailableDialog> TVideoCapture::AvailableDialogs() const {
    return {};
}

// Shows the dialog at a position of AvailableDialogs (not built yet).
bool TVideoCapture::ShowDeviceDialogAt(int) {
    return false;
}

// Shows one device dialog or property page (not built yet: none is available).
bool TVideoCapture::ShowDeviceDialog(int) {
    return false;
}

} // namespace tb
