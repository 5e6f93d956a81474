// The values of the 1.3 build's Settings view: which data objects it reads
// when it is entered, the control that shows each, and what the save
// ("Сохранить в блоке") writes from the controls.
//
// The view reads all 15 values in the order of kSettingsFields; each
// control has a flag (fieldRead) that says its value was read. The save
// writes the eleven fields that are saved, in the same order, from what
// the controls hold: there are no field rules and no range checks.
//
// Plain functions of plain values: no controls, no link.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "link/clock.h"
#include "livedata/data_objects.h"

namespace varnok::release13 {

// The controls that show a value read on entry, in the order of the reads.
enum class SettingsControl : std::size_t {
    Edit1,      // tachograph constant, pulses per km
    Edit2,      // speed limit
    ComboBox2,  // speed limiter "Включить" / "Выключить"
    ComboBox3,  // tachometer ratio
    CheckBox1,
    CheckBox2,
    CheckBox3,
    CheckBox4,
    Button5,  // pedal channel 1 in use: its calibration button
    Button7,  // pedal channel 2 in use: its calibration button and CheckBox5
    Edit3,    // Kd
    Edit4,    // warm idle speed
    Edit5,    // warm pedal correction
    Edit7,    // current pedal correction (read-only)
    Edit6,    // current idle speed (read-only)
};

struct SettingsField {
    // What the save makes of the control.
    enum class Saved {
        No,       // read-only, or written elsewhere (the pedal channels)
        Integer,  // the integer the text begins with (the tachograph constant)
        Real,     // the text's number × factor, cut toward zero
        Switch,   // 1 on, 0 off
    };
    const DataObject* object;
    SettingsControl control;
    Saved saved;
    int factor;
};

inline constexpr std::size_t kSettingsFieldCount = 15;

inline constexpr std::array<SettingsField, kSettingsFieldCount> kSettingsFields{{
    {&objects::kTachographConstant, SettingsControl::Edit1, SettingsField::Saved::Integer, 1},
    {&objects::kSpeedLimit, SettingsControl::Edit2, SettingsField::Saved::Real, 100},
    {&objects::kSpeedLimiterOn, SettingsControl::ComboBox2, SettingsField::Saved::Switch, 1},
    {&objects::kTachometerRatio, SettingsControl::ComboBox3, SettingsField::Saved::Real, 1000},
    {&objects::kDoorPedalLock, SettingsControl::CheckBox1, SettingsField::Saved::Switch, 1},
    {&objects::kCabSpeedControl, SettingsControl::CheckBox2, SettingsField::Saved::Switch, 1},
    {&objects::kEngineBaySpeedControl, SettingsControl::CheckBox3, SettingsField::Saved::Switch, 1},
    {&objects::kCanSetting, SettingsControl::CheckBox4, SettingsField::Saved::Switch, 1},
    {&objects::kPedal1Enabled, SettingsControl::Button5, SettingsField::Saved::No, 1},
    {&objects::kPedal2Enabled, SettingsControl::Button7, SettingsField::Saved::No, 1},
    {&objects::kSpeedGainKd, SettingsControl::Edit3, SettingsField::Saved::Real, 1},
    {&objects::kWarmIdleSpeed, SettingsControl::Edit4, SettingsField::Saved::Real, 1},
    {&objects::kWarmPedalCorrection, SettingsControl::Edit5, SettingsField::Saved::Real, 100},
    {&objects::kPedalCorrection, SettingsControl::Edit7, SettingsField::Saved::No, 1},
    {&objects::kIdleSpeed, SettingsControl::Edit6, SettingsField::Saved::No, 1},
}};

constexpr std::size_t IndexOf(SettingsControl control) {
    return static_cast<std::size_t>(control);
}

// The word the save writes for a text field's text: the leading integer's
// low 16 bits (divided by 8 below firmware 276, whose units hold the
// tachograph constant in units of 8 pulses), or the real number × factor cut
// toward zero, its low 16 bits. Nothing for a number beyond the range of an
// int, which has no sensible word; the caller then writes the value kept
// from the last read.
std::optional<std::uint16_t> SavedWord(const SettingsField& field, std::string_view text,
                                       std::uint16_t firmwareVersion);

// The save's wait for the engine to stop, after the unit has been asked to
// stop it: the engine running word is looked at before a first wait and
// after every wait of kEngineStopStepMs. The engine counts as stopped only
// at a check made before the 100th wait has ended; a word that reads 0 only
// just after the 100th wait, or a 101st wait, gives up (about 5 s).
inline constexpr int kEngineStopWaits = 100;
inline constexpr std::uint32_t kEngineStopStepMs = 50;
bool WaitForEngineStop(const std::function<bool()>& engineStopped, Clock& clock);

}  // namespace varnok::release13
