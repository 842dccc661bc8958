// Saving and restoring a window's placement (state, position, outer size) in the
// section named after the window; which values a window keeps follows its border style.
#pragma once

#include "framework/Form.h"
#include "settings/SettingsStore.h"

namespace tb {

struct TPlacementRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TPlacementRect&) const = default;
};

// Moves and shrinks a rectangle onto a screen of the given size.
TPlacementRect ClampToScreen(TPlacementRect rect, int screenWidth, int screenHeight);

// Which placement values a border style keeps.
bool StoresWindowState(TBorderStyle style);
bool StoresSize(TBorderStyle style);

void SaveFormPlacement(TSettingsStore& store, TForm& form);
// True only when every value that the window's border style calls for was read.
bool RestoreFormPlacement(TSettingsStore& store, TForm& form);

} // namespace tb
