#include "Engine/RawStreamPush.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "Engine/InputFile.h"

namespace MOVRA {

namespace {

constexpr auto kFollow = std::chrono::milliseconds(40);
constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

struct CRawStreamPush::State {
    std::shared_ptr<OpenFileState> file;  // its index is complete and no longer changes
    const FileIndex* index = nullptr;
    std::vector<std::int64_t> starts;  // every frame's packet start, in file order
    std::vector<std::int64_t> reach;  // per frame (presentation order): the byte after the frames up to it
    Position position;
    Sink sink;
    int fd = -1;
    std::int64_t cursor = 0;
    double startWall = 0, firstPts = 0, timeBase = 0;

    std::mutex mutex;
    std::condition_variable cv;
    bool stopping = false;
    std::atomic<bool> abandoned{false};

    ~State() {
        if (fd >= 0) ::close(fd);
    }

    // Pushes the bytes [from, to) in pieces; false when the file cannot be read.
    bool Push(std::int64_t from, std::int64_t to, double wall) {
        std::vector<std::uint8_t> buffer(kChunk);
        while (from < to && !abandoned) {
            const auto n = ::pread(fd, buffer.data(), static_cast<std::size_t>(std::min<std::int64_t>(kChunk, to - from)), from);
            if (n <= 0) return false;
            sink(buffer.data(), static_cast<int>(n), wall);
            from += n;
        }
        return true;
    }

    void Run() {
        for (;;) {
            bool finishing;
            {
                std::unique_lock<std::mutex> lock(mutex);
                cv.wait_for(lock, kFollow, [&] { return stopping; });
                finishing = stopping;
            }
            const std::int64_t pts = position();
            if (pts != INT64_MIN) {
                const std::size_t n = index->FrameAt(pts);
                const std::int64_t end = reach[n];
                const double wall = startWall + (index->frames[n].pts - firstPts) * timeBase;
                if (end > cursor && Push(cursor, end, wall)) cursor = end;
            }
            if (finishing || abandoned) return;
        }
    }
};

std::unique_ptr<CRawStreamPush> CRawStreamPush::Start(std::shared_ptr<OpenFileState> file, std::int64_t fromPts,
                                                      Position position, Sink sink) {
    if (file->media.container != "mpegts") return nullptr;
    auto s = std::make_shared<State>();
    {
        std::lock_guard<std::mutex> lock(file->mutex);
        if (!file->indexReady || file->index.frames.empty()) return nullptr;
        s->index = &file->index;
        s->startWall = file->startExact;
    }
    const FileIndex& index = *s->index;
    for (const IndexEntry& e : index.frames) {
        if (e.position < 0) return nullptr;
        s->starts.push_back(e.position);
    }
    std::sort(s->starts.begin(), s->starts.end());
    // Each frame's packet ends where the next packet in the file starts (the last: at the end).
    struct stat st;
    s->fd = OpenRegularFile(file->path);
    if (s->fd < 0 || ::fstat(s->fd, &st) != 0) return nullptr;
    const std::int64_t dataEnd = RealDataEnd(s->fd, st.st_size);  // not a pre-allocated file's zeros
    std::int64_t furthest = -1;
    s->reach.reserve(index.frames.size());
    for (const IndexEntry& e : index.frames) {
        furthest = std::max(furthest, e.position);
        auto next = std::upper_bound(s->starts.begin(), s->starts.end(), furthest);
        s->reach.push_back(next == s->starts.end() ? dataEnd : *next);
    }
    s->firstPts = static_cast<double>(index.FirstPts());
    s->timeBase = static_cast<double>(index.timeBaseNum) / index.timeBaseDen;
    s->file = file;
    s->position = std::move(position);
    s->sink = std::move(sink);

    // The stream's tables come before the first video packet; then on from the keyframe.
    if (fromPts == INT64_MIN) fromPts = index.FirstPts();
    const IndexEntry& key = index.frames[index.KeyframeAtOrBefore(index.FrameAt(fromPts))];
    const std::int64_t tables = s->starts.front();
    if (tables > 0 && !s->Push(0, std::min(tables, key.position), s->startWall)) return nullptr;
    s->cursor = key.position;

    std::unique_ptr<CRawStreamPush> push(new CRawStreamPush());
    push->m_state = s;
    push->m_thread.Start([s](const std::atomic<bool>&) { s->Run(); });
    return push;
}

CRawStreamPush::~CRawStreamPush() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stopping = true;
        m_state->cv.notify_all();
    }
    if (!m_thread.Stop(std::chrono::milliseconds(10000))) m_state->abandoned = true;
}

}  // namespace MOVRA
