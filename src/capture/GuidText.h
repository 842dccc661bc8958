// Identifiers as registry-format text: an opening brace, five hyphen-separated groups of
// 8, 4, 4, 4 and 12 hexadecimal digits, a closing brace ("{E436EB7E-524F-11CE-9F53-
// 0020AF0BA770}"). Written in upper case; read in either case.
#pragma once

#include "framework/Exception.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tb {

// The conversion error of a text that is not an identifier: "'%s' is not a valid GUID
// value" with the text in place of %s.
class EConvertError : public TException {
public:
    using TException::TException;
};

// The registry-format text of an identifier, upper-case hexadecimal.
std::wstring GuidText(const GUID& id);

// The identifier that the text spells, or none when the text is not exactly registry-
// format identifier text (38 characters, braces, hyphens, hexadecimal digits).
std::optional<GUID> ParseGuidText(std::wstring_view text);

// ParseGuidText, raising EConvertError for a text that is not an identifier.
GUID StringToGuid(std::wstring_view text);

} // namespace tb
