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

// Both reads go into the objects' program-wide value buffers.
int WaitingRead(CSock& sock, const DataObject& object) {
    return sock.ReadObject(object.object, object.offset, ValueBuffer(object), object.length, 1);
}

}  // namespace

ErrorsView::ErrorsView(QTreeWidget& faultList, CSock& link, std::function<void()> onReadFailure)
    : list(faultList), sock(link), disconnect(std::move(onReadFailure)) {}

void ErrorsView::Button2Click() {
    RefreshFaultList();
}

void ErrorsView::Button3Click() {
    list.clear();
    if (sock.sessionOpen.load() != 0) {
        sock.ClearFaults();
    }
}

bool ErrorsView::RefreshFaultList() {
    if (WaitingRead(sock, objects::kFaultBlock) == 0) {
        if (disconnect) {
            disconnect();
        }
        return false;
    }
    FillFaultList(list, LastFaultBlock(), [this]() -> std::optional<std::uint16_t> {
        if (WaitingRead(sock, objects::kSelfTest) == 0) {
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
