// A fixed set of worker threads that run submitted tasks in the order they were submitted.
//
// A task can also be run by the thread that waits for it: wait() runs a task that no worker has started yet
// on the calling thread. So a task may itself submit tasks and wait for them without ever blocking every
// worker, and a pool of no workers is valid (every task then runs in the thread that waits for it).
//
// The pool reports nothing: tasks return their results through the data they were given.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillery {

class ThreadPool {
  public:
    class Task;
    using TaskHandle = std::shared_ptr<Task>;

    // Starts `workers` threads (0: none).
    explicit ThreadPool(size_t workers);
    // Runs the tasks still queued, then stops the workers.
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    size_t workerCount() const { return workers_.size(); }

    // Queues `work`, as one of `group` if given (any tag the caller likes). It runs exactly once: on a
    // worker, or in a thread that waits for it.
    TaskHandle submit(std::function<void()> work, const void* group = nullptr);

    // Runs the task here when no thread has started it; false when one has (it may still be running).
    bool runIfQueued(const TaskHandle& task);
    // Returns when the task has run: runs it here when no thread has started it, else waits for it.
    void wait(const TaskHandle& task);
    // Like wait(), but while another thread runs the task this one runs other queued tasks: those of `group`
    // only when one is given, else any.
    void waitHelping(const TaskHandle& task, const void* group = nullptr);
    bool isDone(const TaskHandle& task);

  private:
    bool claim(const TaskHandle& task);
    void run(const TaskHandle& task);
    void workerLoop();

    std::mutex mutex_;
    std::condition_variable queued_;   // a task was queued, or the pool stops
    std::condition_variable finished_; // a task finished
    std::deque<TaskHandle> queue_;     // may hold tasks that a waiting thread has already claimed
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace quillery
