// TestBench.DevicesMenu.exe: TestBench itself (same windows, same settings key
// "Testbench", same title) with one design setting switched on, the capture control's
// PopupDevicesDialog, so its right-button menu offers "Devices and Compressors". The
// program's main window switches that item off by design, which leaves the dialog out
// of reach of a user of TestBench.exe; the end-to-end tests drive the real dialog
// through this host.
#include "app/Program.h"
#include "app/ProgramWindows.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tb::RunProgram([](tb::TProgramWindows& windows) {
        windows.Form1().VideoCapture1().SetPopupDevicesDialog(true);
    });
}
