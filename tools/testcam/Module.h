// Module-wide state of the test camera's COM server: the DLL's handle and the count of
// live objects and locks that DllCanUnloadNow reports.
#pragma once

#include <windows.h>

namespace testcam {

HMODULE ModuleHandle();
void ObjectCreated();
void ObjectDestroyed();

} // namespace testcam
