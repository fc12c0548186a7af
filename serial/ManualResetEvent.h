#pragma once
// A manual-reset event that poll() can wait on: it stays set until it is
// reset, and while it is set its descriptor is readable. A pipe carries the
// state, so a waiter can watch the event together with a device.

#include <memory>
#include <mutex>

namespace korvex::serial {

class ManualResetEvent {
public:
    // Not set at creation. Nothing when the process has no descriptors left.
    static std::unique_ptr<ManualResetEvent> Create();
    ~ManualResetEvent();

    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Readable while the event is set.
    int Descriptor() const { return readEnd_; }

private:
    ManualResetEvent(int readEnd, int writeEnd) : readEnd_(readEnd), writeEnd_(writeEnd) {}

    mutable std::mutex mutex_;
    bool set_ = false;
    int readEnd_;
    int writeEnd_;
};

} // namespace korvex::serial
