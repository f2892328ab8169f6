#include "OutputLimits.h"

#include "ChannelSlots.h"
#include "Codes.h"
#include "Converter.h"
#include "PanelModel.h"

#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace OutputLimits {

namespace {

constexpr int Count = Converter::Channels;

// Each slot's limit in volts, or Off; read from the part's settings on
// first use.
double outputLimit[Count] = {Off, Off, Off, Off};
// What the settings keep for each slot (0 for a value that could not be
// read), and that value's text.
double keptLimit[Count] = {Off, Off, Off, Off};
QString unreadable[Count];
bool limitsLoaded = false;

const PanelModel& model() {
    return PanelModel::instance();
}

bool partIsQuad() {
    return model().partIsQuad();
}

int channelOf(int slot) {
    return ChannelSlots::ChannelOf(partIsQuad(), slot);
}

int slotOf(int channel) {
    return ChannelSlots::SlotOf(partIsQuad(), channel);
}

bool onPart(int slot) {
    return ChannelSlots::OnPart(partIsQuad(), slot);
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
    for (int k = std::max(first, 0); k <= std::min(last, Count - 1); ++k)
        if (onPart(k))
            if (const Refusal r = check(k, code, rangeVolts); r.refused)
                return r;
    return {};
}

Refusal CheckRange(int fromVolts, int toVolts) {
    ensureLoaded();
    if (toVolts <= fromVolts)
        return {};
    for (int k = 0; k < Count; ++k) {
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
    for (int k = 0; k < Count; ++k)
        if (onPart(k) && model().waiting(k))
            if (const Refusal r = check(k, model().dacCode(k), rangeVolts); r.refused)
                return r;
    return {};
}

double Limit(int channel) {
    ensureLoaded();
    return outputLimit[slotOf(channel)];
}

void SetRunLimit(int channel, double volts) {
    ensureLoaded();
    // -0 is 0, also in what is read back and kept.
    const double limit = volts < 0 ? Off : std::min(volts, Largest) + 0.0;
    outputLimit[slotOf(channel)] = limit;
    unreadable[slotOf(channel)].clear();
}

void SetLimit(int channel, double volts) {
    SetRunLimit(channel, volts);
    const double limit = outputLimit[slotOf(channel)];
    keptLimit[slotOf(channel)] = limit;
    QSettings settings;
    if (limit < 0)
        settings.remove(settingsKey(channel));
    else // the shortest decimal that reads back as the same number
        settings.setValue(settingsKey(channel),
                          QString::number(limit, 'f', QLocale::FloatingPointShortest));
}

bool AnySet() {
    ensureLoaded();
    for (int k = 0; k < Count; ++k)
        if (onPart(k) && (outputLimit[k] >= 0 || outputLimit[k] != keptLimit[k]))
            return true;
    return false;
}

QString Unreadable(int channel) {
    ensureLoaded();
    return unreadable[slotOf(channel)];
}

std::optional<double> ReadKept(const QString& text) {
    // Digits with at most one point: no sign, exponent, unit or spaces.
    int digits = 0;
    int points = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('.'))
            ++points;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else
            return std::nullopt;
    }
    bool ok = false;
    const double volts = QLocale::c().toDouble(text, &ok);
    if (digits == 0 || points > 1 || !ok || !(volts >= 0 && volts <= Largest))
        return std::nullopt;
    return volts;
}

void Forget() {
    for (int k = 0; k < Count; ++k) {
        outputLimit[k] = keptLimit[k] = Off;
        unreadable[k].clear();
    }
    limitsLoaded = false;
}

void Load() {
    limitsLoaded = true;
    const QSettings settings;
    for (int channel = 1; channel <= (partIsQuad() ? Count : 1); ++channel) {
        const int k = slotOf(channel);
        const QString key = settingsKey(channel);
        unreadable[k].clear();
        if (!settings.contains(key)) {
            outputLimit[k] = keptLimit[k] = Off;
            continue;
        }
        // "20,5" reads as a list of two.
        const QVariant value = settings.value(key);
        const QString text = value.typeId() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        const std::optional<double> volts = ReadKept(text);
        // A kept limit that cannot be read holds its channel at 0 V rather
        // than letting it go to full scale.
        outputLimit[k] = keptLimit[k] = volts.value_or(0);
        if (volts)
            continue;
        unreadable[k] = text;
        std::fprintf(stderr,
                     "qv7310: %s: limit%d=%s under [%s] is not a limit from 0 to %s V: DAC%d "
                     "may not go above 0 V until its limit is set again\n",
                     qPrintable(settings.fileName()), channel, qPrintable(text),
                     qPrintable(key.section(QLatin1Char('/'), 0, 0)), qPrintable(Format(Largest)),
                     channel);
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
