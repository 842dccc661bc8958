// The camera control window "ComCommand" (component name "FCommData"), created hidden at
// start-up and shown and hidden from the main window's Options menu. Key releases of the
// main window are handed to FormKeyUp.
#pragma once

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Menu.h"

namespace tb {

class TFCommData : public TForm {
public:
    explicit TFCommData(TApplication& application);

    // The main window's menu item that shows this window; its check is cleared whenever
    // the window hides.
    void SetShowMenuItem(TMenuItem* item) { showMenuItem_ = item; }

    // Key release in this window or handed over by the main window.
    void FormKeyUp(WORD& key, TShiftState shift);
    void FormHide();

private:
    TMenuItem* showMenuItem_ = nullptr;
};

} // namespace tb
