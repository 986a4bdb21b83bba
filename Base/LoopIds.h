#pragma once
// The numeric ids by which code posts to a loop. 4 and 5 are named for the log only; nothing
// creates them.
namespace TarvexBase {

enum MessageLoopId {
    ML_MAIN = 1,  // the UI thread
    ML_HELPER = 2,  // catalogue, path queries, frame conversion
    ML_PLAY = 3,  // play objects and every engine call
    ML_WATERMARK = 4,
    ML_TEST = 5,
    ML_EXPORT = 6,
};

// Control types of CreateMessageLoop.
enum MessageControlType {
    MC_UI_THREAD = 0,
    MC_WORKER = 1,
};

// The loop's name as the task log prints it; "UNKNOWN" for any other id.
const char* GetLoopName(int loopId);

}  // namespace TarvexBase
