// What each action the panel takes is called. The request history names the
// requests an action sends with it; where a button of the form takes the
// action, the name is the button's caption, and the form's layout takes it
// from here, so each text is written once.
#ifndef ACTIONS_H
#define ACTIONS_H

#include <QString>
#include <iterator>

namespace Actions {

enum class Id {
    LoadDac1,
    LoadDac2,
    LoadDac3,
    LoadDac4,
    WriteAll,
    LoadDac,
    PulseLdac,
    LdacHigh,
    LdacLow,
    PulseClr,
    ClrHigh,
    ClrLow,
    Range30V,
    Range60V,
    ControlRegister,
    FirmwareDownload,
    Start,
    Reset,
    SafeState,
};

struct Entry {
    Id id;
    const char* name;
};

// In the order of Id.
inline constexpr Entry Table[] = {
    // The write buttons cmdWrite(0) to cmdWrite(4); the single part's one.
    {Id::LoadDac1, "Load DAC1"},
    {Id::LoadDac2, "Load DAC2"},
    {Id::LoadDac3, "Load DAC3"},
    {Id::LoadDac4, "Load DAC4"},
    {Id::WriteAll, "Write to all DACs"},
    {Id::LoadDac, "Load DAC"},
    // cmdLDAC(0) to cmdLDAC(2), cmdCLR(0) to cmdCLR(2).
    {Id::PulseLdac, "Pulse LDAC"},
    {Id::LdacHigh, "LDAC High"},
    {Id::LdacLow, "LDAC Low"},
    {Id::PulseClr, "Pulse CLR"},
    {Id::ClrHigh, "CLR High"},
    {Id::ClrLow, "CLR Low"},
    // The range's option buttons.
    {Id::Range30V, "Range 30V"},
    {Id::Range60V, "Range 60V"},
    // The page whose option buttons write the control register, and its tab.
    {Id::ControlRegister, "Control Register"},
    // The panel's own.
    {Id::FirmwareDownload, "Firmware download"},
    {Id::Start, "Start"},
    {Id::Reset, "Reset"},
    {Id::SafeState, "Safe state"},
};
constexpr std::size_t Count = std::size(Table);

constexpr bool InOrder() {
    for (std::size_t k = 0; k < Count; ++k)
        if (static_cast<std::size_t>(Table[k].id) != k)
            return false;
    return Count == static_cast<std::size_t>(Id::SafeState) + 1;
}
static_assert(InOrder(), "one entry for each action, in the order of Id");

constexpr const char* Name(Id id) {
    return Table[static_cast<std::size_t>(id)].name;
}

// The name as the history keeps it, made once.
const QString& Text(Id id);

// The write of `channel` 1 to 4, or of all four for 0.
constexpr Id Load(int channel) {
    return channel == 0 ? Id::WriteAll
                        : static_cast<Id>(static_cast<int>(Id::LoadDac1) + channel - 1);
}

} // namespace Actions

#endif
