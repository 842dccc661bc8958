// Stored identifier text (a video mode's subtype and format type): any text is read
// without fault; a text that parses prints back as the same identifier, in upper case;
// the reader that raises agrees with the one that does not; and every identifier's own
// text parses back to it.
#include "FuzzSupport.h"

#include "capture/GuidText.h"

#include <cstring>
#include <cwctype>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = tb::fuzz::WideText(data, size);
    const std::optional<GUID> id = tb::ParseGuidText(text);
    if (id) {
        const std::wstring printed = tb::GuidText(*id);
        TB_FUZZ_CHECK(printed.size() == text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            TB_FUZZ_CHECK(printed[i] == static_cast<wchar_t>(std::towupper(text[i])));
        TB_FUZZ_CHECK(tb::ParseGuidText(printed) == id);
    }
    bool raised = false;
    try {
        TB_FUZZ_CHECK(tb::StringToGuid(text) == *id);
    } catch (const tb::EConvertError&) {
        raised = true;
    }
    TB_FUZZ_CHECK(raised == !id);

    if (size >= sizeof(GUID)) {
        GUID any;
        std::memcpy(&any, data, sizeof any);
        TB_FUZZ_CHECK(tb::ParseGuidText(tb::GuidText(any)) == any);
    }
    return 0;
}
