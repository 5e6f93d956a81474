#include "faults/errors_view.h"

#include <QTreeWidget>
#include <array>
#include <utility>

#include "faults/fault_list.h"
#include "link/csock.h"
#include "link/value_lock.h"

namespace varnok {

namespace {

// The worker thread copies answers into these. They are program-wide, never
// on a handler's stack, because a read whose wait gave up stays queued and
// may still be answered after the handler has returned.
FaultBlock faultBlockBuffer{};
std::array<std::uint8_t, kSelfTestSize> selfTestBuffer{};

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
    if (sock.ReadObject(kFaultBlockObject, 0, faultBlockBuffer.data(),
                        static_cast<std::int32_t>(faultBlockBuffer.size()), 1) == 0) {
        if (disconnect) {
            disconnect();
        }
        return false;
    }
    const FaultBlock block = LastFaultBlock();
    FillFaultList(list, block, [this]() -> std::optional<std::uint16_t> {
        if (sock.ReadObject(kSelfTestObject, 0, selfTestBuffer.data(),
                            static_cast<std::int32_t>(selfTestBuffer.size()), 1) == 0) {
            return std::nullopt;
        }
        std::array<std::uint8_t, kSelfTestSize> code{};
        CopyValue(code.data(), selfTestBuffer.data(), code.size());
        return static_cast<std::uint16_t>(code[0] | (code[1] << 8));
    });
    return true;
}

FaultBlock ErrorsView::LastFaultBlock() {
    FaultBlock block{};
    CopyValue(block.data(), faultBlockBuffer.data(), block.size());
    return block;
}

}  // namespace varnok
