#include "app/ProgramWindows.h"

namespace tb {

TProgramWindows::TProgramWindows(TApplication& application,
                                 std::shared_ptr<IMediaPlatform> platform,
                                 std::shared_ptr<ISerialPlatform> serial)
    : form1_(std::make_unique<TForm1>(application, std::move(platform))),
      formatPanel_(std::make_unique<TFFormatPanel>(application, form1_->VideoCapture1())),
      commData_(std::make_unique<TFCommData>(application, std::move(serial))) {
    form1_->SetFormatPanel(formatPanel_.get());
    form1_->SetCommData(commData_.get());
}

TProgramWindows::~TProgramWindows() {
    form1_->SetFormatPanel(nullptr);
    form1_->SetCommData(nullptr);
    commData_.reset();
    formatPanel_.reset();
    // The main window goes last, and with it the capture control.
    form1_.reset();
}

} // namespace tb
