#include "base/affinity.h"

#include <pthread.h>
#include <sched.h>

#include <mutex>

namespace tarvel {
namespace {

std::mutex maskLock;
cpu_set_t processMask;
bool bound = false;

}  // namespace

bool bindToFirstProcessor() {
    cpu_set_t before;
    CPU_ZERO(&before);
    if (pthread_getaffinity_np(pthread_self(), sizeof before, &before) != 0) return false;
    cpu_set_t first;
    CPU_ZERO(&first);
    CPU_SET(0, &first);
    // Processor 0 may be outside the mask this process was started with
    // (taskset); the first processor it may use is then "the first".
    if (!CPU_ISSET(0, &before)) {
        CPU_ZERO(&first);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &before)) {
                CPU_SET(cpu, &first);
                break;
            }
        }
    }
    if (pthread_setaffinity_np(pthread_self(), sizeof first, &first) != 0) return false;
    std::lock_guard<std::mutex> hold(maskLock);
    processMask = before;
    bound = true;
    return true;
}

void takeProcessAffinity() {
    cpu_set_t mask;
    {
        std::lock_guard<std::mutex> hold(maskLock);
        if (!bound) return;
        mask = processMask;
    }
    pthread_setaffinity_np(pthread_self(), sizeof mask, &mask);
}

}  // namespace tarvel
