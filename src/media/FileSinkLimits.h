// How far a recording may write into its file. The platform's AVI multiplexer, where the
// program's own file sink serves it, keeps its file offsets in 32 bits: past 2 GiB its
// frames would silently overwrite each other. A disk that fills up leaves the file
// without its header. So the sink is given a limit before it opens the file (the smaller
// of 2 GiB and the disk's free space, less a margin the system keeps) and asks for the
// recording to end while there is still room for what the multiplexer writes at its end
// (headers and index) and for the frames that arrive before the end takes effect.
#pragma once

#include <cstdint>

namespace tb {

// The largest file the multiplexer can address.
constexpr std::uint64_t kLargestRecording = std::uint64_t{1} << 31;
// Free space left to the system on the recording's disk.
constexpr std::uint64_t kFreeSpaceKept = std::uint64_t{16} << 20;
// The most a recording keeps in hand for its ending: 128 MiB, enough for the index of a
// million chunks and a second of uncompressed HD frames.
constexpr std::uint64_t kLargestEndingReserve = std::uint64_t{128} << 20;

struct TFileSinkLimits {
    // No byte at or beyond it is written.
    std::uint64_t Hard = 0;
    // A write that ends beyond it asks for the recording to end.
    std::uint64_t Soft = 0;
};

// The limits of a recording on a disk with `freeBytes` free, capped at `largest`
// (kLargestRecording, or a smaller figure asked for). The reserve between the two is a
// quarter of the hard limit, at most kLargestEndingReserve.
TFileSinkLimits RecordingLimits(std::uint64_t largest, std::uint64_t freeBytes);

enum class TSinkWrite {
    Write,        // within the soft limit
    WriteAndWarn, // written, and the recording is asked to end
    Refuse,       // would pass the hard limit: not written
};

// What becomes of `length` bytes written at `position`. Position and length come from
// the writer; their sum may not fit in 64 bits, which is refused like any write past the
// hard limit.
TSinkWrite JudgeWrite(std::uint64_t position, std::uint64_t length, const TFileSinkLimits& limits);

// The position a seek arrives at: `offset` from the start, from `current` or from the
// file's `end` (origin 0, 1, 2 as STREAM_SEEK_SET, _CUR, _END). False for an unknown
// origin or a position before the start or beyond what 63 bits hold.
bool SeekPosition(int origin, std::int64_t offset, std::uint64_t current, std::uint64_t end,
                  std::uint64_t& position);

} // namespace tb
