// The primary screen, as the placement code sees it.
#pragma once

#include <windows.h>

namespace tb {

inline SIZE PrimaryScreenSize() {
    return SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

} // namespace tb
