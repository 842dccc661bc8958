// The format panel "Format panel" (component name "FFormatPanel"): a small tool window,
// created hidden at start-up and shown from the main window's Options menu.
#pragma once

#include "framework/Application.h"
#include "framework/Form.h"

namespace tb {

class TFFormatPanel : public TForm {
public:
    explicit TFFormatPanel(TApplication& application);
};

} // namespace tb
