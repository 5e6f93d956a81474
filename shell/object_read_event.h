// The link's read notification as a Qt event.
//
// The link object calls its notifier on its worker thread after a read has
// been answered and its data copied. The notifier made here posts an
// ObjectReadEvent (type 1025, object number and the offset the read started
// at) to the main window, where the application's event filter sees it on
// the main thread.
#pragma once

#include <QEvent>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/csock.h"

namespace varnok {

inline constexpr QEvent::Type kObjectReadEvent = static_cast<QEvent::Type>(1025);

// Made on the worker thread, read on the main thread. Qt's event queue
// orders the two already; the read also ends in an acquire of what the
// constructor released, so the hand-over of the event and of everything the
// worker did before it is ordered in the program's own terms too, where a
// thread checker sees it although Qt's own locks are hidden from it.
class ObjectReadEvent : public QEvent {
public:
    ObjectReadEvent(std::uint16_t objectNumber, std::uint16_t objectOffset)
        : QEvent(kObjectReadEvent) {
        read.store(static_cast<std::uint32_t>(objectNumber) << 16 | objectOffset,
                   std::memory_order_release);
    }

    std::uint16_t Object() const {
        return static_cast<std::uint16_t>(read.load(std::memory_order_acquire) >> 16);
    }
    std::uint16_t Offset() const {
        return static_cast<std::uint16_t>(read.load(std::memory_order_acquire) & 0xFFFF);
    }

private:
    std::atomic<std::uint32_t> read;  // object number << 16 | offset
};

// Where notifications go. Post may run on any thread; Detach runs on the
// receiver's thread before the receiver is destroyed, and no event is posted
// to it once Detach has returned.
class NotificationTarget {
public:
    explicit NotificationTarget(QObject* target) : receiver(target) {}

    void Post(std::uint16_t object, std::uint16_t offset);
    void Detach();

private:
    std::mutex lock;
    QObject* receiver;  // Guarded by lock.
};

// A notifier for CSock::SetNotifier that posts to `target`. The notifier
// shares the target, so a notifier copy still running on the worker thread
// after the receiver is gone finds it detached.
ReadNotifier MakeReadNotifier(std::shared_ptr<NotificationTarget> target);

}  // namespace varnok
