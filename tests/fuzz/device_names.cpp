// Device friendly names as the platform's catalogue reports them (any text, one name per
// line of the input): blank names are left out and every other one enters the list, as
// read or numbered after a name already taken.
#include "FuzzSupport.h"

#include "devices/NameDeduplication.h"

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text = tb::fuzz::WideText(data, size);
    std::vector<std::wstring> friendly;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find(L'\n', start), text.size());
        friendly.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const std::vector<std::wstring> names = tb::CatalogueNames(friendly);
    std::size_t next = 0;
    for (const std::wstring& name : friendly) {
        if (tb::IsBlankName(name))
            continue;
        TB_FUZZ_CHECK(next < names.size());
        const std::wstring& listed = names[next++];
        TB_FUZZ_CHECK(listed == name ||
                      (listed.starts_with(name + L" (") && listed.ends_with(L")")));
    }
    TB_FUZZ_CHECK(next == names.size());
    return 0;
}
