// Entry point of TestBench.exe; the command line plays no part.
#include "app/Program.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return tb::RunProgram();
}
