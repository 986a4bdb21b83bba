#pragma once
// Where a frame converted on another thread waits for the UI thread, one slot per sub-window.
// The UI thread writes each slot's target size and crop; a converting thread reads them, converts
// with the slot's own converter and leaves the image; the UI thread takes it when told to present.
#include <QImage>
#include <QRectF>
#include <QSize>

#include <array>
#include <mutex>

#include "Toolkit/Qt/FrameConverter.h"

struct KXFrameMailbox {
    static constexpr int kSlots = 64;
    struct Slot {
        std::mutex lock;  // guards the fields below
        QSize target;
        QRectF crop;
        QImage converted;
        bool fresh = false;
        std::mutex converting;  // one conversion of this slot at a time
        KXQt::CFrameConverter converter;
    };
    std::array<Slot, kSlots> entries;
};
