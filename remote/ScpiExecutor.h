// Runs parsed remote commands on the main window, through the same code as
// its controls: buttons are clicked, codes go through the write buttons'
// own routine, so the window shows every change and no other path reaches
// the board.
#ifndef SCPIEXECUTOR_H
#define SCPIEXECUTOR_H

#include "ScpiParser.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <deque>
#include <string_view>

class QV7310;

// A client's error queue: oldest first, at most 16 entries, the last of
// which becomes "Queue overflow" when more arrive.
class ErrorQueue {
public:
    static constexpr int Capacity = 16;
    void push(int error, const QString& detail = QString());
    // The oldest entry as `-222,"Data out of range"`, or `0,"No error"`.
    QString pop();
    void clear() { entries_.clear(); }
    int size() const { return static_cast<int>(entries_.size()); }

private:
    struct Entry {
        int error;
        QString detail;
    };
    std::deque<Entry> entries_;
};

class ScpiExecutor : public QObject {
    Q_OBJECT
public:
    explicit ScpiExecutor(QV7310* window, QObject* parent = nullptr);

    // Runs the commands of one line in order, errors to `errors`; returns
    // the replies of its queries joined by ';', empty when there are none.
    QByteArray runLine(std::string_view line, ErrorQueue& errors);

private:
    // A reply for a query, or a null string when the command gave an error.
    QString run(const Scpi::Command& command, ErrorQueue& errors);
    QString query(const Scpi::Command& command, ErrorQueue& errors);
    void click(const QString& objectName) const;
    bool isChecked(const QString& objectName) const;
    QString text(const QString& objectName) const;
    int rangeVolts() const;

    QPointer<QV7310> window_;
    // The queue of the command now running: a failed board request during
    // it is that client's hardware error.
    ErrorQueue* running_ = nullptr;
};

#endif
