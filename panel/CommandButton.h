#ifndef COMMANDBUTTON_H
#define COMMANDBUTTON_H

#include <QPushButton>

// A command button on which Enter and Return act as Space does, as they do on
// the desktop the panel comes from: pressed on the key going down, clicked once
// on its release. Not a default button of its dialog for that.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    explicit CommandButton(const QString& text, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

#endif
