// The program's three long-lived objects, built in the order they need each
// other. main() builds its own on its stack; the test harness and the benches
// keep one set for their process.
#ifndef SESSIONOBJECTS_H
#define SESSIONOBJECTS_H

#include "PanelModel.h"
#include "Session.h"
#include "board/BoardLink.h"

struct SessionObjects {
    BoardLink link;
    PanelModel model{link};
    Session session{model};
};

#endif
