// The "Pattern" property page of the test camera: switches the moving square and the
// frame counter of one camera instance on and off. Shown by OleCreatePropertyFrame
// through the filter's ISpecifyPropertyPages.
#pragma once

#include <windows.h>
#include <olectl.h>

namespace testcam {

HRESULT CreatePatternPage(REFIID riid, void** object);

} // namespace testcam
