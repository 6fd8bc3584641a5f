// The broker's operating-system services, on POSIX threads and the C++
// standard library. Mutexes and conditions are owned by registries and
// handed out as opaque pointers; destroying one frees it.
#include "cmpi/broker_tables.h"

#include <pthread.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace ovx::host::detail {

namespace {

static_assert(sizeof(pthread_key_t) == sizeof(CMPI_THREAD_KEY_TYPE),
              "thread keys travel as CMPI_THREAD_KEY_TYPE");
static_assert(sizeof(pthread_t) <= sizeof(CMPI_THREAD_TYPE), "a thread id fits in its handle");

struct HostMutex {
    std::mutex mutex;
};

struct HostCondition {
    std::condition_variable condition;
};

template <typename T>
class Registry {
  public:
    T* create() {
        auto object = std::make_unique<T>();
        T* created = object.get();
        std::lock_guard lock(mutex_);
        objects_.emplace(created, std::move(object));
        return created;
    }

    void destroy(const void* object) {
        std::unique_ptr<T> doomed;
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(object);
        if (it != objects_.end()) {
            doomed = std::move(it->second);
            objects_.erase(it);
        }
    }

  private:
    std::mutex mutex_;
    std::unordered_map<const void*, std::unique_ptr<T>> objects_;
};

Registry<HostMutex>& mutexes() {
    static Registry<HostMutex> registry;
    return registry;
}

Registry<HostCondition>& conditions() {
    static Registry<HostCondition> registry;
    return registry;
}

pthread_t threadOf(CMPI_THREAD_TYPE thread) {
    pthread_t id{};
    std::memcpy(&id, &thread, sizeof id);
    return id;
}

// The caller frees the name with free().
char* resolveFileName(const char* filename) {
    if (filename == nullptr) {
        return nullptr;
    }
    const std::string resolved = "lib" + std::string(filename) + ".so";
    char* copy = static_cast<char*>(std::malloc(resolved.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, resolved.c_str(), resolved.size() + 1);
    }
    return copy;
}

CMPI_THREAD_TYPE newThread(CMPI_THREAD_RETURN(CMPI_THREAD_CDECL* start)(void*), void* parm,
                           int detached) {
    if (start == nullptr) {
        return nullptr;
    }
    pthread_t id{};
    if (pthread_create(&id, nullptr, start, parm) != 0) {
        return nullptr;
    }
    if (detached != 0) {
        pthread_detach(id);
    }
    CMPI_THREAD_TYPE handle = nullptr;
    std::memcpy(&handle, &id, sizeof id);
    return handle;
}

int joinThread(CMPI_THREAD_TYPE thread, CMPI_THREAD_RETURN* retval) {
    if (thread == nullptr) {
        return EINVAL;
    }
    return pthread_join(threadOf(thread), retval);
}

int exitThread(CMPI_THREAD_RETURN returnCode) {
    pthread_exit(returnCode);
}

int cancelThread(CMPI_THREAD_TYPE thread) {
    if (thread == nullptr) {
        return EINVAL;
    }
    return pthread_cancel(threadOf(thread));
}

int threadSleep(CMPIUint32 msec) {
    std::this_thread::sleep_for(std::chrono::milliseconds(msec));
    return 0;
}

// A once-flag starts at 0; 1 marks a run in progress (seen only by the
// thread running it, which may call back in), 2 a finished run.
constexpr int kOnceRunning = 1;
constexpr int kOnceDone = 2;

int threadOnce(int* once, void (*init)(void)) {
    if (once == nullptr || init == nullptr) {
        return EINVAL;
    }
    if (__atomic_load_n(once, __ATOMIC_ACQUIRE) == kOnceDone) {
        return 0;
    }
    static std::recursive_mutex onceMutex;
    std::lock_guard lock(onceMutex);
    if (__atomic_load_n(once, __ATOMIC_ACQUIRE) == 0) {
        __atomic_store_n(once, kOnceRunning, __ATOMIC_RELAXED);
        init();
        __atomic_store_n(once, kOnceDone, __ATOMIC_RELEASE);
    }
    return 0;
}

int createThreadKey(CMPI_THREAD_KEY_TYPE* key, void (*cleanup)(void*)) {
    if (key == nullptr) {
        return EINVAL;
    }
    pthread_key_t created{};
    const int result = pthread_key_create(&created, cleanup);
    if (result == 0) {
        *key = created;
    }
    return result;
}

int destroyThreadKey(CMPI_THREAD_KEY_TYPE key) {
    return pthread_key_delete(key);
}

void* getThreadSpecific(CMPI_THREAD_KEY_TYPE key) {
    return pthread_getspecific(key);
}

int setThreadSpecific(CMPI_THREAD_KEY_TYPE key, void* value) {
    return pthread_setspecific(key, value);
}

CMPI_MUTEX_TYPE newMutex(int /*options: there is one kind*/) {
    try {
        return mutexes().create();
    } catch (...) {
        return nullptr;
    }
}

void destroyMutex(CMPI_MUTEX_TYPE mutex) {
    if (mutex != nullptr) {
        mutexes().destroy(mutex);
    }
}

void lockMutex(CMPI_MUTEX_TYPE mutex) {
    if (mutex != nullptr) {
        static_cast<HostMutex*>(mutex)->mutex.lock();
    }
}

void unlockMutex(CMPI_MUTEX_TYPE mutex) {
    if (mutex != nullptr) {
        static_cast<HostMutex*>(mutex)->mutex.unlock();
    }
}

CMPI_COND_TYPE newCondition(int /*options: there is one kind*/) {
    try {
        return conditions().create();
    } catch (...) {
        return nullptr;
    }
}

void destroyCondition(CMPI_COND_TYPE condition) {
    if (condition != nullptr) {
        conditions().destroy(condition);
    }
}

// The caller holds the mutex, as with pthread_cond_wait; it holds it again
// on return.
int condWait(CMPI_COND_TYPE condition, CMPI_MUTEX_TYPE mutex) {
    if (condition == nullptr || mutex == nullptr) {
        return EINVAL;
    }
    std::unique_lock lock(static_cast<HostMutex*>(mutex)->mutex, std::adopt_lock);
    static_cast<HostCondition*>(condition)->condition.wait(lock);
    lock.release();
    return 0;
}

// wait is an absolute CLOCK_REALTIME time, as with pthread_cond_timedwait.
int timedCondWait(CMPI_COND_TYPE condition, CMPI_MUTEX_TYPE mutex, struct timespec* wait) {
    if (condition == nullptr || mutex == nullptr) {
        return EINVAL;
    }
    if (wait == nullptr) {
        return condWait(condition, mutex);
    }
    const auto deadline = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::seconds(wait->tv_sec) + std::chrono::nanoseconds(wait->tv_nsec)));
    std::unique_lock lock(static_cast<HostMutex*>(mutex)->mutex, std::adopt_lock);
    const auto outcome =
        static_cast<HostCondition*>(condition)->condition.wait_until(lock, deadline);
    lock.release();
    return outcome == std::cv_status::timeout ? ETIMEDOUT : 0;
}

int signalCondition(CMPI_COND_TYPE condition) {
    if (condition == nullptr) {
        return EINVAL;
    }
    static_cast<HostCondition*>(condition)->condition.notify_one();
    return 0;
}

}  // namespace

CMPIBrokerExtFT brokerExtensionTable = {
    CMPICurrentVersion, resolveFileName,   newThread,        joinThread,      exitThread,
    cancelThread,       threadSleep,       threadOnce,       createThreadKey, destroyThreadKey,
    getThreadSpecific,  setThreadSpecific, newMutex,         destroyMutex,    lockMutex,
    unlockMutex,        newCondition,      destroyCondition, condWait,        timedCondWait,
    signalCondition};

}  // namespace ovx::host::detail
