#pragma once
// Where a frame converted on another thread waits for the UI thread, one slot per sub-window.
// The UI thread writes each slot's target size and crop; a converting thread reads them, converts
// with the slot's own converter and leaves the image; the UI thread takes it when told to present.
// The mailbox is shared by the grid and by every thread that converts for it, so either side may
// go first: once the grid is gone, conversions are refused.
#include <QImage>
#include <QRectF>
#include <QSize>

#include <array>
#include <atomic>
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
        // Frames of this sub-window go to another thread until one is presented (or a conversion
        // fails), so they reach the screen in order.
        bool pending = false;
        // Counts the clears: a conversion that began before a clear leaves nothing behind, so the
        // next file never shows the previous file's picture.
        unsigned generation = 0;
        std::mutex converting;  // one conversion of this slot at a time
        KXQt::CFrameConverter converter;

        // UI thread: nothing waits to be presented any more.
        void Clear() {
            std::lock_guard<std::mutex> guard(lock);
            converted = QImage();
            fresh = false;
            pending = false;
            ++generation;
        }
    };
    std::array<Slot, kSlots> entries;
    std::atomic<bool> open{true};  // false once the grid is gone

    // Any thread: converts the frame for the slot's sub-window and leaves it to be presented.
    int Convert(int window, const std::uint8_t* yvu, int width, int height);
};
