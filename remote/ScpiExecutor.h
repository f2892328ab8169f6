// Runs parsed remote commands on the main window through its typed commands
// and queries, the same code its controls run, so the window shows every
// change and no other path reaches the board. Keeps the conditions of the
// status groups and latches their rises into every client's session.
#ifndef SCPIEXECUTOR_H
#define SCPIEXECUTOR_H

#include "ScpiCommands.h"
#include "ScpiErrors.h"
#include "ScpiSession.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <string_view>
#include <vector>

class QV7310;

class ScpiExecutor : public QObject, public Scpi::Instrument {
    Q_OBJECT
public:
    explicit ScpiExecutor(QV7310* window, QObject* parent = nullptr);

    // Runs the commands of one line in order up to the first error, which
    // ends the line; errors go to `session`. Returns the replies of its
    // queries joined by ';', empty when there are none.
    QByteArray runLine(std::string_view line, Scpi::Session& session);
    // A client's session gets the events from now on, until detached.
    void attach(Scpi::Session* session);
    void detach(Scpi::Session* session);

    std::string identity() const override;
    int channels() const override;
    void reset() override;
    void setCode(int channel, int code) override;
    int code(int channel) const override;
    int codeForVolts(double volts) const override;
    std::string voltsForCode(int code) const override;
    std::string shownVolts(int channel) const override;
    void pulseLdac() override;
    void setLdac(bool high) override;
    bool ldacHigh() const override;
    void pulseClr() override;
    void setClr(bool high) override;
    void setRange(int volts) override;
    int range() const override;
    void setPower(int channel, bool up) override;
    bool powered(int channel) const override;
    void setThreeState(bool on) override;
    bool threeState() const override;
    std::string serialWord() const override;
    std::string boardStatus() const override;
    bool boardReady() const override;
    void reload() override;
    void setLimit(int channel, double volts) override;
    double limit(int channel) const override;
    int operationCondition() const override;
    int questionableCondition() const override;

private:
    // Compares the conditions with the last look; rises become events.
    void look();

    QPointer<QV7310> window_;
    // The session of the command now running: a failed board request during
    // it is that client's hardware error.
    Scpi::Session* running_ = nullptr;
    // The command now running was refused by a limit: its box is no
    // hardware error.
    bool limitRefused_ = false;
    std::vector<Scpi::Session*> sessions_;
    int operation_ = 0;
    int questionable_ = 0;
};

#endif
