#include "faults/errors_view.h"

#include <QTreeWidget>
#include <utility>

#include "faults/fault_list.h"
#include "link/csock.h"
#include "link/value_lock.h"
#include "livedata/data_objects.h"

namespace varnok {

namespace {

static_assert(objects::kFaultBlock.length == kFaultBlockSize);

// The queued link object's calls, waited for where the view needs the answer.
FaultRequests QueuedRequests(CSock& sock) {
    return FaultRequests{
        [&sock](const DataObject& object) {
            return sock.ReadObject(object.object, object.offset, ValueBuffer(object), object.length,
                                   1);
        },
        [&sock] { return sock.sessionOpen.load() != 0; },
        [&sock] { sock.ClearFaults(); },
    };
}

}  // namespace

ErrorsView::ErrorsView(QTreeWidget& faultList, FaultRequests link,
                       std::function<void()> onReadFailure)
    : list(faultList), requests(std::move(link)), disconnect(std::move(onReadFailure)) {}

ErrorsView::ErrorsView(QTreeWidget& faultList, CSock& sock, std::function<void()> onReadFailure)
    : ErrorsView(faultList, QueuedRequests(sock), std::move(onReadFailure)) {}

void ErrorsView::Button2Click() {
    RefreshFaultList();
}

void ErrorsView::Button3Click() {
    list.clear();
    if (requests.sessionOpen()) {
        requests.clearFaults();
    }
}

bool ErrorsView::RefreshFaultList() {
    // Both reads go into the objects' program-wide value buffers.
    if (requests.readWaiting(objects::kFaultBlock) == 0) {
        if (disconnect) {
            disconnect();
        }
        return false;
    }
    FillFaultList(list, LastFaultBlock(), [this]() -> std::optional<std::uint16_t> {
        if (requests.readWaiting(objects::kSelfTest) == 0) {
            return std::nullopt;
        }
        return LoadUnsigned16(objects::kSelfTest);
    });
    return true;
}

FaultStatusBlock ErrorsView::LastFaultBlock() {
    FaultStatusBlock block{};
    CopyValue(block.data(), ValueBuffer(objects::kFaultBlock), block.size());
    return block;
}

}  // namespace varnok
