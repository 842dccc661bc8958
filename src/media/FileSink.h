// The program's own file sink for recordings, for platforms whose capture graph builder
// cannot set up an output file (Wine: ICaptureGraphBuilder2::SetOutputFileName is not
// implemented, and its File Writer offers the multiplexer no stream to seek in). A
// renderer filter with IFileSinkFilter and one input pin that takes the multiplexer's byte
// stream both ways it may come: as samples whose start times are byte positions
// (IMemInputPin), and as absolute seeks and writes (IStream, which Wine's AVI
// multiplexer asks the pin downstream of it for).
//
// The file is created, replacing any file of that name whole, when the filter first
// leaves the stopped state, and closed when the pin is disconnected, the filter leaves
// its graph or goes: the multiplexer writes its headers and index while the graph stops,
// which may be after the sink itself stopped. One file per sink: a sink that ran once
// refuses to run again rather than overwrite its recording with an empty one.
//
// The writes are held to the limits of FileSinkLimits.h. When a write passes the soft
// limit, or a write fails, the sink posts kEcRecordingEnds to its graph once, with the
// reason as the first parameter; the capture control ends the recording. What cannot be
// written (past the hard limit, refused by the disk, with no file) is dropped, and the
// writer is still answered with success: Wine's multiplexer, once a write fails, never
// stops, and its graph can then no longer be taken apart.
#pragma once

#include "media/FileSinkLimits.h"

#include <windows.h>
#include <dshow.h>

namespace tb {

// The sink's class identifier, known to the program's media platform only.
// {0D39989E-5E74-48A5-8CCA-CFCF75CF0C8D}
constexpr GUID kClsidFileSink = {
    0x0D39989E, 0x5E74, 0x48A5, {0x8C, 0xCA, 0xCF, 0xCF, 0x75, 0xCF, 0x0C, 0x8D}};

// The graph event a sink posts when its recording must end (EC_USER + 1).
constexpr long kEcRecordingEnds = 0x8001;
// Its first parameter: why.
enum class TRecordingEnd : LONG_PTR {
    SizeLimit = 1,  // the file reached the largest size a recording may have
    DiskSpace = 2,  // the file reached the free space of its disk
    WriteFailed = 3 // the disk refused a write (full, gone, or failing)
};

// A new sink, queried for `id`.
HRESULT CreateFileSink(REFIID id, void** object);

// The environment value that caps a recording below kLargestRecording, in whole MiB
// (tests record to a small limit; absent, zero or unreadable: no cap).
constexpr wchar_t kRecordingLimitVariable[] = L"TESTBENCH_RECORDING_LIMIT_MB";

} // namespace tb
