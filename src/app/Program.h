// The program's life: modules initialise (settings store first), the windows are
// created in order, the message loop runs until the main window closes, then the
// windows go and the modules finalise in reverse order.
#pragma once

namespace tb {

int RunProgram();

} // namespace tb
