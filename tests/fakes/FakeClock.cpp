// The fake clock is header-only; this file keeps it in the fakes library's file list.
#include "fakes/FakeClock.h"
