// What the main window tells of a recording: the clock, the caption, the end report and
// the folder a file name lies in.
#include "app/RecordingText.h"

#include <gtest/gtest.h>

using namespace tb;

TEST(RecordingText, CaptionClockReportAndFolder) {
    const std::pair<std::uint32_t, const wchar_t*> clocks[] = {
        {0, L"0:00"}, {999, L"0:00"}, {65000, L"1:05"}, {3599999, L"59:59"}, {3723000, L"1:02:03"}};
    for (const auto& [milliseconds, text] : clocks)
        EXPECT_EQ(RecordingClock(milliseconds), text);

    EXPECT_EQ(RecordingCaption(L"PelmontTest2", {5200, 150u, 2}),
              L"PelmontTest2 - Recording 0:05, 150 frames, 2 dropped");
    // A source that counts no frames: the time and the drops alone.
    EXPECT_EQ(RecordingCaption(L"PelmontTest2", {5200, std::nullopt, 0}),
              L"PelmontTest2 - Recording 0:05, 0 dropped");
    EXPECT_EQ(RecordingEndText(TCaptureEnd::TimeLimit, L"C:\\clip.avi", {5000, 150u, 0}),
              L"Recording ended: the time limit was reached.\n\nFile: C:\\clip.avi\n"
              L"Length: 0:05, 150 frames, 0 dropped");
    EXPECT_FALSE(RecordingEndWarns(TCaptureEnd::Stopped));
    EXPECT_FALSE(RecordingEndWarns(TCaptureEnd::TimeLimit));
    EXPECT_TRUE(RecordingEndWarns(TCaptureEnd::SizeLimit));
    EXPECT_TRUE(RecordingEndWarns(TCaptureEnd::WriteFailed));

    const std::pair<const wchar_t*, const wchar_t*> folders[] = {
        {L"C:\\clips\\a.avi", L"C:\\clips"},
        {L"C:\\a.avi", L"C:\\"},
        {L"\\a.avi", L"\\"},
        {L"a.avi", L""},
        {L"Z:/tmp/x/a.avi", L"Z:/tmp/x"},
        {L"\\\\server\\share\\a.avi", L"\\\\server\\share"}};
    for (const auto& [name, folder] : folders)
        EXPECT_EQ(FolderOf(name), folder) << name;
}
