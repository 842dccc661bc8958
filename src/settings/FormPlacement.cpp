#include "settings/FormPlacement.h"

#include "framework/Screen.h"

namespace tb {

TPlacementRect ClampToScreen(TPlacementRect rect, int screenWidth, int screenHeight) {
    if (rect.width < 0 || rect.width > screenWidth)
        rect.width = screenWidth;
    if (rect.height < 0 || rect.height > screenHeight)
        rect.height = screenHeight;
    if (rect.left < 0)
        rect.left = 0;
    if (rect.left > screenWidth - rect.width)
        rect.left = screenWidth - rect.width;
    if (rect.top < 0)
        rect.top = 0;
    if (rect.top > screenHeight - rect.height)
        rect.top = screenHeight - rect.height;
    return rect;
}

bool StoresWindowState(TBorderStyle style) {
    return style != TBorderStyle::bsDialog;
}

bool StoresSize(TBorderStyle style) {
    return style == TBorderStyle::bsNone || style == TBorderStyle::bsSizeable ||
           style == TBorderStyle::bsSizeToolWin;
}

void SaveFormPlacement(TSettingsStore& store, TForm& form) {
    const std::wstring& section = form.Name();
    const TBorderStyle style = form.BorderStyle();
    if (StoresWindowState(style))
        store.RegWriteInteger(section, L"WindowState", static_cast<int>(form.WindowState()));
    store.RegWriteInteger(section, L"left", form.Left());
    store.RegWriteInteger(section, L"top", form.Top());
    if (StoresSize(style)) {
        store.RegWriteInteger(section, L"width", form.Width());
        store.RegWriteInteger(section, L"height", form.Height());
    }
}

bool RestoreFormPlacement(TSettingsStore& store, TForm& form) {
    const std::wstring& section = form.Name();
    const TBorderStyle style = form.BorderStyle();
    bool result = true;
    if (StoresWindowState(style)) {
        std::int32_t state = static_cast<std::int32_t>(form.WindowState());
        result = store.RegReadInteger(section, L"WindowState", state);
        // Only the three known states exist; any other stored number means normal.
        const TWindowState restored = state == 1   ? TWindowState::wsMinimized
                                      : state == 2 ? TWindowState::wsMaximized
                                                   : TWindowState::wsNormal;
        form.SetWindowState(restored);
        if (restored != TWindowState::wsNormal)
            return result;
    }
    TPlacementRect rect{form.Left(), form.Top(), form.Width(), form.Height()};
    result = result && store.RegReadInteger(section, L"left", rect.left);
    result = result && store.RegReadInteger(section, L"top", rect.top);
    if (StoresSize(style)) {
        result = result && store.RegReadInteger(section, L"width", rect.width);
        result = result && store.RegReadInteger(section, L"height", rect.height);
    }
    const SIZE screen = PrimaryScreenSize();
    rect = ClampToScreen(rect, screen.cx, screen.cy);
    form.SetLeft(rect.left);
    form.SetTop(rect.top);
    form.SetWidth(rect.width);
    form.SetHeight(rect.height);
    return result;
}

} // namespace tb
