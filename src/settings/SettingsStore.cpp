#include "settings/SettingsStore.h"

#include "framework/Text.h"
#include "settings/ValueEncoding.h"

#include <memory>
#include <vector>

namespace tb {

namespace {

// The registry takes key paths relative to a root: "\Software\..." without its first "\".
std::wstring RelativePath(const std::wstring& absolute) {
    return absolute.size() > 0 && absolute[0] == L'\\' ? absolute.substr(1) : absolute;
}

} // namespace

TSettingsStore::TSettingsStore(std::wstring appKeyPath, HKEY root)
    : root_(root), appKeyPath_(std::move(appKeyPath)) {
    UniqueHKey key;
    if (::RegCreateKeyExW(root_, RelativePath(AppKey()).c_str(), 0, nullptr, 0,
                          KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        throw ESettingsError(FormatText(L"Failed to create key %s", AppKey()));
    openKey_ = std::move(key);
    const wchar_t empty = L'\0';
    WriteValue(L"Application", REG_SZ, &empty, sizeof(empty));
}

void TSettingsStore::OpenSectionForWrite(const std::wstring& section) {
    openKey_.Reset();
    UniqueHKey application;
    if (::RegCreateKeyExW(root_, RelativePath(AppKey()).c_str(), 0, nullptr, 0,
                          KEY_READ | KEY_WRITE, nullptr, application.Put(),
                          nullptr) != ERROR_SUCCESS)
        throw ESettingsError(FormatText(L"Failed to create key %s", AppKey()));
    UniqueHKey sectionKey;
    if (::RegCreateKeyExW(application.Get(), section.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                          nullptr, sectionKey.Put(), nullptr) != ERROR_SUCCESS)
        throw ESettingsError(FormatText(L"Failed to create key %s", section));
    openKey_ = std::move(sectionKey);
}

bool TSettingsStore::OpenSectionForRead(const std::wstring& section) {
    openKey_.Reset();
    UniqueHKey application;
    if (::RegOpenKeyExW(root_, RelativePath(AppKey()).c_str(), 0, KEY_READ, application.Put()) !=
        ERROR_SUCCESS)
        return false;
    UniqueHKey sectionKey;
    if (::RegOpenKeyExW(application.Get(), section.c_str(), 0, KEY_READ, sectionKey.Put()) !=
        ERROR_SUCCESS)
        return false;
    openKey_ = std::move(sectionKey);
    return true;
}

void TSettingsStore::WriteValue(const std::wstring& name, DWORD kind, const void* data,
                                DWORD size) {
    if (::RegSetValueExW(openKey_.Get(), name.c_str(), 0, kind, static_cast<const BYTE*>(data),
                         size) != ERROR_SUCCESS)
        throw ESettingsError(FormatText(L"Failed to set data for '%s'", name));
}

void TSettingsStore::RegWriteInteger(const std::wstring& section, const std::wstring& name,
                                     std::int32_t value) {
    OpenSectionForWrite(section);
    const DWORD stored = static_cast<DWORD>(value);
    WriteValue(name, REG_DWORD, &stored, sizeof(stored));
}

void TSettingsStore::RegWriteBool(const std::wstring& section, const std::wstring& name,
                                  bool value) {
    RegWriteInteger(section, name, value ? 1 : 0);
}

void TSettingsStore::RegWriteString(const std::wstring& section, const std::wstring& name,
                                    const std::wstring& value) {
    OpenSectionForWrite(section);
    WriteValue(name, REG_SZ, value.c_str(),
               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void TSettingsStore::RegWriteFloat(const std::wstring& section, const std::wstring& name,
                                   double value) {
    // A value without a stored form (NaN, infinite, too large) is refused like a value the
    // registry would not take, rather than written as something else.
    const auto encoded = EncodeReal(value);
    if (!encoded)
        throw ESettingsError(FormatText(L"Failed to set data for '%s'", name));
    OpenSectionForWrite(section);
    unsigned char bytes[8];
    const auto bits = static_cast<std::uint64_t>(*encoded);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    WriteValue(name, REG_BINARY, bytes, sizeof(bytes));
}

bool TSettingsStore::RegReadInteger(const std::wstring& section, const std::wstring& name,
                                    std::int32_t& value) {
    if (!OpenSectionForRead(section))
        return false;
    DWORD kind = 0, stored = 0, size = sizeof(stored);
    if (::RegQueryValueExW(openKey_.Get(), name.c_str(), nullptr, &kind,
                           reinterpret_cast<BYTE*>(&stored), &size) != ERROR_SUCCESS ||
        kind != REG_DWORD || size != sizeof(stored))
        return false;
    value = static_cast<std::int32_t>(stored);
    return true;
}

bool TSettingsStore::RegReadBool(const std::wstring& section, const std::wstring& name,
                                 bool& value) {
    std::int32_t stored = 0;
    if (!RegReadInteger(section, name, stored))
        return false;
    value = stored != 0;
    return true;
}

bool TSettingsStore::RegReadString(const std::wstring& section, const std::wstring& name,
                                   std::wstring& value) {
    if (!OpenSectionForRead(section))
        return false;
    DWORD kind = 0, size = 0;
    if (::RegQueryValueExW(openKey_.Get(), name.c_str(), nullptr, &kind, nullptr, &size) !=
            ERROR_SUCCESS ||
        (kind != REG_SZ && kind != REG_EXPAND_SZ))
        return false;
    // The value may change between the two queries: retry while it grows.
    std::vector<wchar_t> buffer;
    LONG status;
    do {
        buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(openKey_.Get(), name.c_str(), nullptr, &kind,
                                    reinterpret_cast<BYTE*>(buffer.data()), &size);
    } while (status == ERROR_MORE_DATA);
    if (status != ERROR_SUCCESS || (kind != REG_SZ && kind != REG_EXPAND_SZ))
        return false;
    // Stored strings need not end in a terminator; the text ends at the first one.
    std::wstring text(buffer.data(), size / sizeof(wchar_t));
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos)
        text.resize(end);
    if (text.empty())
        return false;
    value = std::move(text);
    return true;
}

bool TSettingsStore::RegReadFloat(const std::wstring& section, const std::wstring& name,
                                  double& value) {
    if (!OpenSectionForRead(section))
        return false;
    DWORD kind = 0, size = 0;
    unsigned char bytes[8];
    if (::RegQueryValueExW(openKey_.Get(), name.c_str(), nullptr, &kind, nullptr, &size) !=
            ERROR_SUCCESS ||
        kind != REG_BINARY || size != sizeof(bytes))
        return false;
    if (::RegQueryValueExW(openKey_.Get(), name.c_str(), nullptr, &kind, bytes, &size) !=
            ERROR_SUCCESS ||
        kind != REG_BINARY || size != sizeof(bytes))
        return false;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    value = DecodeReal(static_cast<std::int64_t>(bits));
    return true;
}

namespace {

std::unique_ptr<TSettingsStore>& OwnedStore() {
    static std::unique_ptr<TSettingsStore> store;
    return store;
}

TSettingsStore*& CurrentStore() {
    static TSettingsStore* store = nullptr;
    return store;
}

} // namespace

TSettingsStore& Settings() {
    if (CurrentStore() == nullptr)
        throw ESettingsError(L"The settings store is not open");
    return *CurrentStore();
}

bool SettingsOpen() {
    return CurrentStore() != nullptr;
}

void OpenSettings(const std::wstring& appKeyPath) {
    OwnedStore() = std::make_unique<TSettingsStore>(appKeyPath);
    CurrentStore() = OwnedStore().get();
}

void CloseSettings() {
    if (OwnedStore()) {
        OwnedStore()->CloseKey();
        if (CurrentStore() == OwnedStore().get())
            CurrentStore() = nullptr;
        OwnedStore().reset();
    }
}

TScopedSettings::TScopedSettings(TSettingsStore& store) : previous_(CurrentStore()) {
    CurrentStore() = &store;
}

TScopedSettings::~TScopedSettings() {
    CurrentStore() = previous_;
}

} // namespace tb
