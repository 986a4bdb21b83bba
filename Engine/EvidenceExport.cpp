#include "Engine/EvidenceExport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <memory>
#include <thread>

#include "Base/ReplaceFile.h"
#include "Engine/ClipRecorder.h"
#include "Engine/EvidenceReport.h"
#include "Engine/FfmpegSupport.h"
#include "Engine/FileHash.h"
#include "Engine/Mp4Copy.h"
#include "Engine/PictureFile.h"
#include "Engine/VideoDecoder.h"

namespace MOVRA {

namespace {

// The part of one source file that falls in the stretch.
struct Piece {
    std::size_t channel = 0;  // into the request's channels
    std::string path;  // absolute
    MediaDescription media;
    FileIndex index;
    double start = 0, end = 0;  // wall clock of the whole file

    double Seconds(std::int64_t pts) const {
        return static_cast<double>(pts - index.FirstPts()) * index.timeBaseNum / index.timeBaseDen;
    }
    std::int64_t Pts(double wall) const {
        return index.FirstPts() + std::llround((wall - start) * index.timeBaseDen / index.timeBaseNum);
    }
};

class Exporter {
public:
    explicit Exporter(const EvidenceRequest& request) : m_request(request) {}

    EvidenceResult Run() {
        const EvidenceRequest& q = m_request;
        if (!(q.to > q.from) || q.folder.empty())
            return Fail(EvidenceError::kBadRequest, q.folder.empty() ? "no folder given" : "the stretch ends before it starts");
        if (!FindPieces()) return std::move(m_result);
        if (m_pieces.empty())
            return Fail(EvidenceError::kNoRecording,
                        "no recording between " + FormatEvidenceTime(q.from) + " and " + FormatEvidenceTime(q.to));
        if (!MakeFolder()) return std::move(m_result);
        EvidenceReport& report = m_result.report;
        report.from = q.from;
        report.to = q.to;
        report.version = q.version;
        report.note = q.note;
        report.labels = q.labels;
        report.exportedAt = static_cast<std::int64_t>(std::time(nullptr));
        report.snapshotAt = q.snapshotAt >= q.from && q.snapshotAt < q.to ? q.snapshotAt : q.from;
        std::size_t done = 0;
        for (std::size_t c = 0; c < q.channels.size(); ++c) {
            const Piece* shot = SnapshotPiece(c, report.snapshotAt);
            for (const Piece& piece : m_pieces) {
                if (piece.channel != c) continue;
                const double at = &piece == shot ? std::max(report.snapshotAt, piece.start) : -1;
                if (!ExportPiece(piece, at, done)) return Undo();
                ++done;
            }
        }
        if (!WriteReport()) return Undo();
        Progress(1, "done");
        return std::move(m_result);
    }

private:
    bool Failed(EvidenceError error, const std::string& message) {
        m_result.error = error;
        m_result.message = message;
        return false;
    }
    EvidenceResult Fail(EvidenceError error, const std::string& message) {
        Failed(error, message);
        return std::move(m_result);
    }
    bool Cancelled() const { return m_request.cancel && m_request.cancel->load(); }
    void Progress(double done, const std::string& step) const {
        if (m_request.progress) m_request.progress(done, step);
    }

    // What the export wrote goes again, and the folder when it was made here.
    EvidenceResult Undo() {
        for (auto it = m_written.rbegin(); it != m_written.rend(); ++it) ::unlink(it->c_str());
        if (m_madeFolder) ::rmdir(m_request.folder.c_str());
        m_result.report = EvidenceReport();
        return std::move(m_result);
    }

    bool FindPieces() {
        const EvidenceRequest& q = m_request;
        std::size_t total = 0, seen = 0;
        for (const EvidenceChannel& c : q.channels) total += c.files.size();
        for (std::size_t c = 0; c < q.channels.size(); ++c)
            for (const std::string& file : q.channels[c].files) {
                if (Cancelled()) return Failed(EvidenceError::kCancelled, "cancelled");
                Progress(0.1 * static_cast<double>(seen++) / std::max<std::size_t>(total, 1), "reading " + file);
                Piece p;
                p.channel = c;
                std::error_code ec;
                p.path = std::filesystem::absolute(file, ec).lexically_normal().string();
                if (ec) p.path = file;
                std::string why;
                const std::atomic<bool> never{false};
                const bool probed = ProbeMedia(p.path, &p.media, &why);
                if (probed && Beside(p, q)) continue;  // not read through: a day of hour-long files is large
                if (!probed || !BuildFileIndex(p.path, &p.index, q.cancel ? *q.cancel : never) || p.index.frames.empty()) {
                    if (Cancelled()) return Failed(EvidenceError::kCancelled, "cancelled");
                    // Said in the report: a damaged file beside the stretch must not stop the rest.
                    Skip(q.channels[c], "recording " + p.path, why.empty() ? "it cannot be read as a recording" : why);
                    continue;
                }
                const double duration = p.index.DurationSeconds();
                p.start = ResolveStartTime(p.path, p.media, duration);
                p.end = p.start + duration;
                if (p.start < q.to && p.end > q.from) m_pieces.push_back(std::move(p));
            }
        std::stable_sort(m_pieces.begin(), m_pieces.end(), [](const Piece& a, const Piece& b) {
            return a.channel != b.channel ? a.channel < b.channel : a.start < b.start;
        });
        return true;
    }

    // Clearly outside the stretch by the container's estimate of its length. The estimate runs a
    // little long or short, so only a file well away from the stretch is passed over unindexed.
    static bool Beside(const Piece& p, const EvidenceRequest& q) {
        const double estimate = p.media.durationEstimate;
        if (!(estimate > 0)) return false;
        const double start = ResolveStartTime(p.path, p.media, estimate);
        const double slack = 60 + 0.1 * estimate;
        return start - slack >= q.to || start + estimate + slack <= q.from;
    }

    bool MakeFolder() {
        const std::string& folder = m_request.folder;
        struct stat st;
        if (::stat(folder.c_str(), &st) == 0) {
            std::error_code ec;
            if (!S_ISDIR(st.st_mode) || !std::filesystem::is_empty(folder, ec) || ec)
                return Failed(EvidenceError::kFolderNotNew, folder + " exists already and is not an empty folder: evidence goes into a new one");
            return true;
        }
        std::error_code ec;
        const std::filesystem::path parent = std::filesystem::path(folder).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent, ec);
        if (::mkdir(folder.c_str(), 0755) != 0)
            return Failed(EvidenceError::kCannotWrite, "cannot make the folder " + folder + ": " + std::strerror(errno));
        m_madeFolder = true;
        return true;
    }

    void Skip(const EvidenceChannel& c, const std::string& what, const std::string& reason) {
        m_result.report.skipped.push_back(EvidenceSkip{c.device, c.channel, c.stream, what, reason});
    }

    std::string Label(const Piece& piece) const {
        const EvidenceChannel& c = m_request.channels[piece.channel];
        std::string device;
        for (char ch : c.device) device += (ch == '/' || static_cast<unsigned char>(ch) < 0x20) ? '_' : ch;
        if (device.empty() || device[0] == '.') device = "recording" + std::to_string(piece.channel + 1) + device;
        std::string label = device + "_ch" + std::to_string(c.channel);
        if (c.stream > 0) label += "_extra" + std::to_string(c.stream);
        return label;
    }

    static std::string Stamp(double wall) {
        const std::time_t t = static_cast<std::time_t>(std::floor(wall));
        std::tm tm{};
        localtime_r(&t, &tm);
        char text[32];
        std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &tm);
        return text;
    }

    // Hashes a file just written and lists it.
    bool List(EvidenceFile file) {
        std::string why;
        if (!Sha256OfFile(m_request.folder + "/" + file.name, &file.sha256, &file.size, &why, m_request.cancel))
            return Failed(Cancelled() ? EvidenceError::kCancelled : EvidenceError::kCannotWrite, "cannot read back " + file.name + ": " + why);
        m_result.report.files.push_back(std::move(file));
        return true;
    }

    EvidenceFile Describe(const Piece& piece, const std::string& name, const std::string& kind) const {
        const EvidenceChannel& c = m_request.channels[piece.channel];
        EvidenceFile f;
        f.name = name;
        f.kind = kind;
        f.source = piece.path;
        f.device = c.device;
        f.channel = c.channel;
        f.stream = c.stream;
        return f;
    }

    // Frames and span of a video file written: from its own index and the wall clock stored in it.
    bool Measure(const std::string& path, double fallbackStart, EvidenceFile* f, std::string* soundCodec = nullptr) {
        MediaDescription media;
        FileIndex index;
        const std::atomic<bool> never{false};
        std::string why;
        if (!ProbeMedia(path, &media, &why) || !BuildFileIndex(path, &index, never) || index.frames.empty())
            return Failed(EvidenceError::kCannotWrite, "the file written does not read back: " + f->name);
        // FFmpeg names a family of containers ("mov,mp4,m4a,..."): the report says the one written.
        f->container = f->kind == "mp4" ? "mp4" : media.container.substr(0, media.container.find(','));
        f->frames = static_cast<std::int64_t>(index.frames.size());
        if (soundCodec) *soundCodec = media.audioCodec;
        f->start = media.hasWallClock ? media.wallClock : fallbackStart;
        f->end = f->start + index.DurationSeconds();
        return true;
    }

    // The channel's piece that holds the time, else the first that starts after it.
    const Piece* SnapshotPiece(std::size_t channel, double at) const {
        const Piece* after = nullptr;
        for (const Piece& p : m_pieces) {
            if (p.channel != channel) continue;
            if (p.start <= at && at < p.end) return &p;
            if (p.start > at && !after) after = &p;
        }
        return after;
    }

    // `snapshotAt` (wall clock) the picture the piece gives, or below 0 none.
    bool ExportPiece(const Piece& piece, double snapshotAt, std::size_t done) {
        const EvidenceRequest& q = m_request;
        const double share = 0.9 / static_cast<double>(m_pieces.size());
        const double base = 0.1 + share * static_cast<double>(done);
        Progress(base, "hashing " + piece.path);
        EvidenceSource source;
        source.path = piece.path;
        std::string why;
        if (!Sha256OfFile(piece.path, &source.sha256, &source.size, &why, q.cancel))
            return Failed(Cancelled() ? EvidenceError::kCancelled : EvidenceError::kCannotRead, "cannot read " + piece.path + ": " + why);
        const EvidenceChannel& c = q.channels[piece.channel];
        source.device = c.device;
        source.channel = c.channel;
        source.stream = c.stream;
        source.start = piece.start;
        source.end = piece.end;
        m_result.report.sources.push_back(source);

        const std::string label = Label(piece);
        const double from = std::max(q.from, piece.start);
        if (snapshotAt >= 0 && !Snapshot(piece, label, snapshotAt)) return false;
        const std::string clipName = label + "_" + Stamp(from) + ".rvf";
        if (!Cut(piece, clipName, from, base + share * 0.2, share * 0.6)) return false;
        EvidenceFile clip = Describe(piece, clipName, "clip");
        std::string clipSound;
        if (!Measure(q.folder + "/" + clipName, from, &clip, &clipSound) || !List(clip)) return false;
        // Said, never silently lost: the source keeps the sound the clip's container cannot carry.
        if (!piece.media.audioCodec.empty() && clipSound.empty())
            Skip(c, "sound of " + clipName,
                 "its sound (" + piece.media.audioCodec + ") is not carried by the clip's container; the source recording keeps it");

        const std::string& codec = piece.media.videoCodec;
        if (codec != "h264" && codec != "hevc") {
            Skip(c, "MP4 of " + clipName, "its video (" + codec + ") is copied into MP4 only when it is H.264 or H.265");
            return true;
        }
        Progress(base + share * 0.8, "copying " + clipName + " into MP4");
        const std::string mp4Name = label + "_" + Stamp(from) + ".mp4";
        const std::string mp4Path = q.folder + "/" + mp4Name;
        std::string dropped;
        const Mp4Copy copied = CopyIntoMp4(q.folder + "/" + clipName, mp4Path, clip.start, &dropped, &why);
        if (copied == Mp4Copy::kWriteFailed) return Failed(EvidenceError::kCannotWrite, "cannot write " + mp4Name + ": " + why);
        if (copied == Mp4Copy::kNotPossible) {
            Skip(c, "MP4 of " + clipName, why);  // the native clip stands on its own
            return true;
        }
        m_written.push_back(mp4Path);
        if (!dropped.empty()) Skip(c, "sound of " + mp4Name, dropped);
        EvidenceFile mp4 = Describe(piece, mp4Name, "mp4");
        return Measure(mp4Path, clip.start, &mp4) && List(mp4);
    }

    // The frame shown at `at`, as the player's snapshot writes it.
    bool Snapshot(const Piece& piece, const std::string& label, double at) {
        const std::size_t n = piece.index.FrameAt(piece.Pts(at));
        const IndexEntry& frame = piece.index.frames[n];
        const IndexEntry& key = piece.index.frames[piece.index.KeyframeAtOrBefore(n)];
        CVideoDecoder decoder;
        DecodedPicture picture;
        const EvidenceChannel& c = m_request.channels[piece.channel];
        const char* extension = m_request.jpegSnapshot ? ".jpg" : ".bmp";
        const std::string name = label + "_" + Stamp(at) + extension;
        bool decoded = decoder.Open(piece.path) && decoder.SeekToKeyframe(key.position, key.pts);
        if (decoded) {
            decoder.DiscardThrough(frame.pts - 1);
            decoded = decoder.Next(&picture);
        }
        if (!decoded) {
            Skip(c, "snapshot " + name, "the frame at the snapshot's time does not decode");
            return true;
        }
        const std::string path = m_request.folder + "/" + name;
        std::string why;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0) return Failed(EvidenceError::kCannotWrite, name + " appeared in the folder meanwhile");
        if (!WritePictureFile(picture, path, m_request.jpegSnapshot, &why))
            return Failed(EvidenceError::kCannotWrite, "cannot write " + name + ": " + why);
        m_written.push_back(path);
        EvidenceFile f = Describe(piece, name, "snapshot");
        f.container = m_request.jpegSnapshot ? "jpeg" : "bmp";
        f.frames = 1;
        f.start = f.end = piece.start + piece.Seconds(picture.pts);
        return List(f);
    }

    // The packets of the piece from the keyframe at or before `from` to the last frame shown
    // before the stretch's end, as the player's clips are copied.
    bool Cut(const Piece& piece, const std::string& name, double from, double progressBase, double progressShare) {
        auto file = std::make_shared<OpenFileState>();
        file->path = piece.path;
        file->media = piece.media;
        file->index = piece.index;
        file->indexReady = true;
        file->startExact = piece.start;
        file->timeKnown = true;
        std::int64_t last = std::numeric_limits<std::int64_t>::max() / 4;  // to the file's end
        if (piece.end > m_request.to) last = piece.index.frames[piece.index.FrameAt(piece.Pts(m_request.to) - 1)].pts;
        // Lowered on a cancel, so that stopping completes the clip with what it has instead of
        // copying the rest of a long stretch first.
        auto limit = std::make_shared<std::atomic<std::int64_t>>(last);
        CClipRecorder::Target target;
        const std::string path = m_request.folder + "/" + name;
        target.path = path;
        target.whole = true;
        std::string why;
        std::unique_ptr<CClipRecorder> recorder =
            CClipRecorder::Start(file, std::move(target), piece.Pts(from), [limit] { return limit->load(); }, &why);
        if (!recorder) return Failed(EvidenceError::kCannotWrite, "cannot write " + name + ": " + why);
        const double length = std::max(1e-3, std::min(piece.end, m_request.to) - from);
        Progress(progressBase, "cutting " + name);
        while (!recorder->CaughtUp() && !Cancelled()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            Progress(progressBase + progressShare * std::min(1.0, recorder->CopiedSeconds() / length), "cutting " + name);
        }
        if (Cancelled()) *limit = std::numeric_limits<std::int64_t>::min() / 4;
        const bool complete = recorder->Stop();
        if (complete) m_written.push_back(path);
        if (Cancelled()) return Failed(EvidenceError::kCancelled, "cancelled");
        if (!complete) return Failed(EvidenceError::kCannotWrite, "cannot write " + name + ": the disk is full or the copy failed");
        return true;
    }

    bool WriteNew(const std::string& name, const std::string& text) {
        const std::string path = m_request.folder + "/" + name;
        KX_SOFT_BASE::CFilePart part;
        bool ok = part.Create(path);
        if (ok) {
            std::FILE* out = std::fopen(part.Temporary().c_str(), "wb");
            ok = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
            ok = out && std::fclose(out) == 0 && ok;
            ok = ok && part.Commit();
        }
        if (!ok) return Failed(EvidenceError::kCannotWrite, "cannot write " + name + ": " + std::strerror(errno));
        m_written.push_back(path);
        return true;
    }

    bool WriteReport() {
        Progress(0.99, "writing the report");
        const std::string json = EvidenceReportJson(m_result.report);
        std::string html, why;
        if (!EvidenceReportHtml(json, &html, &why)) return Failed(EvidenceError::kCannotWrite, why);
        return WriteNew(kEvidenceJsonName, json) && WriteNew(kEvidenceHtmlName, html);
    }

    const EvidenceRequest& m_request;
    EvidenceResult m_result;
    std::vector<Piece> m_pieces;
    std::vector<std::string> m_written;
    bool m_madeFolder = false;
};

}  // namespace

EvidenceResult ExportEvidence(const EvidenceRequest& request) {
    QuietFfmpegOnce();
    return Exporter(request).Run();
}

}  // namespace MOVRA
