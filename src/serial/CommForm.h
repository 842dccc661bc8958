// TCommFrm: the modal "Communication Settings" dialog in which the user picks a port's
// device, speed, stop bits, data bits, parity and flow control from six fixed lists.
// It holds no logic: TComPort::ShowSetupDialog loads and reads its lists.
#pragma once

#include "framework/Button.h"
#include "framework/ComboBox.h"
#include "framework/Form.h"
#include "framework/GroupBox.h"
#include "framework/Label.h"

#include <array>

namespace tb {

class TCommFrm : public TForm {
public:
    explicit TCommFrm(TApplication& application);

    TButton& OKButton() { return okButton_; }
    TButton& CancelButton() { return cancelButton_; }
    TGroupBox& GroupBox1() { return groupBox_; }
    // Port, baud rate, stop bits, data bits, parity, flow control.
    TComboBox& ComboBox1() { return lists_[0]; }
    TComboBox& ComboBox2() { return lists_[1]; }
    TComboBox& ComboBox3() { return lists_[2]; }
    TComboBox& ComboBox4() { return lists_[3]; }
    TComboBox& ComboBox5() { return lists_[4]; }
    TComboBox& ComboBox6() { return lists_[5]; }
    TLabel& RowLabel(int row) { return labels_.at(static_cast<size_t>(row)); }

private:
    // Created in tab order: OK, Cancel, then the group box with its rows.
    TButton okButton_;
    TButton cancelButton_;
    TGroupBox groupBox_;
    std::array<TLabel, 6> labels_;
    std::array<TComboBox, 6> lists_;
};

} // namespace tb
