#include "framework/thread_pool.h"

namespace quillery {

class ThreadPool::Task {
  public:
    Task(std::function<void()> work, const void* group) : work(std::move(work)), group(group) {}
    enum class State { Queued, Running, Done };
    std::function<void()> work;
    const void* group;
    State state = State::Queued; // guarded by the pool's mutex
};

ThreadPool::ThreadPool(size_t workers) {
    workers_.reserve(workers);
    for (size_t k = 0; k < workers; ++k) {
        workers_.emplace_back([this] { workerLoop(); });
    }
}

ThreadPool::~ThreadPool() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    // Without workers nobody else runs what is left.
    while (!queue_.empty()) {
        TaskHandle task = queue_.front();
        queue_.pop_front();
        if (claim(task)) {
            run(task);
        }
    }
}

ThreadPool::TaskHandle ThreadPool::submit(std::function<void()> work, const void* group) {
    auto task = std::make_shared<Task>(std::move(work), group);
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(task);
    }
    queued_.notify_one();
    return task;
}

bool ThreadPool::claim(const TaskHandle& task) {
    std::lock_guard lock(mutex_);
    if (task->state != Task::State::Queued) {
        return false;
    }
    task->state = Task::State::Running;
    return true;
}

void ThreadPool::run(const TaskHandle& task) {
    task->work();
    {
        std::lock_guard lock(mutex_);
        task->state = Task::State::Done;
        task->work = nullptr; // what the work captured is released by the thread that ran it
    }
    finished_.notify_all();
}

bool ThreadPool::runIfQueued(const TaskHandle& task) {
    if (!claim(task)) {
        return false;
    }
    run(task);
    return true;
}

void ThreadPool::wait(const TaskHandle& task) {
    if (runIfQueued(task)) {
        return;
    }
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return task->state == Task::State::Done; });
}

void ThreadPool::waitHelping(const TaskHandle& task, const void* group) {
    if (runIfQueued(task)) {
        return;
    }
    std::unique_lock lock(mutex_);
    while (task->state != Task::State::Done) {
        while (!queue_.empty() && queue_.front()->state != Task::State::Queued) {
            queue_.pop_front(); // claimed by a waiting thread
        }
        TaskHandle other;
        for (const TaskHandle& queued : queue_) {
            if (queued->state == Task::State::Queued && (group == nullptr || queued->group == group)) {
                queued->state = Task::State::Running;
                other = queued;
                break;
            }
        }
        if (!other) {
            finished_.wait(lock);
            continue;
        }
        lock.unlock();
        run(other);
        lock.lock();
    }
}

bool ThreadPool::isDone(const TaskHandle& task) {
    std::lock_guard lock(mutex_);
    return task->state == Task::State::Done;
}

void ThreadPool::workerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        queued_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) {
            return; // stopping, and nothing left
        }
        TaskHandle task = queue_.front();
        queue_.pop_front();
        if (task->state != Task::State::Queued) {
            continue; // a waiting thread ran it
        }
        task->state = Task::State::Running;
        lock.unlock();
        run(task);
        lock.lock();
    }
}

} // namespace quillery
