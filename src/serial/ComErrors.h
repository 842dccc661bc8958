// The serial port's exceptions. Each carries its full English message; the system error
// code in it is decimal.
#pragma once

#include "framework/Exception.h"

#include <windows.h>

namespace tb {

// The device cannot be opened.
class EComHandle : public TException {
public:
    using TException::TException;
};

// Line settings, time-outs or queue sizes cannot be applied.
class EComState : public TException {
public:
    using TException::TException;
};

// The device status cannot be read.
class EComStatus : public TException {
public:
    using TException::TException;
};

// A purge failed (absorbed inside the port).
class EComPurge : public TException {
public:
    using TException::TException;
};

// A write or read failed (absorbed inside the port).
class EComWrite : public TException {
public:
    using TException::TException;
};

// A buffer size that does not fit the driver's fields.
class ERangeError : public TException {
public:
    ERangeError() : TException(L"Range check error") {}
};

EComHandle OpenError(const std::wstring& portName, DWORD code);
EComState StateError(DWORD code);
EComStatus StatusError(DWORD code);
EComPurge PurgeError(DWORD code);
EComWrite WriteError(DWORD code);

} // namespace tb
