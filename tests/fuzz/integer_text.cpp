// The format panel's width and height fields (whole numbers typed by the user): any text
// is read without fault; the reader that raises agrees with the one that does not; a
// number read prints back, in decimal and in hexadecimal, as text that reads as the same
// number.
#include "FuzzSupport.h"

#include "framework/IntegerText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = tb::fuzz::WideText(data, size);
    const std::optional<std::int32_t> value = tb::TryStrToInt(text);
    bool raised = false;
    try {
        TB_FUZZ_CHECK(tb::StrToInt(text) == *value);
    } catch (const tb::EConvertError& error) {
        raised = true;
        TB_FUZZ_CHECK(error.Message().find(text) != std::wstring::npos);
    }
    TB_FUZZ_CHECK(raised == !value);
    if (value) {
        TB_FUZZ_CHECK(tb::TryStrToInt(std::to_wstring(*value)) == value);
        const std::int64_t magnitude = *value < 0 ? -std::int64_t{*value} : *value;
        wchar_t hex[16];
        std::swprintf(hex, 16, L"%ls$%llX", *value < 0 ? L"-" : L"",
                      static_cast<unsigned long long>(magnitude));
        TB_FUZZ_CHECK(tb::TryStrToInt(hex) == value);
    }
    return 0;
}
