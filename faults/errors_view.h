// The Errors view's two actions. "Обновить" (Button2Click) reads the fault
// status block from the unit, waiting for it, and rebuilds the fault list;
// "Сброс ошибок" (Button3Click) empties the list and queues the unit's
// ClearDiagnosticInformation without waiting.
//
// Main thread only: the reads block it for up to the link object's wait
// limit each. The list, the link object and the disconnect action must
// outlive the view. The view needs no main window: the window hands it its
// fault list and the action to run when the block cannot be read (its
// connect/disconnect toggle, which disconnects while connected).
#pragma once

#include <functional>

#include "faults/fault_catalogue.h"

class QTreeWidget;

namespace varnok {

class CSock;

class ErrorsView {
public:
    ErrorsView(QTreeWidget& list, CSock& sock, std::function<void()> disconnect);

    // Runs RefreshFaultList; its result is of no further use to a click.
    void Button2Click();
    // Empties the list, then queues the clear request when a session is
    // open. The answer is not awaited: "Обновить" shows what remains.
    void Button3Click();

    // Reads object 600 (58 bytes) waiting for it. On failure runs the
    // disconnect action, leaves the rows as they are and returns false.
    // Otherwise rebuilds the list (reading object 602 only when fault 1902
    // is present) and returns true.
    bool RefreshFaultList();

    // The last fault status block received (zeros before the first), from the
    // block's program-wide value buffer.
    static FaultStatusBlock LastFaultBlock();

private:
    QTreeWidget& list;
    CSock& sock;
    std::function<void()> disconnect;
};

}  // namespace varnok
