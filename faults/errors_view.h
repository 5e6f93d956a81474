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
//
// The view reaches the unit through FaultRequests, so that a build with
// another link object (release13/) uses the same view; the constructor that
// takes the queued CSock fills them in with its waiting calls.
#pragma once

#include <functional>

#include "faults/fault_catalogue.h"

class QTreeWidget;

namespace varnok {

class CSock;
struct DataObject;

// What the view asks of the link object.
struct FaultRequests {
    // Reads a data object into its value buffer and waits for the answer:
    // 1 when it was read, else 0.
    std::function<int(const DataObject& object)> readWaiting;
    // True while a session is open.
    std::function<bool()> sessionOpen;
    // ClearDiagnosticInformation; its answer is not looked at.
    std::function<void()> clearFaults;
};

class ErrorsView {
public:
    ErrorsView(QTreeWidget& list, FaultRequests requests, std::function<void()> disconnect);
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
    FaultRequests requests;
    std::function<void()> disconnect;
};

}  // namespace varnok
