#pragma once
// The thread a long job runs on: one run at a time, joined before the job
// that owns it goes away.
//
//   class TMyJob {
//       std::atomic<bool> Stop{false};
//       TJobThread Thread;  // last member: joined before the others go
//   public:
//       ~TMyJob() { Stop = true; Thread.Join(); }
//       void Start(std::function<void()> finished)
//       { Thread.Start([this] { /* work */ }, std::move(finished)); }
//   };
// Finished is called on the job's thread once the work is over; Running()
// is false by then.
#include <atomic>
#include <functional>
#include <thread>

class TJobThread {
public:
    TJobThread() = default;
    ~TJobThread() { Join(); }
    TJobThread(const TJobThread&) = delete;
    TJobThread& operator=(const TJobThread&) = delete;

    // False (and nothing started) while a run is still going.
    bool Start(std::function<void()> work, std::function<void()> finished);
    bool Running() const { return Busy.load(); }
    // Waits for the run to end; at once when none was started.
    void Join();

private:
    std::atomic<bool> Busy{false};
    std::thread Worker;
};
