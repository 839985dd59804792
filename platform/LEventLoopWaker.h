#pragma once

#include "framework/LProcessInterface.h"

#include <QEventLoop>

// One pass of a wait on the toolkit's events: a local event loop that whatever ends the
// wait (the time, a signal, a stop) leaves through Wake, marking that it was woken. A loop
// left without that mark was ended by the application quitting.
class LEventLoopWaker : public LProcessWaker {
public:
    void Wake() override
    {
        woken = true;
        loop.exit(0);
    }

    QEventLoop loop;
    bool woken = false;
};
