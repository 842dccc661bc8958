// Pixel layouts of the program's bitmaps, in the order the program names them;
// pfDevice means "as the device delivers it".
#pragma once

namespace tb {

enum class TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};

} // namespace tb
