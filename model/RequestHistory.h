// Every board request as it was sent: when, the action that sent it and where
// that came from (the window, a remote client), the request, its word and its
// status. The panel model appends one record per call the board link reports;
// whoever acts says what and who through the scopes below, so a request pays
// for one append and nothing else. The last `Capacity` records are kept; a
// journal file, when set, gets each as a JSON line, flushed at once.
#ifndef REQUESTHISTORY_H
#define REQUESTHISTORY_H

#include "Actions.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

class QIODevice;

class RequestHistory {
public:
    static constexpr std::size_t Capacity = 100000;
    // The request number of a firmware download (BoardLink::DownloadCall).
    static constexpr std::int16_t Download = -1;

    struct Record {
        qint64 msecs; // since the epoch
        QString action;
        QString origin;
        std::int16_t request;
        std::int16_t status;
        std::int32_t value;
        std::int32_t index;
    };

    RequestHistory();
    ~RequestHistory();
    RequestHistory(const RequestHistory&) = delete;
    RequestHistory& operator=(const RequestHistory&) = delete;

    // One call as it returned; nothing while recording is off.
    void append(std::int16_t request, std::int32_t value, std::int32_t index, std::int16_t status) {
        if (recording_)
            add(request, value, index, status);
    }
    void setRecording(bool on) { recording_ = on; }
    bool recording() const { return recording_; }
    void clear();

    // Records kept, oldest first; `appended` counts every record ever made,
    // so a view tells how many are new and how many fell off the front.
    std::size_t size() const { return records_.size(); }
    const Record& at(std::size_t i) const { return records_[(first_ + i) % records_.size()]; }
    std::uint64_t appended() const { return appended_; }

    // Opens (appends to) a journal file; false with `error` set when it
    // cannot be opened.
    bool openJournal(const QString& path, QString& error);
    void closeJournal();

    // A journal that cannot be written (disk full, file removed, I/O error)
    // is said once on standard error and tried again with every record; one
    // that takes records again says so and goes on. The records stay in the
    // history either way.
    // When the records began to miss the journal (msecs since the epoch; 0
    // while it is written), and why.
    qint64 journalFailedSince() const { return journalFailedSince_; }
    const QString& journalFailure() const { return journalFailure_; }
    // True once any record has missed the journal.
    bool journalIncomplete() const { return journalMissed_ > 0; }

    // The texts of one record, as the window, the CSV and the journal show
    // them: the request ("221", or "LoadFirmWare" for a download), the
    // serial word of request 221 ("0x7040", else empty), the time in ISO
    // 8601 UTC with milliseconds.
    static QString requestText(const Record& record);
    // What the request does, as the board library's request table names it
    // ("range 60 V"); empty for a download.
    static QString roleText(const Record& record);
    static QString wordText(const Record& record);
    static QString isoTime(qint64 msecs);
    // The records kept, as CSV with a header line.
    void writeCsv(QIODevice& device) const;

    // What is being done, for the requests sent meanwhile. A panel action
    // names them unless an action is already under way (a reset's safe
    // state is the reset's); a remote command's text always does, until it
    // ends, even inside a box's event loop that a window action left open.
    class Action {
    public:
        Action(RequestHistory& history, const QString& text);
        // A panel action, named as the action table names it.
        Action(RequestHistory& history, Actions::Id id);
        // A remote command; converted only when a request is sent under it.
        Action(RequestHistory& history, std::string_view text);
        ~Action();
        Action(const Action&) = delete;
        Action& operator=(const Action&) = delete;

    private:
        friend class RequestHistory;
        const QString& text();
        RequestHistory& history_;
        bool active_;
        Action* previous_;
        std::string_view raw_;
        QString text_;
    };

    // Who is acting: "window" unless a scope says otherwise.
    class Origin {
    public:
        Origin(RequestHistory& history, const QString& origin);
        ~Origin();
        Origin(const Origin&) = delete;
        Origin& operator=(const Origin&) = delete;

    private:
        RequestHistory& history_;
        QString previous_;
    };

private:
    void add(std::int16_t request, std::int32_t value, std::int32_t index, std::int16_t status);
    void journal(const Record& record);
    void journalWritten(const Record& record, bool written, const QString& why);

    std::vector<Record> records_;
    std::size_t first_ = 0; // the oldest, once the bound is reached
    std::uint64_t appended_ = 0;
    bool recording_ = true;
    Action* action_ = nullptr;
    QString origin_;
    std::FILE* journal_ = nullptr;
    QString journalPath_;
    qint64 journalFailedSince_ = 0;
    QString journalFailure_;
    std::uint64_t journalMissed_ = 0;
    bool journalCutLine_ = false; // a failed write may have left half a line
};

#endif
