#include "Engine/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "Base/File.h"
#include "Engine/FfmpegSupport.h"

namespace MOVRA {

namespace {

constexpr int kReadBuffer = 32 * 1024;  // what FFmpeg's own file reading uses
constexpr std::int64_t kBlock = 64 * 1024;
// A tail shorter than this is left to the demuxer (it reads past it in no time). No recording
// holds this many zero bytes in a row: every transport packet starts with a sync byte, every
// program stream pack with a start code, and coded pictures never carry three zeros running.
constexpr std::int64_t kMinTail = 1024 * 1024;
// The zero test of the search below looks at this much, so that a few zeroed blocks inside the
// real data (damage) do not pass for the tail.
constexpr std::int64_t kProbe = 4 * kBlock;

// The bytes [offset, offset + length) are all zero; false when they cannot be read.
bool AllZero(int fd, std::int64_t offset, std::int64_t length, std::vector<unsigned char>& buffer) {
    buffer.resize(static_cast<std::size_t>(kBlock));
    while (length > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min(length, kBlock));
        const ssize_t got = ::pread(fd, buffer.data(), want, offset);
        if (got <= 0) return false;
        if (std::any_of(buffer.begin(), buffer.begin() + got, [](unsigned char c) { return c != 0; })) return false;
        offset += got;
        length -= got;
    }
    return true;
}

// The file's bytes for FFmpeg, up to the end of its real data; a file with no zero tail is read
// to wherever its end is at the time, so that a file still being written is followed.
struct Source {
    int fd = -1;
    std::int64_t end = -1;  // -1: the file's own end
    std::int64_t position = 0;

    static int Read(void* opaque, std::uint8_t* data, int size) {
        auto* s = static_cast<Source*>(opaque);
        std::int64_t want = size;
        if (s->end >= 0) want = std::min(want, s->end - s->position);
        if (want <= 0) return AVERROR_EOF;
        ssize_t got;
        do got = ::pread(s->fd, data, static_cast<std::size_t>(want), s->position);
        while (got < 0 && errno == EINTR);
        if (got < 0) return AVERROR(errno);
        if (got == 0) return AVERROR_EOF;
        s->position += got;
        return static_cast<int>(got);
    }

    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* s = static_cast<Source*>(opaque);
        std::int64_t size = s->end;
        if (size < 0 || (whence & ~AVSEEK_FORCE) == SEEK_END) {
            struct stat st;
            if (::fstat(s->fd, &st) != 0) return AVERROR(errno);
            if (size < 0) size = st.st_size;
        }
        std::int64_t target;
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE: return size;
            case SEEK_SET: target = offset; break;
            case SEEK_CUR: target = s->position + offset; break;
            case SEEK_END: target = size + offset; break;
            default: return AVERROR(EINVAL);
        }
        if (target < 0) return AVERROR(EINVAL);
        s->position = target;
        return target;
    }
};

void Release(AVIOContext* io) {
    if (!io) return;
    auto* source = static_cast<Source*>(io->opaque);
    if (source) {
        ::close(source->fd);
        delete source;
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
}

}  // namespace

int OpenRegularFile(const std::string& path) {
    if (KX_SOFT_BASE::SpecialFileKind(path.c_str())) {
        errno = EINVAL;
        return -1;
    }
    // Not blocking, in case the path was made a pipe since it was looked at; looked at again.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

std::int64_t RealDataEnd(int fd, std::int64_t size) {
    std::vector<unsigned char> buffer;
    if (size < kMinTail || !AllZero(fd, size - kMinTail, kMinTail, buffer)) return size;
    // The real data, then zeros to the end: the first block from which all is zero, found by
    // halving (the search reads a few megabytes of a file of any size).
    std::int64_t low = 0, high = (size - kMinTail) / kBlock;  // block `high` on is zero
    while (low < high) {
        const std::int64_t middle = low + (high - low) / 2;
        const std::int64_t at = middle * kBlock;
        if (AllZero(fd, at, std::min(kProbe, size - at), buffer))
            high = middle;
        else
            low = middle + 1;
    }
    // The last byte that is not zero lies in the block before.
    if (high == 0) return 0;
    const std::int64_t at = (high - 1) * kBlock;
    buffer.resize(static_cast<std::size_t>(kBlock));
    const ssize_t got = ::pread(fd, buffer.data(), static_cast<std::size_t>(kBlock), at);
    if (got <= 0) return size;
    for (ssize_t i = got; i-- > 0;)
        if (buffer[static_cast<std::size_t>(i)] != 0) return at + i + 1;
    return at;
}

int OpenRecordingInput(const std::string& path, AVFormatContext** input) {
    *input = nullptr;
    const int fd = OpenRegularFile(path);
    if (fd < 0) return AVERROR(errno);
    auto* source = new Source;
    source->fd = fd;
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        const std::int64_t end = RealDataEnd(fd, st.st_size);
        if (end < st.st_size) source->end = end;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReadBuffer));
    AVIOContext* io = buffer ? avio_alloc_context(buffer, kReadBuffer, 0, source, &Source::Read, nullptr, &Source::Seek) : nullptr;
    AVFormatContext* context = io ? avformat_alloc_context() : nullptr;
    if (!context) {
        if (io) {
            Release(io);
        } else {
            av_free(buffer);
            ::close(fd);
            delete source;
        }
        return AVERROR(ENOMEM);
    }
    context->pb = io;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    const int rc = avformat_open_input(&context, path.c_str(), nullptr, nullptr);
    if (rc < 0) {  // the context is gone; its reading is still ours
        Release(io);
        return rc;
    }
    *input = context;
    return 0;
}

int FindRecordingStreams(AVFormatContext* input) {
    const unsigned streams = input->nb_streams;
    std::vector<AVDictionary*> options(streams, nullptr);
    std::vector<std::pair<int, int>> declared(streams);
    for (unsigned i = 0; i < streams; ++i) {
        av_dict_set_int(&options[i], "max_pixels", kMaxPicturePixels, 0);
        declared[i] = {input->streams[i]->codecpar->width, input->streams[i]->codecpar->height};
    }
    const int rc = avformat_find_stream_info(input, options.empty() ? nullptr : options.data());
    for (AVDictionary*& o : options) av_dict_free(&o);
    // A decoder that refuses the size forgets it; the size the container declared is what the
    // refusal names.
    for (unsigned i = 0; i < streams; ++i) {
        AVCodecParameters* par = input->streams[i]->codecpar;
        if (par->width == 0 && par->height == 0 && !PictureSizeAllowed(declared[i].first, declared[i].second)) {
            par->width = declared[i].first;
            par->height = declared[i].second;
        }
    }
    return rc;
}

void CloseRecordingInput(AVFormatContext* input) {
    if (!input) return;
    AVIOContext* io = (input->flags & AVFMT_FLAG_CUSTOM_IO) ? input->pb : nullptr;
    const bool ours = io && io->read_packet == &Source::Read;
    avformat_close_input(&input);
    if (ours) Release(io);
}

}  // namespace MOVRA
