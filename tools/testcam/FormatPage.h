// The "Format" property page of the camera's capture pin: lists the offered modes and
// applies the chosen one through the pin's IAMStreamConfig, as a driver's format dialog
// does. Shown by OleCreatePropertyFrame through the pin's ISpecifyPropertyPages.
#pragma once

#include <windows.h>
#include <olectl.h>

namespace testcam {

HRESULT CreateFormatPage(REFIID riid, void** object);

} // namespace testcam
