#include "framework/Exception.h"

#include "framework/Text.h"

namespace tb {

TException::TException(std::wstring message)
    : message_(std::move(message)), narrow_(Narrow(message_)) {}

} // namespace tb
