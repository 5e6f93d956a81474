// What the main windows of the program's builds differ in: the caption and
// size, Button1's place, the menu, the polling timer, the graph's history
// and the controls of the Settings view. TForm1 builds its controls from one
// of these; the 1.4 beta window is kRelease14Window, and a build with other
// differences describes its window the same way.
#pragma once

#include "shell/program_info.h"

namespace varnok {

struct WindowDesign {
    const char* caption;
    // The window's size as designed; FormShow may place it otherwise.
    int width;
    int height;
    // Button1's left edge in GroupBox1.
    int button1Left;
    // "Подключить ЭСУ" (N4), "Отключить ЭСУ" (N9) and the separator (N10)
    // in "Файл"; without them "Файл" holds only "Выход".
    bool connectItems;
    // The menu's shortcut keys: Alt+C, Alt+D, Alt+F4, F1, F2, F3.
    bool shortcuts;
    // Timer2, the 200 ms polling timer.
    bool pollingTimer;
    // Points per channel of the Information view graph's histories.
    int graphHistory;

    // The Settings view.
    //
    // Label4 and Edit8, the Kp field.
    bool kpField;
    // Captions of Label10 and Label11; null: the caption of their data object.
    const char* label10;
    const char* label11;
    // ComboBox2, a fixed list of "Включить" and "Выключить", beside Edit2 in
    // place of CheckBox6.
    bool speedLimiterList;
    // Label8 right of Button5 and Label15 right of Button7: the state of
    // each pedal channel's calibration. Made without text.
    bool calibrationState;
};

inline constexpr WindowDesign kRelease14Window{
    .caption = kProgramCaption,
    .width = 1046,
    .height = 606,
    .button1Left = 134,
    .connectItems = true,
    .shortcuts = true,
    .pollingTimer = true,
    .graphHistory = 150,
    .kpField = true,
    .label10 = nullptr,
    .label11 = nullptr,
    .speedLimiterList = false,
    .calibrationState = false,
};

}  // namespace varnok
