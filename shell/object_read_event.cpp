#include "shell/object_read_event.h"

#include <QCoreApplication>

namespace varnok {

void NotificationTarget::Post(std::uint16_t object, std::uint16_t offset) {
    std::lock_guard guard(lock);
    if (receiver != nullptr) {
        QCoreApplication::postEvent(receiver, new ObjectReadEvent(object, offset));
    }
}

void NotificationTarget::Detach() {
    std::lock_guard guard(lock);
    receiver = nullptr;
}

ReadNotifier MakeReadNotifier(std::shared_ptr<NotificationTarget> target) {
    return [target = std::move(target)](std::uint16_t object, std::uint16_t offset) {
        target->Post(object, offset);
    };
}

}  // namespace varnok
