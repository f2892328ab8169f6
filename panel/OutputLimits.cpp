#include "OutputLimits.h"

#include "Codes.h"
#include "Converter.h"
#include "PanelModel.h"

#include <QSettings>
#include <algorithm>

namespace OutputLimits {

namespace {

constexpr int Channels = int(ControlArrays::Channels);

// Each slot's limit in volts, or Off; read from the part's settings on
// first use.
double outputLimit[Channels] = {Off, Off, Off, Off};
bool limitsLoaded = false;

const PanelModel& model() {
    return PanelModel::instance();
}

bool partIsQuad() {
    return model().partIsQuad();
}

int channelOf(int slot) {
    return partIsQuad() ? slot + 1 : 1;
}

int slotOf(int channel) {
    return partIsQuad() ? channel - 1 : ControlArrays::SinglePartSlot;
}

bool onPart(int slot) {
    return partIsQuad() || slot == ControlArrays::SinglePartSlot;
}

// A code at a range against the slot's limit.
Refusal check(int slot, std::int32_t code, int rangeVolts) {
    const double limit = outputLimit[slot];
    const double volts = Converter::VoltsForCode(code, rangeVolts);
    if (limit < 0 || volts <= limit)
        return {};
    return {true, channelOf(slot), volts, limit};
}

QString settingsKey(int channel) {
    return QStringLiteral("%1/limit%2")
        .arg(QLatin1String(partIsQuad() ? Converter::QuadPart : Converter::SinglePart))
        .arg(channel);
}

void ensureLoaded() {
    if (!limitsLoaded)
        Load();
}

} // namespace

Refusal CheckWrite(int first, int last, std::int32_t code, int rangeVolts) {
    ensureLoaded();
    for (int k = std::max(first, 0); k <= std::min(last, Channels - 1); ++k)
        if (onPart(k))
            if (const Refusal r = check(k, code, rangeVolts); r.refused)
                return r;
    return {};
}

Refusal CheckRange(int fromVolts, int toVolts) {
    ensureLoaded();
    if (toVolts <= fromVolts)
        return {};
    for (int k = 0; k < Channels; ++k) {
        if (!onPart(k))
            continue;
        // What waits in the input register would reach the output at the
        // new range with the next LDAC.
        for (const std::int32_t code : {model().outputCode(k), model().dacCode(k)})
            if (const Refusal r = check(k, code, toVolts); r.refused)
                return r;
    }
    return {};
}

Refusal CheckLoad(int rangeVolts) {
    ensureLoaded();
    // CLR held low keeps every output at 0: nothing is loaded.
    if (model().clrIsLow())
        return {};
    for (int k = 0; k < Channels; ++k)
        if (onPart(k) && model().waiting(k))
            if (const Refusal r = check(k, model().dacCode(k), rangeVolts); r.refused)
                return r;
    return {};
}

double Limit(int channel) {
    ensureLoaded();
    return outputLimit[slotOf(channel)];
}

void SetLimit(int channel, double volts) {
    ensureLoaded();
    const double limit = volts < 0 ? Off : std::min(volts, Largest);
    outputLimit[slotOf(channel)] = limit;
    QSettings settings;
    if (limit < 0)
        settings.remove(settingsKey(channel));
    else
        settings.setValue(settingsKey(channel), limit);
}

bool AnySet() {
    ensureLoaded();
    for (int k = 0; k < Channels; ++k)
        if (onPart(k) && outputLimit[k] >= 0)
            return true;
    return false;
}

void Forget() {
    for (double& limit : outputLimit)
        limit = Off;
    limitsLoaded = false;
}

void Load() {
    limitsLoaded = true;
    const QSettings settings;
    for (int channel = 1; channel <= (partIsQuad() ? Channels : 1); ++channel) {
        bool ok = false;
        const double volts = settings.value(settingsKey(channel)).toDouble(&ok);
        outputLimit[slotOf(channel)] = ok && volts >= 0 ? std::min(volts, Largest) : Off;
    }
}

bool OverLimit(int slot, int rangeVolts) {
    ensureLoaded();
    return onPart(slot) && check(slot, model().outputCode(slot), rangeVolts).refused;
}

QString Format(double volts) {
    return QString::number(volts, 'g', 6);
}

QString WindowText(const Refusal& refusal) {
    return QStringLiteral("DAC%1 would go to %2, above its limit of %3 V. Nothing was sent.")
        .arg(refusal.channel)
        .arg(Codes::FormatVolts(refusal.volts), Format(refusal.limit));
}

std::string RemoteDetail(const Refusal& refusal) {
    return QStringLiteral("above the DAC%1 limit of %2 V")
        .arg(refusal.channel)
        .arg(Format(refusal.limit))
        .toStdString();
}

} // namespace OutputLimits
