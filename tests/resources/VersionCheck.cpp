// Reads the resources of built binaries from outside, as Explorer does, and compares
// them with what the build says:
//
//   versioncheck VERSION PROGRAM.exe [OTHER.dll|.exe ...]
//
// Every file must carry a version resource with product "TestBench", a file description,
// its own file name as the original name, and VERSION (CMake's project version) both as
// text and in the fixed part. PROGRAM must also carry its icon and an application
// manifest with Common Controls 6, asInvoker and the same version. Each fault is printed;
// the exit code is the number of faults.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

namespace {

int faults = 0;

void Fault(const std::wstring& file, const std::wstring& what) {
    std::fwprintf(stderr, L"%ls: %ls\n", file.c_str(), what.c_str());
    ++faults;
}

std::wstring FileName(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring QueryText(std::vector<BYTE>& block, const std::wstring& path) {
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0)
        return {};
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

void CheckVersion(const std::wstring& version, const std::wstring& file) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) {
        Fault(file, L"no version resource (error " + std::to_wstring(::GetLastError()) + L")");
        return;
    }
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, block.data())) {
        Fault(file, L"the version resource cannot be read");
        return;
    }

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        Fault(file, L"no fixed version information");
    } else {
        const std::wstring fixedText = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                       std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                       std::to_wstring(HIWORD(fixed->dwFileVersionLS));
        if (fixedText != version || LOWORD(fixed->dwFileVersionLS) != 0)
            Fault(file, L"fixed file version " + fixedText + L", expected " + version);
        if (fixed->dwProductVersionMS != fixed->dwFileVersionMS ||
            fixed->dwProductVersionLS != fixed->dwFileVersionLS)
            Fault(file, L"fixed product version differs from the file version");
    }

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation)) {
        Fault(file, L"no translation table");
        return;
    }
    wchar_t prefix[64];
    std::swprintf(prefix, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
                  translation->codePage);
    const struct {
        const wchar_t* name;
        std::wstring expected; // empty: any text that is not empty
    } strings[] = {
        {L"ProductName", L"TestBench"},
        {L"ProductVersion", version},
        {L"FileVersion", version},
        {L"OriginalFilename", FileName(file)},
        {L"FileDescription", std::wstring{}},
    };
    for (const auto& string : strings) {
        const std::wstring value = QueryText(block, prefix + std::wstring(string.name));
        if (value.empty() || (!string.expected.empty() && value != string.expected))
            Fault(file, std::wstring(string.name) + L" is \"" + value + L"\", expected \"" +
                            (string.expected.empty() ? L"a text" : string.expected) + L"\"");
    }
}

struct ModuleDeleter {
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

void CheckProgramResources(const std::wstring& version, const std::wstring& file) {
    const UniqueModule module(::LoadLibraryExW(
        file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) {
        Fault(file, L"cannot be loaded for its resources");
        return;
    }
    if (::FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_GROUP_ICON) == nullptr)
        Fault(file, L"no icon 1");
    const HRSRC found = ::FindResourceW(module.get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    const HGLOBAL loaded = found != nullptr ? ::LoadResource(module.get(), found) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (data == nullptr) {
        Fault(file, L"no application manifest");
        return;
    }
    const std::string manifest(static_cast<const char*>(data),
                               ::SizeofResource(module.get(), found));
    const std::string manifestVersion(version.begin(), version.end());
    for (const std::string& needed :
         {std::string("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
          std::string("level=\"asInvoker\""), "version=\"" + manifestVersion + ".0\""}) {
        if (manifest.find(needed) == std::string::npos)
            Fault(file, L"the manifest lacks " + std::wstring(needed.begin(), needed.end()));
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: versioncheck VERSION PROGRAM.exe [OTHER ...]\n");
        return 2;
    }
    const std::wstring version = argv[1];
    CheckProgramResources(version, argv[2]);
    for (int i = 2; i < argc; ++i)
        CheckVersion(version, argv[i]);
    if (faults == 0)
        std::wprintf(L"%d files carry version %ls\n", argc - 2, version.c_str());
    return faults;
}
