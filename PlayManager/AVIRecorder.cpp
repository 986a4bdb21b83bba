#include "PlayManager/AVIRecorder.h"

#include <cstdio>
#include <cstring>

#include "Base/SystemFunctions.h"

namespace TarvexPlay {

namespace {

constexpr unsigned int kStreamBuffer = 0x100000;
constexpr int kFieldScale[6] = {10000, 100, 100, 100, 100, 100};  // digits each field takes

std::int64_t Pack(const int* fields) {
    std::int64_t packed = 0;
    for (int i = 0; i < 6; ++i) {
        // A field outside its digits would spill into its neighbour: it is kept at 0.
        const int value = fields[i] >= 0 && fields[i] < kFieldScale[i] ? fields[i] : 0;
        packed = packed * kFieldScale[i] + value;
    }
    return packed;
}

DataTime Unpack(std::int64_t packed) {
    DataTime time;
    for (int i = 5; i >= 0; --i) {
        time.fields[i] = static_cast<int>(packed % kFieldScale[i]);
        packed /= kFieldScale[i];
    }
    return time;
}

}  // namespace

std::string SplitFileName(const std::string& target, const DataTime& time) {
    std::size_t cut = target.rfind('/');
    if (cut == std::string::npos) cut = target.rfind('\\');
    const std::size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
    const std::string folder = target.substr(0, nameStart);
    // The tag is looked for in the file's name only: a "[" or "_" of a folder would make the
    // next name point into another folder.
    const std::string name = target.substr(nameStart);
    const std::size_t dot = name.rfind('.');
    const std::size_t end = dot == std::string::npos ? name.size() : dot;
    std::size_t tagStart = name.find('[');
    if (tagStart == std::string::npos) tagStart = name.rfind('_');
    if (tagStart == std::string::npos || tagStart > end) tagStart = 0;  // the title, then
    const std::string tag = name.substr(tagStart, end - tagStart);
    char stamp[32];
    const int* f = time.fields;
    std::snprintf(stamp, sizeof(stamp), "%04d%02d%02d%02d%02d%02d", f[0], f[1], f[2], f[3], f[4], f[5]);
    return folder + stamp + tag + ".avi";
}

AVIRecorder::AVIRecorder(std::uint64_t splitBytes) : m_converter(std::make_shared<MOVRA::CStrovaWrapper>()) {
    m_converter->SetAVIConvertListener(this);
    if (splitBytes) m_converter->SetSplitSize(splitBytes);
}

AVIRecorder::~AVIRecorder() {
    // The converter's thread may still ask for a name: it must be gone before this object is.
    m_active = 0;
    m_converter->Stop();
    m_converter->SetAVIConvertListener(nullptr);
}

int AVIRecorder::Start(const char* path) {
    if (m_active) return 0;  // one clip at a time: the running one keeps its data
    m_path = path ? path : "";
    m_converter->SetStreamOpenMode(1);
    m_converter->OpenStream(kStreamBuffer);
    m_active = 1;
    if (m_converter->StartAVIConvert(m_path.c_str())) {
        const int result = m_converter->Play(nullptr);
        if (result) return result;
    }
    m_active = 0;
    m_converter->CloseStream();
    return 0;
}

int AVIRecorder::InputData(const MOVRA::MV_STREAM_RECORD* record, const char* data, int length) {
    if (!m_active) return 1;
    if (record) m_dataTime = Pack(record->fields + 7);
    if (length <= 0 || !data) return 1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    // The converter's buffer is full: wait for it, unless the clip is being stopped.
    while (!m_converter->InputData(bytes, static_cast<unsigned int>(length))) {
        KX_SOFT_BASE::SleepMs(10);
        if (!m_active) break;
    }
    return 1;
}

int AVIRecorder::Stop() {
    m_active = 0;
    // Everything fed is taken and written before the file is completed.
    while (m_converter->GetBufferValue(MOVRA::MV_BUFFER_PENDING) + m_converter->GetSourceBufferRemain() != 0)
        KX_SOFT_BASE::SleepMs(5);
    const int completed = m_converter->StopAVIConvert();
    m_converter->Stop();
    const int closed = m_converter->CloseStream();
    // A clip that could not be completed (a full disk, say) is a failure, whatever closing says.
    return completed ? closed : 0;
}

void AVIRecorder::OnGetNewFileName(void*, int* continueFlag, char* name) {
    if (continueFlag) *continueFlag = 0;
    if (!name) return;
    const std::string next = SplitFileName(m_path, Unpack(m_dataTime.load()));
    // A name that does not fit is not cut into another path: the clip ends with this file.
    if (next.size() >= static_cast<std::size_t>(MOVRA::kMaxAviNameLength)) {
        name[0] = '\0';
        return;
    }
    std::memcpy(name, next.c_str(), next.size() + 1);
}

}  // namespace TarvexPlay
