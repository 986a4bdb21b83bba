#pragma once
// The stream converter: takes the stream an engine pushes (OnStreamData), a piece at a time, into
// a bounded buffer, and writes it as AVI by stream copy on a thread of its own. A file that
// reaches the split size, or a stream whose parameters change, goes on in a new file whose name
// the listener gives, without a packet lost or repeated. No FFmpeg type in this header.
#include <cstdint>
#include <memory>

namespace MOVRA {

class IAVIConvertListener {
public:
    virtual ~IAVIConvertListener() = default;
    // The AVI must go on in a new file: write its name (at most kMaxAviNameLength bytes with the
    // terminating zero) into `name`. `continueFlag` comes set to 1; a listener that leaves the
    // name empty, or sets the flag to 2, ends the conversion there.
    virtual void OnGetNewFileName(void* context, int* continueFlag, char* name) {}
};

constexpr int kMaxAviNameLength = 4096;

enum MV_BUFFER_VALUE { MV_BUFFER_PENDING = 3 };  // bytes taken from the input, not yet written

class CStrovaWrapper {
public:
    CStrovaWrapper();
    ~CStrovaWrapper();
    CStrovaWrapper(const CStrovaWrapper&) = delete;
    CStrovaWrapper& operator=(const CStrovaWrapper&) = delete;

    // The listener is called on the converter's thread until it is replaced or the wrapper goes;
    // both wait for a call that is under way.
    int SetAVIConvertListener(IAVIConvertListener* listener);
    int SetStreamOpenMode(int mode);  // 1: a pushed stream, the only mode
    int OpenStream(unsigned int bufferSize);  // the input buffer's size in bytes
    // A new file; an existing one is never overwritten. Each file is written under a temporary
    // name beside its own and takes it once complete: one that fails leaves nothing.
    int StartAVIConvert(const char* path);
    int Play(void* reserved);  // starts the converter thread
    // 0: no room for it yet. Once the conversion has ended by itself (a failure, or the listener
    // gave no next name) input is dropped and the buffer stays empty, so nobody waits for it.
    int InputData(const unsigned char* data, unsigned int length);
    unsigned int GetBufferValue(int type);
    unsigned int GetSourceBufferRemain();  // bytes given and not yet taken by the converter
    // Converts what is left, completes the AVI with its index; 0 when it could not be completed.
    int StopAVIConvert();
    int Stop();
    int CloseStream();

    // The size at which a file is split (1 GiB unless set).
    int SetSplitSize(std::uint64_t bytes);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

}  // namespace MOVRA
