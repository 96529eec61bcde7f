#include "platform/worker_thread.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <cstdlib>

namespace platform {

// The stop's record of a thread; the thread itself never touches it.
struct WorkerThread {
    pthread_t thread;
    void* library;  // our reference, null where the library could not be found
};

namespace {

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

void* RunWorker(void* parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    std::free(parameter);
    start.body(start.argument);
    return nullptr;
}

// A thread cannot drop its own library's last reference and end without returning into
// it, so the reference is dropped by whoever joins the thread once it has ended.
void* ReferenceLibraryOf(void (*body)(void*)) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(body), &info) == 0 || info.dli_fname == nullptr) return nullptr;
    return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

timespec DeadlineAfter(int timeoutMs) {
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    long long ns = deadline.tv_nsec + static_cast<long long>(timeoutMs < 0 ? 0 : timeoutMs) * 1000000;
    deadline.tv_sec += static_cast<time_t>(ns / 1000000000);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000);
    return deadline;
}

}  // namespace

WorkerThread* StartWorkerThread(void (*body)(void*), void* argument) {
    auto* worker = static_cast<WorkerThread*>(std::malloc(sizeof(WorkerThread)));
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (worker == nullptr || start == nullptr) {
        std::free(worker);
        std::free(start);
        return nullptr;
    }
    *worker = {pthread_t{}, ReferenceLibraryOf(body)};
    *start = {body, argument};
    if (pthread_create(&worker->thread, nullptr, RunWorker, start) != 0) {
        if (worker->library) dlclose(worker->library);
        std::free(worker);
        std::free(start);
        return nullptr;
    }
    return worker;
}

void ReleaseWorkerThread(WorkerThread* worker, int timeoutMs) {
    if (worker == nullptr) return;
    timespec deadline = DeadlineAfter(timeoutMs);
    if (pthread_timedjoin_np(worker->thread, nullptr, &deadline) == 0) {
        if (worker->library) dlclose(worker->library);
        std::free(worker);
        return;
    }
    AbandonWorkerThread(worker);
}

bool IsWorkerThreadCurrent(const WorkerThread* worker) {
    return worker && pthread_equal(worker->thread, pthread_self());
}

void AbandonWorkerThread(WorkerThread* worker) {
    if (worker == nullptr) return;
    // The thread keeps our library reference, and so its library, for good.
    pthread_detach(worker->thread);
    std::free(worker);
}

void YieldToOtherThreads() { sched_yield(); }

void AwaitWorkersBeforeUnload(bool (*finished)(), int timeoutMs) {
    const timespec pause{0, 1000000};  // 1 ms
    for (int waited = 0; !finished() && waited < timeoutMs; ++waited) nanosleep(&pause, nullptr);
}

}  // namespace platform
