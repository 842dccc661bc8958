// The program's life: modules initialise (settings store first), the windows are
// created in order, the message loop runs until the main window closes, then the
// windows go and the modules finalise in reverse order.
#pragma once

#include <functional>

namespace tb {

class TProgramWindows;

int RunProgram();
// The same program with one step more: `adjust` sees the windows after they were
// created and before the main window shows (a test host that switches on a design
// setting, for instance).
int RunProgram(const std::function<void(TProgramWindows&)>& adjust);

} // namespace tb
