#pragma once
// Every recording the engine reads goes through here. A file whose tail is nothing but zero
// bytes (recorders pre-allocate their files and fill them as they record) ends where its real
// data ends, so that no reader goes through gigabytes of nothing looking for the next packet.
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

// A descriptor for reading the file at `path`, -1 (errno set) when it cannot be opened.
int OpenRegularFile(const std::string& path);

// Where the real data of the open file `fd` of `size` bytes ends: before its tail of zero bytes
// when it has one of at least a mebibyte, else `size`.
std::int64_t RealDataEnd(int fd, std::int64_t size);

}  // namespace MOVRA
