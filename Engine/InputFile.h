#pragma once
// Every recording the engine reads goes through here. A path that names no regular file (a
// named pipe, a device, a socket, a folder) is refused before it is opened: opening a pipe waits
// for a writer, and a device may never end. So is an empty file: nothing in it plays, and the
// kernel's own files (/proc/kmsg) call themselves empty and wait for data when read. A file whose
// tail is nothing but zero bytes (recorders pre-allocate their files and fill them as they
// record) ends where its real data ends, so that no reader goes through gigabytes of nothing
// looking for the next packet.
#include <cstdint>
#include <string>

struct AVFormatContext;

namespace MOVRA {

// avformat_open_input on the recording at `path`: 0, or a negative FFmpeg error. The context's
// reading is the engine's own; InputPtr (FfmpegSupport.h) releases it.
int OpenRecordingInput(const std::string& path, AVFormatContext** input);
// avformat_find_stream_info, with the decoders it tries on the streams bounded in picture size
// (FfmpegSupport.h).
int FindRecordingStreams(AVFormatContext* input);
// Releases a context from OpenRecordingInput, or any other input context.
void CloseRecordingInput(AVFormatContext* input);

// A descriptor for reading the regular file at `path` that is not empty, -1 (errno set) for
// anything else.
int OpenRegularFile(const std::string& path);

// Where the real data of the open file `fd` of `size` bytes ends: before its tail of zero bytes
// when it has one of at least a mebibyte, else `size`.
std::int64_t RealDataEnd(int fd, std::int64_t size);

}  // namespace MOVRA
