#include "release13/poll_thread.h"

namespace varnok::release13 {

namespace {

using namespace objects;

constexpr std::array<const DataObject*, kCycleReads> kCycle{
    &kEngineRunning,      &kEngineSpeedN1, &kEngineSpeedN2, &kVehicleSpeed,     &kRackPosition,
    &kRackSetpoint,       &kPedalPosition, &kBoostPressure, &kBoostTemperature, &kFuelTemperature,
    &kCoolantTemperature, &kSupplyVoltage, &kSwitches,      &kOutputs,
};

}  // namespace

std::span<const DataObject* const, kCycleReads> PollCycle() {
    return kCycle;
}

std::uint16_t CycleValues::Unsigned(const DataObject& object) const {
    for (std::size_t i = 0; i < kCycle.size(); ++i) {
        if (kCycle[i]->object == object.object && kCycle[i]->offset == object.offset) {
            return words[i];
        }
    }
    return 0;
}

PollThread::PollThread(CSock& s, Clock& c) : sock(s), clock(c) {}

PollThread::~PollThread() {
    stopRequested.store(true);
    if (thread.joinable()) {
        thread.join();
    }
}

void PollThread::SetLinkLostHandler(LinkLostHandler handler) {
    linkLost = std::move(handler);
}

bool PollThread::Start() {
    if (running.load()) {
        return false;
    }
    // A thread that has just lost the unit may still be setting the flag.
    Join();
    if (pollThreadEnded.load()) {
        return false;
    }
    stopRequested.store(false);
    running.store(true);
    thread = std::thread([this] { Run(); });
    return true;
}

void PollThread::Stop() {
    if (!thread.joinable()) {
        return;
    }
    stopRequested.store(true);
    thread.join();
    clock.Sleep(kStopPauseMs);
}

void PollThread::Join() {
    if (thread.joinable()) {
        thread.join();
    }
}

std::optional<CycleValues> PollThread::TakeCycle() {
    std::lock_guard lock(cycleLock);
    if (!cycleDone.exchange(false)) {
        return std::nullopt;
    }
    return lastCycle;
}

void PollThread::Run() {
    CycleValues cycle;
    for (;;) {
        for (std::size_t i = 0; i < kCycle.size(); ++i) {
            // Stopping is looked at between requests only, so the main
            // thread never finds a request of this thread on the line.
            if (stopRequested.load()) {
                running.store(false);
                return;
            }
            const DataObject& object = *kCycle[i];
            if (sock.ReadObject(object.object, object.offset, ValueBuffer(object), 2) == 0) {
                running.store(false);
                // A read that fails while a stop is asked for is left to the
                // main thread, which is about to talk to the unit itself.
                if (!stopRequested.load()) {
                    pollThreadEnded.store(true);
                    if (linkLost) {
                        linkLost();
                    }
                }
                return;
            }
            cycle.words[i] = LoadUnsigned16(object);
        }
        {
            std::lock_guard lock(cycleLock);
            lastCycle = cycle;
            cycleDone.store(true);
        }
        cycles.fetch_add(1);
    }
}

}  // namespace varnok::release13
