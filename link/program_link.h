// The program's single link: one link state machine, one POSIX serial
// channel, the steady clock and the one link object, Sock. Built on first
// use (the program's start-up calls Sock() before the main window exists)
// and destroyed at exit, when Sock closes an open session and joins its
// worker thread.
#pragma once

#include "link/csock.h"

namespace varnok {

CSock& Sock();

}  // namespace varnok
