#include "app/RecordingText.h"

namespace tb {

namespace {

std::wstring Counts(const TRecordingCount& count) {
    std::wstring text = RecordingClock(count.ElapsedMilliseconds);
    if (count.Frames)
        text += L", " + std::to_wstring(*count.Frames) + L" frames";
    text += L", " + std::to_wstring(count.Dropped) + L" dropped";
    return text;
}

const wchar_t* Reason(TCaptureEnd reason) {
    switch (reason) {
    case TCaptureEnd::TimeLimit:
        return L"Recording ended: the time limit was reached.";
    case TCaptureEnd::SizeLimit:
        return L"Recording ended: the file reached the largest size this system's AVI "
               L"writer can address. The file is complete up to that point.";
    case TCaptureEnd::DiskSpace:
        return L"Recording ended: the disk is nearly full. The file is complete up to that "
               L"point.";
    case TCaptureEnd::WriteFailed:
        return L"Recording ended: the disk refused to write the file (full or failing). "
               L"The file may be incomplete.";
    case TCaptureEnd::DeviceLost:
        return L"Recording ended: the video device was lost.";
    case TCaptureEnd::Aborted:
        return L"Recording ended: the capture graph reported an error.";
    case TCaptureEnd::Stopped:
    case TCaptureEnd::None:
        break;
    }
    return L"Recording stopped.";
}

} // namespace

std::wstring RecordingClock(std::uint32_t elapsedMilliseconds) {
    const std::uint32_t seconds = elapsedMilliseconds / 1000;
    const std::uint32_t hours = seconds / 3600;
    const std::uint32_t minutes = seconds / 60 % 60;
    const std::uint32_t rest = seconds % 60;
    auto twoDigits = [](std::uint32_t value) {
        return (value < 10 ? L"0" : L"") + std::to_wstring(value);
    };
    if (hours > 0)
        return std::to_wstring(hours) + L":" + twoDigits(minutes) + L":" + twoDigits(rest);
    return std::to_wstring(minutes) + L":" + twoDigits(rest);
}

std::wstring RecordingCaption(const std::wstring& base, const TRecordingCount& count) {
    return base + L" - Recording " + Counts(count);
}

std::wstring RecordingEndText(TCaptureEnd reason, const std::wstring& fileName,
                              const TRecordingCount& count) {
    return std::wstring(Reason(reason)) + L"\n\nFile: " + fileName + L"\nLength: " + Counts(count);
}

bool RecordingEndWarns(TCaptureEnd reason) {
    return reason == TCaptureEnd::WriteFailed || reason == TCaptureEnd::DeviceLost ||
           reason == TCaptureEnd::Aborted || reason == TCaptureEnd::DiskSpace ||
           reason == TCaptureEnd::SizeLimit;
}

std::wstring FolderOf(const std::wstring& fileName) {
    const std::size_t slash = fileName.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return {};
    // "C:\clip.avi": the folder is the drive's root, "C:\".
    if (slash == 2 && fileName[1] == L':')
        return fileName.substr(0, 3);
    if (slash == 0)
        return fileName.substr(0, 1);
    return fileName.substr(0, slash);
}

} // namespace tb
