#pragma once
// A clip's packets copied, without re-encoding, into an MP4 that common players and editors
// open: H.264 or H.265 video, AAC or MP3 sound (other sound is left out, and said so). The MP4
// carries the wall clock of its first frame, as our clips do. Written under a temporary name and
// given its own only when complete; an existing file is never replaced.
#include <string>

namespace MOVRA {

enum class Mp4Copy {
    kWritten,
    kNotPossible,  // the video cannot go into MP4 by copy, or the clip does not read: `why`
    kWriteFailed,  // the disk refused it (full, or gone): `why`
};

// `droppedSound` says why the clip's sound is not in the MP4, when it has sound that is not.
Mp4Copy CopyIntoMp4(const std::string& clip, const std::string& mp4, double wallStart, std::string* droppedSound,
                     std::string* why);

}  // namespace MOVRA
