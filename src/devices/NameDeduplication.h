// How devices are named in the catalogue: a friendly name made only of blanks and
// control characters leaves the device out; any other name is kept as read, and a name
// already in the list gets the next number of the category's duplicate counter, as
// "Cam (1)". The counter runs over the whole category, not per name, and the numbered
// name is not checked again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

// True when every character's code is 32 or below (the empty name included).
bool IsBlankName(std::wstring_view name);

// The naming of one run over one category.
class TCategoryNaming {
public:
    // The name under which the device enters the list, or none when it is left out.
    // A name returned here counts as taken for the devices that follow.
    std::optional<std::wstring> Admit(std::wstring_view friendlyName);
    const std::vector<std::wstring>& Names() const { return names_; }

private:
    std::vector<std::wstring> names_;
    unsigned long duplicates_ = 0;
};

// The names of one category run, in order, for the friendly names read.
std::vector<std::wstring> CatalogueNames(const std::vector<std::wstring>& friendlyNames);

} // namespace tb
