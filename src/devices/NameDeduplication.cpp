#include "devices/NameDeduplication.h"

#include <algorithm>

namespace tb {

bool IsBlankName(std::wstring_view name) {
    return std::all_of(name.begin(), name.end(), [](wchar_t c) { return c <= L' '; });
}

std::optional<std::wstring> TCategoryNaming::Admit(std::wstring_view friendlyName) {
    if (IsBlankName(friendlyName))
        return std::nullopt;
    std::wstring name(friendlyName);
    if (std::find(names_.begin(), names_.end(), name) != names_.end()) {
        ++duplicates_;
        name += L" (" + std::to_wstring(duplicates_) + L")";
    }
    names_.push_back(name);
    return name;
}

std::vector<std::wstring> CatalogueNames(const std::vector<std::wstring>& friendlyNames) {
    TCategoryNaming naming;
    for (const auto& name : friendlyNames)
        naming.Admit(name);
    return naming.Names();
}

} // namespace tb
