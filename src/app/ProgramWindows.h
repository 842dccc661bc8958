// The program's three windows, created in their fixed order (the main window first, so
// it becomes the application's main window, then the hidden format panel and the hidden
// camera control window) and destroyed in reverse order.
#pragma once

#include "app/FormatPanel.h"
#include "app/MainForm.h"
#include "camera/CommDataForm.h"
#include "media/MediaPlatform.h"
#include "serial/SerialPlatform.h"

#include <memory>

namespace tb {

class TProgramWindows {
public:
    explicit TProgramWindows(TApplication& application,
                             std::shared_ptr<IMediaPlatform> platform = DefaultMediaPlatform(),
                             std::shared_ptr<ISerialPlatform> serial = Win32SerialPlatform());
    ~TProgramWindows();
    TProgramWindows(const TProgramWindows&) = delete;
    TProgramWindows& operator=(const TProgramWindows&) = delete;

    TForm1& Form1() { return *form1_; }
    TFFormatPanel& FFormatPanel() { return *formatPanel_; }
    TFCommData& FCommData() { return *commData_; }

private:
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TFFormatPanel> formatPanel_;
    std::unique_ptr<TFCommData> commData_;
};

} // namespace tb
