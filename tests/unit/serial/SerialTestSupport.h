// Helpers of the serial suites: running the user-interface thread's messages until a
// condition holds.
#pragma once

#include "support/MessagePump.h"

#include <windows.h>

namespace tbtest {} // namespace tbtest
