// The screen the drawing stands in for: its scale factor (1 on ordinary and 2
// on double-resolution screens), its logical pixels per inch (96 × scale)
// and its size in pixels. Process-wide; tests set the scale they draw at.
#pragma once

namespace platform {

// 1 until set. SetDisplayScale accepts 1 and 2 and returns false otherwise.
int DisplayScale();
bool SetDisplayScale(int scale);
int DisplayLogPixels();
// 240 × 320 pixels at scale 1, doubled at scale 2.
int DisplayWidth();
int DisplayHeight();

}  // namespace platform
