#include "ModeOperations.h"

namespace quillon::console {

namespace {

constexpr std::uint8_t CurrentValues = 0;
constexpr std::uint8_t ChangeableValues = 1;
constexpr std::int32_t SenseLength = 127;
constexpr const char* SelectCaption = "Mode Select";

std::int32_t fieldValue(const RecoveryField& field, const ModeBuffer& data) {
    const std::uint8_t byte = PageByte(data, field.PageByte);
    switch (field.Kind) {
    case FieldKind::Flag:
        return (byte & field.Bit) != 0 ? 1 : 0;
    case FieldKind::Byte:
        return byte;
    case FieldKind::Word:
        return byte * 256 + PageByte(data, field.PageByte + 1);
    }
    return 0;
}

// The recovery time limit counts as changeable by its high byte alone.
bool fieldChangeable(const RecoveryField& field, const ModeBuffer& changeable) {
    const std::uint8_t mask = PageByte(changeable, field.PageByte);
    return field.Kind == FieldKind::Flag ? (mask & field.Bit) != 0 : mask != 0;
}

std::uint8_t lowByte(std::uint32_t value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

bool ModeOperations::ModeSense(DeviceAddress at) {
    if (!begin(at) || !sense(CurrentValues, drive_.ModeData, "Mode Sense")) {
        return false;
    }
    ShowPage("Mode Sense", drive_.ModeData);
    editor_.Edit(state_);
    drive_.Output().AddLog("Mode Sense OK");
    return true;
}

bool ModeOperations::ModeSelect(DeviceAddress at) {
    if (!begin(at) ||
        !sense(ChangeableValues, drive_.ModeChangeable,
               "Mode Select(Changeable page read error)") ||
        !sense(CurrentValues, drive_.ModeCurrent, "Mode Select(Current page read error)")) {
        return false;
    }
    ShowPage(SelectCaption, drive_.ModeCurrent);
    editor_.Edit(state_);
    const ModeBuffer asRead = drive_.ModeCurrent;
    StorePage();
    return sendPage(asRead);
}

bool ModeOperations::begin(DeviceAddress at) {
    drive_.SelectCurrent(at);
    return drive_.BeginOperation(at, "Mode Sense Data").has_value();
}

bool ModeOperations::sense(std::uint8_t pageControl, ModeBuffer& into,
                           const std::string& failureName) {
    if (drive_.MODrive1.ModeSense6(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                   pageControl, SenseLength, into.data()) != 0) {
        report(failureName);
        return false;
    }
    return true;
}

bool ModeOperations::sendPage(const ModeBuffer& asRead) {
    ModePage page(drive_.ModeCurrent);
    page.MaskWith(drive_.ModeChangeable, asRead);
    if (drive_.MODrive1.ModeSelect6(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                    false, page.ParameterListLength(),
                                    drive_.ModeCurrent.data()) != 0) {
        report("Mode Select");
        return false;
    }
    drive_.Output().AddLog("Mode Select OK");
    return true;
}

void ModeOperations::report(const std::string& failureName) {
    std::string statusText;
    drive_.ShowScsiStatus(true, failureName, statusText);
}

void ModeOperations::ShowPage(const std::string& Caption, const ModeBuffer& Data) {
    state_.Caption = Caption;
    for (std::size_t i = 0; i < RecoveryFields.size(); ++i) {
        state_.Fields[i].Value = fieldValue(RecoveryFields[i], Data);
    }
    if (Caption == SelectCaption) {
        EnableChangeable();
        return;
    }
    for (FieldState& field : state_.Fields) {
        field.Enabled = true;
    }
    state_.ChangeableKnown = false;
}

bool ModeOperations::EnableChangeable() {
    if (drive_.MODrive1.ModeSense6(drive_.CurrentHA, drive_.CurrentTarget, drive_.CurrentLUN,
                                   ChangeableValues, SenseLength,
                                   drive_.ModeChangeable.data()) != 0) {
        return false;
    }
    for (std::size_t i = 0; i < RecoveryFields.size(); ++i) {
        state_.Fields[i].Enabled = fieldChangeable(RecoveryFields[i], drive_.ModeChangeable);
    }
    state_.ChangeableKnown = true;
    return true;
}

void ModeOperations::StorePage() {
    ModePage page(drive_.ModeCurrent);
    std::uint8_t flags = 0;
    for (std::size_t i = 0; i < RecoveryFields.size(); ++i) {
        const RecoveryField& field = RecoveryFields[i];
        const FieldState& state = state_.Fields[i];
        // A field the drive does not let change goes back as it was read.
        const auto value = static_cast<std::uint32_t>(
            state.Enabled ? state.Value : fieldValue(field, drive_.ModeCurrent));
        switch (field.Kind) {
        case FieldKind::Flag:
            flags = static_cast<std::uint8_t>(flags | (value != 0 ? field.Bit : 0));
            break;
        case FieldKind::Byte:
            page.SetByte(field.PageByte, lowByte(value));
            break;
        case FieldKind::Word:
            page.SetByte(field.PageByte, lowByte(value >> 8));
            page.SetByte(field.PageByte + 1, lowByte(value));
            break;
        }
    }
    page.SetByte(2, flags);
    page.ClearForSelect();
}

} // namespace quillon::console
