#include "parsimony/JobThread.h"

bool TJobThread::Start(std::function<void()> work, std::function<void()> finished)
{
    if (Busy.exchange(true)) return false;
    // The previous run has called its Finished; only the join is left.
    if (Worker.joinable()) Worker.join();
    Worker = std::thread([this, work = std::move(work), finished = std::move(finished)] {
        work();
        Busy = false;
        if (finished) finished();
    });
    return true;
}

void TJobThread::Join()
{
    if (Worker.joinable() && Worker.get_id() != std::this_thread::get_id()) Worker.join();
}
