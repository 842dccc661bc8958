// TComPort::ShowSetupDialog: loads the Communication Settings dialog from the port's
// properties, shows it through the prompter of the application the port was given and
// writes the choices back.
#include "serial/ComPort.h"

#include "serial/CommForm.h"

#include <stdexcept>

namespace tb {

bool TComPort::ShowSetupDialog() {
    TApplication* application = application_;
    if (application == nullptr)
        throw std::logic_error("The settings dialog needs the application object");
    TCommFrm dialog(*application);
    dialog.ComboBox1().SetItemIndex(PortIdx());
    dialog.ComboBox2().SetItemIndex(static_cast<int>(BaudRate()));
    dialog.ComboBox3().SetItemIndex(static_cast<int>(StopBits()));
    dialog.ComboBox4().SetItemIndex(static_cast<int>(DataBits()) - 5);
    dialog.ComboBox5().SetItemIndex(static_cast<int>(Parity()));
    dialog.ComboBox6().SetItemIndex(static_cast<int>(FlowControl()));

    const INT_PTR result = application->Prompter().Modal(dialog.Name(), &dialog,
                                                         [&dialog] { return dialog.ShowModal(); });
    if (result != mrOk)
        return false;
    // A list without a selection gives -1; its low 8 bits (255) name no device.
    SetPortIdx(dialog.ComboBox1().ItemIndex());
    SetBaudRate(static_cast<TBaudRate>(dialog.ComboBox2().ItemIndex()));
    SetStopBits(static_cast<TStopBits>(dialog.ComboBox3().ItemIndex()));
    SetDataBits(static_cast<std::uint8_t>(dialog.ComboBox4().ItemIndex() + 5));
    SetParity(static_cast<TParity>(dialog.ComboBox5().ItemIndex()));
    SetFlowControl(static_cast<TFlowControl>(dialog.ComboBox6().ItemIndex()));
    return true;
}

} // namespace tb
