#include "serial/CommForm.h"

#include <algorithm>

namespace tb {

namespace {

constexpr int kClientWidth = 234;
constexpr int kClientHeight = 216;
// The lists' left edge in the group box, and the room kept between a caption and its list.
constexpr int kListLeft = 112;
constexpr int kCaptionGap = 4;

struct TRow {
    const wchar_t* caption;
    int labelTop;
    int listTop;
    std::vector<std::wstring> entries;
};

std::vector<TRow> Rows() {
    return {
        {L"Communication Port", 24, 16, {L"COM 1", L"COM 2", L"COM 3", L"COM 4"}},
        {L"Baud Rate",
         48,
         40,
         {L"110", L"300", L"600", L"1200", L"2400", L"4800", L"9600", L"14400", L"19200", L"38400",
          L"56000", L"57600", L"115200"}},
        {L"Stop Bits", 72, 64, {L"1", L"1.5", L"2"}},
        {L"Data Bits", 96, 88, {L"5", L"6", L"7", L"8"}},
        {L"Parity", 120, 112, {L"None", L"Odd", L"Even", L"Mark", L"Space"}},
        {L"Flow Control", 144, 136, {L"None", L"RTS-CTS", L"XOn - Xoff"}},
    };
}

} // namespace

TCommFrm::TCommFrm(TApplication& application)
    : TForm(application, L"CommFrm"), okButton_(this, L"OKBtn", L"OK"),
      cancelButton_(this, L"CancelBtn", L"Cancel"),
      groupBox_(this, L"GroupBox1", L"Settings"), labels_{TLabel(&groupBox_, L"Label1"),
                                                          TLabel(&groupBox_, L"Label2"),
                                                          TLabel(&groupBox_, L"Label3"),
                                                          TLabel(&groupBox_, L"Label4"),
                                                          TLabel(&groupBox_, L"Label5"),
                                                          TLabel(&groupBox_, L"Label6")},
      lists_{TComboBox(&groupBox_, L"ComboBox1"), TComboBox(&groupBox_, L"ComboBox2"),
             TComboBox(&groupBox_, L"ComboBox3"), TComboBox(&groupBox_, L"ComboBox4"),
             TComboBox(&groupBox_, L"ComboBox5"), TComboBox(&groupBox_, L"ComboBox6")} {
    SetCaption(L"Communication Settings");
    MakeDialog(200, 144, kClientWidth, kClientHeight);

    groupBox_.SetBounds(8, 8, 217, 169);
    const std::vector<TRow> rows = Rows();
    for (size_t row = 0; row < rows.size(); ++row) {
        labels_[row].SetCaption(rows[row].caption);
        labels_[row].SetBounds(8, rows[row].labelTop, 100, 13);
        lists_[row].SetBounds(kListLeft, rows[row].listTop, 89, 21);
        lists_[row].SetItems(rows[row].entries);
    }

    okButton_.SetBounds(32, 184, 75, 25);
    okButton_.SetDefault(true);
    okButton_.SetModalResult(mrOk);
    cancelButton_.SetBounds(112, 184, 75, 25);
    cancelButton_.SetCancel(true);
    cancelButton_.SetModalResult(mrCancel);

    // The captions are measured in the font the system really gives: a caption wider than
    // its slot (label at 8, list at 112) moves the lists right and widens the group box and
    // the dialog by as much, so every caption stays readable in full. With a font that
    // fits, everything keeps the specified place.
    HandleNeeded();
    int captionsRight = 0;
    for (TLabel& label : labels_)
        captionsRight = std::max(captionsRight, label.Left() + label.Width());
    const int overflow = captionsRight + kCaptionGap - kListLeft;
    if (overflow > 0) {
        for (TComboBox& list : lists_)
            list.SetLeft(list.Left() + overflow);
        groupBox_.SetWidth(groupBox_.Width() + overflow);
        SetWidth(Width() + overflow);
    }

    DoCreate();
}

} // namespace tb
