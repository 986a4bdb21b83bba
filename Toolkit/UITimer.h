#pragma once
// The UI thread's timers fire from QTimer: installed with the toolkit, before any timer starts.
#include "Base/UITimer.h"

namespace TarvexBase {

void InstallUITimerSource();

}  // namespace TarvexBase
