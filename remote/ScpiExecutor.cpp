#include "ScpiExecutor.h"

#include "BoardStatus.h"
#include "DialogSeam.h"
#include "QV7310.h"
#include "QV7310Variables.h"
#include "USBStuff.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QStringList>

using namespace QV7310Variables;
using Scpi::Header;
namespace Error = Scpi::Error;

namespace {

// optPD1 buttons of the frames "DAC 1" to "DAC 4": Power-Down, Power-Up.
constexpr int PowerButtons[4][2] = {{0, 1}, {2, 3}, {5, 4}, {7, 6}};

QString indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QString quoted(QString text) {
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

void ErrorQueue::push(int error, const QString& detail) {
    if (size() < Capacity)
        entries_.push_back({error, detail});
    else
        entries_.back() = {Error::QueueOverflow, QString()};
}

QString ErrorQueue::pop() {
    Entry entry{Error::None, QString()};
    if (!entries_.empty()) {
        entry = entries_.front();
        entries_.pop_front();
    }
    QString text = QString::fromLatin1(Scpi::ErrorText(entry.error));
    if (!entry.detail.isEmpty())
        text += QLatin1Char(';') + entry.detail;
    return QString::number(entry.error) + QLatin1Char(',') + quoted(text);
}

ScpiExecutor::ScpiExecutor(QV7310* window, QObject* parent) : QObject(parent), window_(window) {
    connect(window->boardStatus(), &BoardStatus::requestFailed, this,
            [this](std::int16_t request, std::int16_t status) {
                if (running_)
                    running_->push(
                        Error::Hardware,
                        QStringLiteral("request %1 returned status %2").arg(request).arg(status));
            });
}

QByteArray ScpiExecutor::runLine(std::string_view line, ErrorQueue& errors) {
    if (!window_)
        return QByteArray();
    // Commands reach controls of the page behind, even before it is shown.
    window_->createDeferredControls();
    // No box for a remote client: what the panel would show (a missing board
    // on a reload) goes to the queue instead.
    const DialogSeam::Handler previous = DialogSeam::setHandler([&errors](QDialog& dialog) {
        const auto* box = qobject_cast<QMessageBox*>(&dialog);
        errors.push(Error::Hardware, (box ? box->text() : QString()) + dialog.windowTitle());
        return int(QDialog::Rejected);
    });
    running_ = &errors;
    QStringList replies;
    for (const Scpi::Parsed& parsed : Scpi::ParseLine(line)) {
        if (parsed.error != Error::None) {
            errors.push(parsed.error);
            continue;
        }
        const QString reply = run(parsed.command, errors);
        if (parsed.command.query && !reply.isNull())
            replies << reply;
    }
    running_ = nullptr;
    DialogSeam::setHandler(previous);
    return replies.join(QLatin1Char(';')).toUtf8();
}

QString ScpiExecutor::run(const Scpi::Command& command, ErrorQueue& errors) {
    const Header header = command.header;
    if ((header == Header::DacCode || header == Header::DacVoltage || header == Header::Power) &&
        command.channel > (partIsQuad ? 4 : 1)) {
        errors.push(Error::SuffixOutOfRange);
        return QString();
    }
    if ((header == Header::AllCode || header == Header::AllVoltage) && !partIsQuad) {
        errors.push(Error::SettingsConflict);
        return QString();
    }
    if (command.query)
        return query(command, errors);
    // The single part's one channel sits at position 2 of the panel.
    const int slot = partIsQuad ? command.channel - 1 : 2;
    switch (header) {
    case Header::Reset:
        window_->ResetPanel();
        break;
    case Header::ClearErrors:
        errors.clear();
        break;
    case Header::DacCode:
        window_->LoadCode(slot, command.value);
        break;
    case Header::AllCode:
        window_->LoadCode(4, command.value);
        break;
    case Header::DacVoltage:
    case Header::AllVoltage: {
        const int code = Scpi::CodeForVolts(command.volts, rangeVolts());
        if (code < 0) {
            errors.push(Error::DataOutOfRange);
            return QString();
        }
        window_->LoadCode(header == Header::AllVoltage ? 4 : slot, code);
        break;
    }
    case Header::LdacPulse:
        click(QStringLiteral("cmdLDAC(0)"));
        break;
    case Header::Ldac:
        click(indexed("cmdLDAC", command.value ? 1 : 2));
        break;
    case Header::ClrPulse:
        click(QStringLiteral("cmdCLR(0)"));
        break;
    case Header::Clr:
        click(indexed("cmdCLR", command.value ? 1 : 2));
        break;
    case Header::Range:
        click(indexed("optRANGE", command.value == 30 ? 0 : 1));
        break;
    case Header::Power:
        click(indexed("optPD1", PowerButtons[command.channel - 1][command.value ? 1 : 0]));
        break;
    case Header::PowerMode:
        click(indexed("optPD1", command.value ? 13 : 12));
        break;
    case Header::BoardReload:
        if (auto* reload = window_->findChild<QAction*>(QStringLiteral("mnuReload")))
            reload->trigger();
        break;
    case Header::Identify:
    case Header::Complete:
    case Header::NextError:
    case Header::Word:
    case Header::BoardStatus:
        break; // queries only
    }
    return QString();
}

QString ScpiExecutor::query(const Scpi::Command& command, ErrorQueue& errors) {
    const int slot = partIsQuad ? command.channel - 1 : 2;
    switch (command.header) {
    case Header::Identify:
        return QStringLiteral("QVPANEL,%1,0,%2")
            .arg(partIsQuad ? QLatin1String("QV7310") : QLatin1String("QV7301"),
                 QLatin1String(QV_PANEL_VERSION));
    case Header::Complete:
        return QStringLiteral("1");
    case Header::NextError:
        return errors.pop();
    case Header::DacCode:
        return QString::number(dacCode[slot]);
    case Header::DacVoltage: {
        QString volts = text(indexed("lblVoltage", slot));
        if (volts.endsWith(QLatin1Char('V')))
            volts.chop(1);
        return volts;
    }
    case Header::Ldac:
        return ldacIsHigh ? QStringLiteral("HIGH") : QStringLiteral("LOW");
    case Header::Range:
        return QString::number(rangeVolts());
    case Header::Power:
        return isChecked(indexed("optPD1", PowerButtons[command.channel - 1][1]))
                   ? QStringLiteral("ON")
                   : QStringLiteral("OFF");
    case Header::PowerMode:
        return isChecked(QStringLiteral("optPD1(13)")) ? QStringLiteral("TRIS")
                                                       : QStringLiteral("GND");
    case Header::Word: {
        const QString word = text(QStringLiteral("Label1(0)"));
        return word.isEmpty() ? QStringLiteral("\"\"") : word;
    }
    case Header::BoardStatus:
        return QString::number(USBStuff::lastStatus) + QLatin1Char(',') +
               quoted(window_->boardStatus()->text());
    default:
        return QString(); // the parser lets no other query through
    }
}

void ScpiExecutor::click(const QString& objectName) const {
    if (auto* button = window_->findChild<QAbstractButton*>(objectName))
        button->click();
}

bool ScpiExecutor::isChecked(const QString& objectName) const {
    const auto* button = window_->findChild<QAbstractButton*>(objectName);
    return button && button->isChecked();
}

QString ScpiExecutor::text(const QString& objectName) const {
    const auto* label = window_->findChild<QLabel*>(objectName);
    return label ? label->text() : QString();
}

int ScpiExecutor::rangeVolts() const {
    return isChecked(QStringLiteral("optRANGE(0)")) ? 30 : 60;
}
