// The program's file sink: the limits a recording is held to and the sink's seek rules
// (tables), and the sink itself on a real file in a real graph: created at the first run
// replacing an older file whole, asking once for the end when a write passes the soft
// limit, dropping what would pass the hard one (the writer still told success, so that
// it can stop), never running twice.
#include "media/FileSink.h"
#include "media/FileSinkLimits.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;
using namespace tb;

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t kNoLimit = UINT64_MAX;

TEST(FileSinkLimits, TheSmallerOfTheCapAndTheFreeSpaceLessAReserveForTheEnding) {
    struct Case {
        std::uint64_t largest, freeBytes, hard, soft;
    } cases[] = {
        {kLargestRecording, kNoLimit, kLargestRecording, kLargestRecording - 128 * MiB},
        {kLargestRecording, 116 * MiB, 100 * MiB, 75 * MiB}, // the disk: a quarter kept
        {16 * MiB, kNoLimit, 16 * MiB, 12 * MiB},            // a cap asked for
        {kLargestRecording, 16 * MiB, 0, 0},                 // no room at all
        {kLargestRecording, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const TFileSinkLimits limits = RecordingLimits(c.largest, c.freeBytes);
        EXPECT_EQ(limits.Hard, c.hard) << c.largest << " " << c.freeBytes;
        EXPECT_EQ(limits.Soft, c.soft) << c.largest << " " << c.freeBytes;
    }
}

TEST(FileSinkLimits, WritesAndSeeks) {
    const TFileSinkLimits limits{1000, 800};
    struct Write {
        std::uint64_t position, length;
        TSinkWrite verdict;
    } writes[] = {
        {0, 800, TSinkWrite::Write},         {799, 2, TSinkWrite::WriteAndWarn},
        {0, 1000, TSinkWrite::WriteAndWarn}, {999, 2, TSinkWrite::Refuse},
        {1001, 0, TSinkWrite::Refuse},       {10, UINT64_MAX - 5, TSinkWrite::Refuse},
        {UINT64_MAX, 1, TSinkWrite::Refuse},
    };
    for (const Write& w : writes)
        EXPECT_EQ(JudgeWrite(w.position, w.length, limits), w.verdict) << w.position;

    struct Seek {
        int origin;
        std::int64_t offset;
        bool ok;
        std::uint64_t position;
    } seeks[] = {
        {0, 40, true, 40},  {1, -10, true, 90},       {2, 0, true, 500},
        {2, 24, true, 524}, {1, -101, false, 0},      {3, 0, false, 0},
        {0, -1, false, 0},  {1, INT64_MAX, false, 0}, // past 63 bits
    };
    for (const Seek& s : seeks) {
        std::uint64_t position = 0;
        EXPECT_EQ(SeekPosition(s.origin, s.offset, 100, 500, position), s.ok)
            << s.origin << " " << s.offset;
        if (s.ok) {
            EXPECT_EQ(position, s.position);
        }
    }
}

class FileSinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, folder);
        file_ = std::wstring(folder) + L"tb-file-sink.avi";
        ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
        ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IGraphBuilder,
                                     reinterpret_cast<void**>(graph_.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(CreateFileSink(IID_IBaseFilter, reinterpret_cast<void**>(sink_.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(graph_->AddFilter(sink_.Get(), L"sink"), S_OK);
        ComPtr<IPin> pin;
        ASSERT_EQ(sink_->FindPin(L"In", pin.GetAddressOf()), S_OK);
        ASSERT_EQ(pin.As(&stream_), S_OK);
    }
    void TearDown() override {
        stream_.Reset();
        if (graph_ && sink_)
            graph_->RemoveFilter(sink_.Get());
        sink_.Reset();
        graph_.Reset();
        ::SetEnvironmentVariableW(kRecordingLimitVariable, nullptr);
        ::DeleteFileW(file_.c_str());
        ::CoUninitialize();
    }

    HRESULT Name(const std::wstring& name) {
        ComPtr<IFileSinkFilter> sink;
        sink_.As(&sink);
        return sink->SetFileName(name.c_str(), nullptr);
    }
    HRESULT WriteAt(std::uint64_t position, const std::vector<char>& bytes) {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(position);
        stream_->Seek(at, STREAM_SEEK_SET, nullptr);
        ULONG written = 0;
        return stream_->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    }
    std::uint64_t FileSize() {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ::GetFileAttributesExW(file_.c_str(), GetFileExInfoStandard, &data);
        return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    }
    // The recording-ends events the graph holds: their reasons.
    std::vector<LONG_PTR> EndEvents() {
        ComPtr<IMediaEvent> events;
        graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
        std::vector<LONG_PTR> reasons;
        long code = 0;
        LONG_PTR one = 0, two = 0;
        while (events->GetEvent(&code, &one, &two, 0) == S_OK) {
            if (code == kEcRecordingEnds)
                reasons.push_back(one);
            events->FreeEventParams(code, one, two);
        }
        return reasons;
    }

    std::wstring file_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IBaseFilter> sink_;
    ComPtr<IStream> stream_;
};

TEST_F(FileSinkTest, ARecordingReplacesTheFileIsHeldToItsLimitsAndRunsOnce) {
    { std::ofstream(std::filesystem::path(file_), std::ios::binary) << std::string(3 * MiB, 'x'); }
    ::SetEnvironmentVariableW(kRecordingLimitVariable, L"2"); // hard 2 MiB, soft 1.5 MiB
    const std::vector<char> block(512 * 1024, 'a');

    EXPECT_EQ(WriteAt(0, block), S_OK) << "no file before the run: dropped";
    EXPECT_EQ(sink_->Pause(), E_FAIL) << "no name";
    ASSERT_EQ(Name(file_), S_OK);
    ASSERT_EQ(sink_->Pause(), S_OK);
    EXPECT_EQ(FileSize(), 0u) << "the older file is replaced whole";

    EXPECT_EQ(WriteAt(0, block), S_OK);
    EXPECT_EQ(WriteAt(MiB, block), S_OK);
    EXPECT_TRUE(EndEvents().empty());
    EXPECT_EQ(WriteAt(MiB + 1, block), S_OK) << "past the soft limit: written";
    EXPECT_EQ(WriteAt(2 * MiB - 10, block), S_OK) << "past the hard limit: dropped";
    EXPECT_EQ(EndEvents(), std::vector<LONG_PTR>{static_cast<LONG_PTR>(TRecordingEnd::SizeLimit)})
        << "asked once";

    // The headers at the start, read back; the stream's size is the furthest write.
    const std::vector<char> header{'R', 'I', 'F', 'F'};
    EXPECT_EQ(WriteAt(0, header), S_OK);
    LARGE_INTEGER start{};
    stream_->Seek(start, STREAM_SEEK_SET, nullptr);
    char read[4] = {};
    ULONG got = 0;
    EXPECT_EQ(stream_->Read(read, 4, &got), S_OK);
    EXPECT_EQ(std::string(read, 4), "RIFF");
    STATSTG stat{};
    EXPECT_EQ(stream_->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, MiB + 1 + block.size());

    // Stopped, the file stays open for the multiplexer's ending; a second run of the same
    // sink would overwrite the recording and is refused.
    ASSERT_EQ(sink_->Stop(), S_OK);
    EXPECT_EQ(WriteAt(4, header), S_OK);
    EXPECT_EQ(sink_->Pause(), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(FileSize(), MiB + 1 + block.size());
}

TEST_F(FileSinkTest, AFolderThatIsNotThereFailsTheRunWithItsReason) {
    ASSERT_EQ(Name(file_ + L".missing\\clip.avi"), S_OK);
    EXPECT_EQ(sink_->Pause(), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(sink_->Run(0), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

} // namespace
