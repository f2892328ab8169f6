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

namespace {

constexpr int Count = Converter::Channels;
} // namespace

bool OutputLimits::partIsQuad() const {
    return model_.partIsQuad();
}

int OutputLimits::channelOf(int slot) const {
    return ChannelSlots::ChannelOf(partIsQuad(), slot);
}

int OutputLimits::slotOf(int channel) const {
    return ChannelSlots::SlotOf(partIsQuad(), channel);
}

bool OutputLimits::onPart(int slot) const {
    return ChannelSlots::OnPart(partIsQuad(), slot);
}

// A code at a range against the slot's limit.
OutputLimits::Refusal OutputLimits::check(int slot, std::int32_t code, int rangeVolts) const {
    const double limit = outputLimit_[slot];
    const double volts = Converter::VoltsForCode(code, rangeVolts);
    if (limit < 0 || volts <= limit)
        return {};
    return {true, channelOf(slot), volts, limit};
}

QString OutputLimits::settingsKey(int channel) const {
    return QStringLiteral("%1/limit%2")
        .arg(QLatin1String(partIsQuad() ? Converter::QuadPart : Converter::SinglePart))
        .arg(channel);
}

void OutputLimits::ensureLoaded() const {
    if (!loaded_)
        load();
}

OutputLimits::Refusal OutputLimits::checkWrite(int first, int last, std::int32_t code,
                                               int rangeVolts) const {
    ensureLoaded();
    for (int k = std::max(first, 0); k <= std::min(last, Count - 1); ++k)
        if (onPart(k))
            if (const Refusal r = check(k, code, rangeVolts); r.refused)
                return r;
    return {};
}

OutputLimits::Refusal OutputLimits::checkRange(int fromVolts, int toVolts) const {
    ensureLoaded();
    if (toVolts <= fromVolts)
        return {};
    for (int k = 0; k < Count; ++k) {
        if (!onPart(k))
            continue;
        // What waits in the input register would reach the output at the
        // new range with the next LDAC.
        for (const std::int32_t code : {model_.outputCode(k), model_.dacCode(k)})
            if (const Refusal r = check(k, code, toVolts); r.refused)
                return r;
    }
    return {};
}

OutputLimits::Refusal OutputLimits::checkLoad(int rangeVolts) const {
    ensureLoaded();
    // CLR held low keeps every output at 0: nothing is loaded.
    if (model_.clrIsLow())
        return {};
    for (int k = 0; k < Count; ++k)
        if (onPart(k) && model_.waiting(k))
            if (const Refusal r = check(k, model_.dacCode(k), rangeVolts); r.refused)
                return r;
    return {};
}

double OutputLimits::limit(int channel) const {
    ensureLoaded();
    return outputLimit_[slotOf(channel)];
}

void OutputLimits::setRunLimit(int channel, double volts) {
    ensureLoaded();
    // -0 is 0, also in what is read back and kept.
    const double limit = volts < 0 ? Off : std::min(volts, Largest) + 0.0;
    outputLimit_[slotOf(channel)] = limit;
    unreadable_[slotOf(channel)].clear();
}

void OutputLimits::setLimit(int channel, double volts) {
    setRunLimit(channel, volts);
    const double limit = outputLimit_[slotOf(channel)];
    keptLimit_[slotOf(channel)] = limit;
    QSettings settings;
    if (limit < 0)
        settings.remove(settingsKey(channel));
    else // the shortest decimal that reads back as the same number
        settings.setValue(settingsKey(channel),
                          QString::number(limit, 'f', QLocale::FloatingPointShortest));
}

bool OutputLimits::anySet() const {
    ensureLoaded();
    for (int k = 0; k < Count; ++k)
        if (onPart(k) && (outputLimit_[k] >= 0 || outputLimit_[k] != keptLimit_[k]))
            return true;
    return false;
}

QString OutputLimits::unreadable(int channel) const {
    ensureLoaded();
    return unreadable_[slotOf(channel)];
}

std::optional<double> OutputLimits::ReadKept(const QString& text) {
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

void OutputLimits::forget() {
    for (int k = 0; k < Count; ++k) {
        outputLimit_[k] = keptLimit_[k] = Off;
        unreadable_[k].clear();
    }
    loaded_ = false;
}

void OutputLimits::load() const {
    loaded_ = true;
    const QSettings settings;
    for (int channel = 1; channel <= (partIsQuad() ? Count : 1); ++channel) {
        const int k = slotOf(channel);
        const QString key = settingsKey(channel);
        unreadable_[k].clear();
        if (!settings.contains(key)) {
            outputLimit_[k] = keptLimit_[k] = Off;
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
        outputLimit_[k] = keptLimit_[k] = volts.value_or(0);
        if (volts)
            continue;
        unreadable_[k] = text;
        std::fprintf(stderr,
                     "qv7310: %s: limit%d=%s under [%s] is not a limit from 0 to %s V: DAC%d "
                     "may not go above 0 V until its limit is set again\n",
                     qPrintable(settings.fileName()), channel, qPrintable(text),
                     qPrintable(key.section(QLatin1Char('/'), 0, 0)), qPrintable(Format(Largest)),
                     channel);
    }
}

bool OutputLimits::overLimit(int slot, int rangeVolts) const {
    ensureLoaded();
    return onPart(slot) && check(slot, model_.outputCode(slot), rangeVolts).refused;
}

QString OutputLimits::Format(double volts) {
    return QString::number(volts, 'g', 6);
}

QString OutputLimits::WindowText(const Refusal& refusal) {
    return QStringLiteral("DAC%1 would go to %2, above its limit of %3 V. Nothing was sent.")
        .arg(refusal.channel)
        .arg(Codes::FormatVolts(refusal.volts), Format(refusal.limit));
}

std::string OutputLimits::RemoteDetail(const Refusal& refusal) {
    return QStringLiteral("above the DAC%1 limit of %2 V")
        .arg(refusal.channel)
        .arg(Format(refusal.limit))
        .toStdString();
}
