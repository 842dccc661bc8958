#include "settings/FormPlacement.h"

#include "framework/Screen.h"

#include <windows.h>

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
    // The rectangle of the normal state: a minimised or maximised window stores where a
    // restore brings it back, not its icon or its full-screen frame; a window that
    // AutoSize moved to keep it on the screen stores where the user had it.
    const RECT bounds = form.UserNormalBounds();
    store.RegWriteInteger(section, L"left", bounds.left);
    store.RegWriteInteger(section, L"top", bounds.top);
    if (StoresSize(style)) {
        store.RegWriteInteger(section, L"width", bounds.right - bounds.left);
        store.RegWriteInteger(section, L"height", bounds.bottom - bounds.top);
    }
}

bool RestoreFormPlacement(TSettingsStore& store, TForm& form) {
    const std::wstring& section = form.Name();
    const TBorderStyle style = form.BorderStyle();
    bool result = true;
    TWindowState restored = TWindowState::wsNormal;
    if (StoresWindowState(style)) {
        std::int32_t state = static_cast<std::int32_t>(form.WindowState());
        result = store.RegReadInteger(section, L"WindowState", state);
        // Only the three known states exist; any other stored number means normal.
        restored = state == 1   ? TWindowState::wsMinimized
                   : state == 2 ? TWindowState::wsMaximized
                                : TWindowState::wsNormal;
        form.SetWindowState(restored);
    }
    const RECT normal = form.NormalBounds();
    TPlacementRect rect{normal.left, normal.top, normal.right - normal.left,
                        normal.bottom - normal.top};
    result = result && store.RegReadInteger(section, L"left", rect.left);
    result = result && store.RegReadInteger(section, L"top", rect.top);
    if (StoresSize(style)) {
        // A stored side from 0 up to the platform's smallest window is no size a window was
        // closed with, but a damaged value: the window keeps its own size for that side.
        std::int32_t width = rect.width;
        std::int32_t height = rect.height;
        result = result && store.RegReadInteger(section, L"width", width);
        result = result && store.RegReadInteger(section, L"height", height);
        if (width < 0 || width >= ::GetSystemMetrics(SM_CXMIN))
            rect.width = width;
        if (height < 0 || height >= ::GetSystemMetrics(SM_CYMIN))
            rect.height = height;
    }
    const SIZE screen = PrimaryScreenSize();
    rect = ClampToScreen(rect, screen.cx, screen.cy);
    if (restored != TWindowState::wsNormal) {
        // Minimised or maximised: the stored rectangle is where a restore brings the
        // window back; the window does not show it now.
        form.SetNormalBounds(
            RECT{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height});
        return result;
    }
    form.SetLeft(rect.left);
    form.SetTop(rect.top);
    form.SetWidth(rect.width);
    form.SetHeight(rect.height);
    return result;
}

} // namespace tb
