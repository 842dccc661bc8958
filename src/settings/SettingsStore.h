// The per-user settings store: typed values in sections (sub-keys) below the
// application key HKEY_CURRENT_USER\Software\<AppKeyPath>. Reads report success and
// never raise; writes raise ESettingsError when a key or value cannot be written.
// Nothing is cached: every read and write goes to the registry.
#pragma once

#include "framework/Exception.h"
#include "framework/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace tb {

class ESettingsError : public TException {
public:
    using TException::TException;
};

class TSettingsStore {
public:
    // Opens (creating if missing) HKEY_CURRENT_USER\Software\<appKeyPath> and writes its
    // empty "Application" value.
    explicit TSettingsStore(std::wstring appKeyPath, HKEY root = HKEY_CURRENT_USER);
    TSettingsStore(const TSettingsStore&) = delete;
    TSettingsStore& operator=(const TSettingsStore&) = delete;

    const std::wstring& AppKeyPath() const { return appKeyPath_; }
    // "\Software\" followed by AppKeyPath.
    std::wstring AppKey() const { return L"\\Software\\" + appKeyPath_; }

    void RegWriteInteger(const std::wstring& section, const std::wstring& name, std::int32_t value);
    void RegWriteBool(const std::wstring& section, const std::wstring& name, bool value);
    void RegWriteString(const std::wstring& section, const std::wstring& name,
                        const std::wstring& value);
    void RegWriteFloat(const std::wstring& section, const std::wstring& name, double value);

    bool RegReadInteger(const std::wstring& section, const std::wstring& name, std::int32_t& value);
    bool RegReadBool(const std::wstring& section, const std::wstring& name, bool& value);
    bool RegReadString(const std::wstring& section, const std::wstring& name, std::wstring& value);
    bool RegReadFloat(const std::wstring& section, const std::wstring& name, double& value);

    // Closes the key that the last helper opened.
    void CloseKey() { openKey_.Reset(); }

private:
    void OpenSectionForWrite(const std::wstring& section);
    bool OpenSectionForRead(const std::wstring& section);
    void WriteValue(const std::wstring& name, DWORD kind, const void* data, DWORD size);

    HKEY root_;
    std::wstring appKeyPath_;
    UniqueHKey openKey_;
};

// The program-wide store, opened at start-up before any window exists and closed after
// the last one is gone.
TSettingsStore& Settings();
bool SettingsOpen();
void OpenSettings(const std::wstring& appKeyPath);
void CloseSettings();

// Makes a store the program-wide one while it lives (tests, and the program entry).
class TScopedSettings {
public:
    explicit TScopedSettings(TSettingsStore& store);
    ~TScopedSettings();
    TScopedSettings(const TScopedSettings&) = delete;
    TScopedSettings& operator=(const TScopedSettings&) = delete;

private:
    TSettingsStore* previous_;
};

} // namespace tb
