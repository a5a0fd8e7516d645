// One thread per child being ended; the threads of ended children are joined
// when the next one starts, and all of them when the process exits (the
// reaper is a function-local static, destroyed by exit()).  A thread waits in
// short steps so that the exit can hurry it.
#include "session/child_reaper.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vesper {

namespace {

using Clock = std::chrono::steady_clock;

// How often a waiting thread looks whether the process is exiting.
constexpr int waitStepMs = 50;

class Reaper {
public:
    ~Reaper()
    {
        std::vector<Job> all;
        {
            const std::lock_guard lock(mutex_);
            hurry_.store(true, std::memory_order_release);
            all = std::move(jobs_);
        }
        for (Job &job : all)
            job.thread.join();
    }

    void add(std::unique_ptr<PtyBackend> backend, int graceMs, std::function<void(int)> exited)
    {
        auto child = std::make_shared<Child>();
        child->backend = std::move(backend);
        child->exited = std::move(exited);
        const std::lock_guard lock(mutex_);
        std::erase_if(jobs_, [](Job &job) {
            if (!job.child->done.load(std::memory_order_acquire))
                return false;
            job.thread.join(); // it has returned already
            return true;
        });
        try {
            jobs_.push_back({std::thread([this, child, graceMs] { run(*child, graceMs); }), child});
        } catch (const std::system_error &) {
            // No thread to wait on: no grace either (a killed child goes at once).
            run(*child, 0);
        }
    }

private:
    struct Child {
        std::unique_ptr<PtyBackend> backend;
        std::function<void(int)> exited;
        std::atomic<bool> done{false};
    };
    struct Job {
        std::thread thread;
        std::shared_ptr<Child> child;
    };

    void run(Child &child, int graceMs)
    {
        endChild(*child.backend, graceMs);
        const int code = child.backend->exitCode().value_or(0);
        child.backend->release();
        child.backend.reset();
        if (child.exited && !hurry_.load(std::memory_order_acquire))
            child.exited(code);
        child.done.store(true, std::memory_order_release);
    }

    void endChild(PtyBackend &backend, int graceMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(graceMs);
        while (!backend.waitForExit(waitStepMs)) {
            if (hurry_.load(std::memory_order_acquire) || Clock::now() >= deadline) {
                backend.kill();
                backend.waitForExit(-1);
                return;
            }
        }
    }

    std::mutex mutex_;
    std::vector<Job> jobs_;
    std::atomic<bool> hurry_{false};
};

Reaper &reaper()
{
    static Reaper instance;
    return instance;
}

} // namespace

void ChildReaper::reap(std::unique_ptr<PtyBackend> backend, int graceMs, std::function<void(int exitCode)> exited)
{
    reaper().add(std::move(backend), graceMs, std::move(exited));
}

} // namespace vesper
