#pragma once
// Skin records: which images of the skin folder a window is drawn with, and how. Image names are
// file names in the folder given to `CKXUIFactory::SetResourcePath`; rectangles are written
// "x,y,width,height" into their image; modes are "tile", "stretch" or empty (stretch); colours
// "RRGGBB". A missing image never hides a control: it is drawn in the plain desktop look.
#include <string>

// The frame of a skinned dialog. The edges are cut from the frame image: each edge is a first
// piece, a middle piece repeated or stretched along the edge, and a last piece.
struct KXEdgeSkin {
    std::wstring firstRect, firstMode;
    std::wstring middleRect, middleMode;
    std::wstring lastRect, lastMode;
};

struct KXDialogSkin {
    std::wstring frameImage;
    std::wstring backgroundImage;
    std::wstring backgroundMode;    // "tile" or "stretch"
    std::wstring backgroundColor;   // behind the image, and where there is none
    KXEdgeSkin top, left, bottom, right;
    std::wstring fontFace;          // the caption's font
    std::wstring fontSize;          // in pixels
    std::wstring captionColor;      // the caption text while active
    std::wstring captionInactiveColor;
    std::wstring captionAlign;      // "left", "center" or "right"
    std::wstring captionArea;       // "x,y,width,height": where a drag moves the window
    int roundCorners = 0;           // nonzero: the window's corners are cut round
    std::wstring resizeArea;        // "left,top,right,bottom" margins where a drag resizes; -1: none
    std::wstring minimumSize;       // "width,height"; 0 for none
};

// A slider: one image holding the groove, the groove's filled part and the thumb in its normal,
// hover, pressed and disabled looks.
struct KXSliderSkin {
    std::wstring image;
    std::wstring grooveRect, filledRect;
    std::wstring thumbRects[4];
    std::wstring mode;  // how the groove pieces fill the slider's width
};

// A number spinner: one image with four frames of the whole control (normal, hover, pressed,
// disabled) and the rectangles of its up and down arrows within a frame.
struct KXSpinerSkin {
    std::wstring image;
    std::wstring frameRects[4];
    std::wstring upRect, downRect;
    std::wstring textColor;
    std::wstring mode;
};
