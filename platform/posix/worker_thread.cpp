#include "platform/worker_thread.h"

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <cstdlib>

namespace platform {
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

// A thread cannot release its own library and end without returning into it, so the
// library that runs a worker is never unloaded.
void KeepLibraryLoaded(void (*body)(void*)) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(body), &info) == 0 || info.dli_fname == nullptr) return;
    if (void* self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) dlclose(self);
}

}  // namespace

bool StartWorkerThread(void (*body)(void*), void* argument) {
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (start == nullptr) return false;
    *start = {body, argument};
    KeepLibraryLoaded(body);
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    bool started = pthread_create(&thread, &attributes, RunWorker, start) == 0;
    pthread_attr_destroy(&attributes);
    if (!started) std::free(start);
    return started;
}

void AwaitWorkersBeforeUnload(bool (*finished)(), int timeoutMs) {
    const timespec pause{0, 1000000};  // 1 ms
    for (int waited = 0; !finished() && waited < timeoutMs; ++waited) nanosleep(&pause, nullptr);
}

}  // namespace platform
