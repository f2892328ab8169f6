// The program's life around the panel model: the run's start (the part, the
// exit choice, the firmware download and the board's start, request 224), a
// reload, and its end (the exit's safe state, then the board link closed, a
// bridge told goodbye). main() builds it over the model and hands it to the
// window, remote control and the ways out; the window asks it, and answers
// its signals with boxes.
#ifndef SESSION_H
#define SESSION_H

#include <QObject>
#include <cstdint>

class PanelModel;

class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(PanelModel& model, QObject* parent = nullptr);
    // A run that never ended sends nothing at exit().
    ~Session() override;

    PanelModel& model() const { return model_; }

    // The run begins: the board link open, the model as a new run has it.
    void begin();
    // The part chosen: true for the quad part.
    void setPart(bool quad);
    // The board reached: the safe state at exit is chosen, the firmware
    // downloaded (boardMissing when no board answers) and the board started;
    // from then on exit() sends the safe state, and no code is taken.
    void open();
    // The download and the start alone (boardMissing when no board answers).
    void loadBoard();
    // A download and start again, as Reload USB does; `reloaded` follows.
    void reload();

    // The run ends, once: `ending` first (remote control stops), then the
    // safe state when the exit choice asks for it, then the board link
    // closed. False when a request of the safe state failed.
    bool end();
    bool ended() const { return ended_; }
    // The exit's safe state was sent and a request of it failed: the outputs
    // may not be safe, and the program's exit status says so.
    bool safeStateFailed() const { return safeStateFailed_; }

signals:
    // A download found no board; the start follows once this returns.
    void boardMissing(std::int16_t status);
    // The run is ending: nothing but the safe state may reach the board now.
    void ending();

private:
    PanelModel& model_;
    bool ended_ = false;
    bool safeStateFailed_ = false;
};

#endif
