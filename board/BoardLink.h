// The panel's one link to the board: owns the backend that reaches the
// BoardPort library (in this process, or through the board bridge), keeps
// the status of the last call and the firmware path's bytes, and tells
// whoever listens of every call as it returns. USBStuff's functions are its
// face; main() builds it and hands it to the panel model. Nothing here knows
// the panel.
#ifndef BOARDLINK_H
#define BOARDLINK_H

#include "BoardBackend.h"

#include <QObject>
#include <cstdint>
#include <memory>

class BoardLink : public QObject {
    Q_OBJECT
public:
    BoardLink();
    ~BoardLink() override;
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    // Bytes of the firmware path, its terminator included.
    static constexpr int AnsiPathSize = 513;
    // NUL-terminated single-byte copy of the firmware path, reused on each
    // download (USBStuff::PathToAnsiBytes).
    char ansiPath[AnsiPathSize] = {};
    // Set by USBStuff::DownloadFirmware: the executable's directory, a
    // separator, "QV7310.hex".
    QString firmwarePath;
    // The status of the most recent call (LinkClosedStatus for one made
    // while closed), or of a download refused before it.
    std::int16_t lastStatus() const { return lastStatus_; }

    // The library in this process (the default), or the bridge started as
    // `command`. Takes effect for the next call.
    void useLibrary();
    void useBridge(const QStringList& command);
    // How the way to the library is named to the person and remote clients
    // where the panel chose it itself (on Windows); empty: not named.
    void describePath(const QString& description) { pathDescription_ = description; }
    const QString& pathDescription() const { return pathDescription_; }
    bool isBridged() const { return bridged_; }

    // How long a bridged request may take (a download six times as long);
    // takes effect for the next bridge started.
    void setRequestDeadline(double seconds);
    // The deadline of a call through the bridge, in seconds (`request` as in
    // callReturned).
    double deadlineSeconds(std::int16_t request) const;

    std::int16_t loadFirmWare(char* path);
    std::int16_t vendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t arg4, std::int16_t arg5, char* buffer);

    // Closed: both calls return USBStuff::LinkClosedStatus without reaching
    // the library or being reported. Closing says goodbye to a bridge.
    void close();
    void open();

    // Reports a call that was refused before it reached the backend.
    void reportUnsent(std::int16_t request, std::int16_t status) {
        lastStatus_ = status;
        emit called(request, 0, 0, status);
        emit callReturned(request, status);
    }
    void tellSerialWord(std::int32_t word) { emit serialWordWritten(word); }

    // The exit choice, passed on to a bridge now and whenever it starts.
    void setExitChoice(bool resetOnExit);

    // The request number in callReturned for a firmware download.
    static constexpr std::int16_t DownloadCall = -1;

signals:
    // Every call that reached the backend, and a download refused before
    // it, with its arguments, as it returned; before callReturned.
    void called(std::int16_t request, std::int32_t value, std::int32_t index, std::int16_t status);
    // Every call that reached the backend, as it returned (a download as
    // request DownloadCall).
    void callReturned(std::int16_t request, std::int16_t status);
    // A serial word was sent (Declare::WriteSerialWord), whatever its status.
    void serialWordWritten(std::int32_t word);

private:
    BoardBackend& backend();

    std::unique_ptr<BoardBackend> backend_;
    QStringList bridgeCommand_;
    QString pathDescription_;
    BridgeDeadlines deadlines_;
    bool bridged_ = false;
    bool closed_ = false;
    std::int16_t lastStatus_ = 0;
    bool resetOnExit_ = true;
};

#endif
