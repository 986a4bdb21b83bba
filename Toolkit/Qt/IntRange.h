#pragma once
// A whole number kept within a range: what a slider and a spinner hold.
#include <algorithm>

namespace KXQt {

struct CIntRange {
    int minimum = 0;
    int maximum = 100;
    int value = 0;

    void SetRange(int a, int b) {
        minimum = std::min(a, b);
        maximum = std::max(a, b);
        value = std::clamp(value, minimum, maximum);
    }
    // Takes the value, clamped; true when it changed.
    bool Set(int v) {
        v = std::clamp(v, minimum, maximum);
        if (v == value) return false;
        value = v;
        return true;
    }
};

}  // namespace KXQt
