#include "RequestHistory.h"

#include "board/BoardPortAbi.h"

#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <cerrno>
#include <cstring>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace {

const QString Window = QStringLiteral("window");

// A CSV field: quoted when it holds a separator, a quote or a line end.
QString csvField(const QString& text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A JSON string, quotes included.
QByteArray jsonString(const QString& text) {
    QByteArray out = "\"";
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + '"';
}

// True when the journal's file is no longer in any folder: what is written
// to it is lost. (Windows does not let an open file be removed.)
bool JournalRemoved(std::FILE* file) {
#if defined(_WIN32)
    Q_UNUSED(file);
    return false;
#else
    struct stat status = {};
    return ::fstat(::fileno(file), &status) == 0 && status.st_nlink == 0;
#endif
}

} // namespace

RequestHistory::RequestHistory() : origin_(Window) {}

RequestHistory::~RequestHistory() {
    closeJournal();
}

void RequestHistory::clear() {
    records_.clear();
    first_ = 0;
    appended_ = 0;
}

void RequestHistory::add(std::int16_t request, std::int32_t value, std::int32_t index,
                         std::int16_t status) {
    static const QString none;
    Record record{QDateTime::currentMSecsSinceEpoch(),
                  action_ ? action_->text() : none,
                  origin_,
                  request,
                  status,
                  value,
                  index};
    if (journal_)
        journal(record);
    ++appended_;
    if (records_.size() < Capacity) {
        records_.push_back(std::move(record));
        return;
    }
    // Full: the oldest makes room.
    records_[first_] = std::move(record);
    first_ = (first_ + 1) % records_.size();
}

bool RequestHistory::openJournal(const QString& path, QString& error) {
    closeJournal();
#if defined(_WIN32)
    const char* mode = "a";
#else
    // Not inherited by a board bridge the panel starts.
    const char* mode = "ae";
#endif
    journal_ = std::fopen(QFile::encodeName(path).constData(), mode);
    if (!journal_) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    // Each line goes to the file in one write, or is known to have failed:
    // nothing waits in a buffer to be lost or written twice.
    std::setvbuf(journal_, nullptr, _IONBF, 0);
    journalPath_ = path;
    journalFailedSince_ = 0;
    journalFailure_.clear();
    journalMissed_ = 0;
    journalCutLine_ = false;
    return true;
}

void RequestHistory::closeJournal() {
    if (journal_)
        std::fclose(journal_);
    journal_ = nullptr;
}

void RequestHistory::journal(const Record& record) {
    const QString word = wordText(record);
    const QByteArray request = record.request == Download ? QByteArray("\"LoadFirmWare\"")
                                                          : QByteArray::number(record.request);
    const QByteArray line =
        "{\"time\":\"" + isoTime(record.msecs).toLatin1() +
        "\",\"action\":" + jsonString(record.action) + ",\"origin\":" + jsonString(record.origin) +
        ",\"request\":" + request + ",\"role\":" + jsonString(roleText(record)) +
        ",\"word\":" + (word.isEmpty() ? QByteArray("null") : '"' + word.toLatin1() + '"') +
        ",\"status\":" + QByteArray::number(record.status) + "}\n";
    // A notebook keeps every request, even from a panel that dies next.
    const QByteArray text = journalCutLine_ ? '\n' + line : line;
    const auto size = static_cast<std::size_t>(text.size());
    errno = 0;
    const std::size_t written = std::fwrite(text.constData(), 1, size, journal_);
    const int error = errno;
    std::clearerr(journal_);
    if (written != size) {
        journalCutLine_ = journalCutLine_ || written > 0;
        journalWritten(record, false, QString::fromLocal8Bit(std::strerror(error ? error : EIO)));
    } else if (JournalRemoved(journal_)) {
        journalWritten(record, false, QStringLiteral("the file was removed"));
    } else {
        journalCutLine_ = false;
        journalWritten(record, true, QString());
    }
}

void RequestHistory::journalWritten(const Record& record, bool written, const QString& why) {
    const QString time =
        QDateTime::fromMSecsSinceEpoch(record.msecs).toString(QStringLiteral("HH:mm:ss"));
    if (!written) {
        ++journalMissed_;
        if (journalFailedSince_ != 0)
            return;
        journalFailedSince_ = record.msecs;
        journalFailure_ = why;
        std::fprintf(stderr,
                     "qv7310: journal %s: not written since %s (%s); the History keeps every "
                     "record\n",
                     qPrintable(journalPath_), qPrintable(time), qPrintable(why));
        return;
    }
    if (journalFailedSince_ == 0)
        return;
    journalFailedSince_ = 0;
    journalFailure_.clear();
    std::fprintf(stderr, "qv7310: journal %s: written again from %s; %llu records are not in it\n",
                 qPrintable(journalPath_), qPrintable(time),
                 static_cast<unsigned long long>(journalMissed_));
}

QString RequestHistory::requestText(const Record& record) {
    return record.request == Download ? QStringLiteral("LoadFirmWare")
                                      : QString::number(record.request);
}

QString RequestHistory::roleText(const Record& record) {
    return QString::fromLatin1(BoardPortAbi::BoardRequest::Role(record.request));
}

QString RequestHistory::wordText(const Record& record) {
    if (record.request != BoardPortAbi::BoardRequest::SerialWord)
        return QString();
    const auto word =
        static_cast<std::uint32_t>(((record.index & 0xFF) << 16) | (record.value & 0xFFFF));
    // As the window's echo of the last word: upper-case, at least four digits.
    return QStringLiteral("0x") +
           QString::number(word, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

QString RequestHistory::isoTime(qint64 msecs) {
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs);
}

void RequestHistory::writeCsv(QIODevice& device) const {
    device.write("time,action,origin,request,role,word,status\r\n");
    for (std::size_t i = 0; i < size(); ++i) {
        const Record& record = at(i);
        const QString line = isoTime(record.msecs) + QLatin1Char(',') + csvField(record.action) +
                             QLatin1Char(',') + csvField(record.origin) + QLatin1Char(',') +
                             requestText(record) + QLatin1Char(',') + roleText(record) +
                             QLatin1Char(',') + wordText(record) + QLatin1Char(',') +
                             QString::number(record.status) + QLatin1String("\r\n");
        device.write(line.toUtf8());
    }
}

RequestHistory::Action::Action(RequestHistory& history, const QString& text)
    : history_(history), active_(history.action_ == nullptr), previous_(nullptr), text_(text) {
    if (active_)
        history_.action_ = this;
}

RequestHistory::Action::Action(RequestHistory& history, Actions::Id id)
    : Action(history, Actions::Text(id)) {}

RequestHistory::Action::Action(RequestHistory& history, std::string_view text)
    : history_(history), active_(true), previous_(history.action_), raw_(text) {
    history_.action_ = this;
}

RequestHistory::Action::~Action() {
    if (active_)
        history_.action_ = previous_;
}

const QString& RequestHistory::Action::text() {
    if (!raw_.empty() && text_.isEmpty())
        text_ = QString::fromUtf8(raw_.data(), static_cast<qsizetype>(raw_.size()));
    return text_;
}

RequestHistory::Origin::Origin(RequestHistory& history, const QString& origin)
    : history_(history), previous_(history.origin_) {
    history_.origin_ = origin;
}

RequestHistory::Origin::~Origin() {
    history_.origin_ = previous_;
}
