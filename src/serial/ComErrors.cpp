#include "serial/ComErrors.h"

#include <string>

namespace tb {

EComHandle OpenError(const std::wstring& portName, DWORD code) {
    return EComHandle(L"Unable to open " + portName + L" port (Error code=" +
                      std::to_wstring(code) + L")");
}

EComState StateError(DWORD code) {
    return EComState(L"Unable to set com state: " + std::to_wstring(code));
}

EComStatus StatusError(DWORD code) {
    return EComStatus(L"Unable to read com status: " + std::to_wstring(code));
}

EComPurge PurgeError(DWORD code) {
    return EComPurge(L"Unable to purge com: " + std::to_wstring(code));
}

EComWrite WriteError(DWORD code) {
    return EComWrite(L"Unable to write to port: " + std::to_wstring(code));
}

} // namespace tb
