#include "app/second_thread.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

struct SecondThread {
    std::mutex mutex;
    std::condition_variable changed;
    std::function<void()> work;  // handed over and not yet begun
    bool busy = false;           // from the handing over to the end of the work
};

// Made once and never freed: the thread waits on it until the process ends,
// also while the program's own tables are destroyed.
SecondThread* secondThread = nullptr;

[[noreturn]] void serve(SecondThread& thread) {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(thread.mutex);
            thread.changed.wait(lock, [&thread] { return thread.work != nullptr; });
            work = std::move(thread.work);
            thread.work = nullptr;
        }
        work();
        const std::lock_guard lock(thread.mutex);
        thread.busy = false;
        thread.changed.notify_all();
    }
}

}  // namespace

bool startOnSecondThread(std::function<void()> work) {
    if (secondThread == nullptr) {
        auto* made = new SecondThread;
        try {
            std::thread(serve, std::ref(*made)).detach();
        } catch (const std::system_error&) {
            delete made;
            return false;
        }
        secondThread = made;
    }
    const std::lock_guard lock(secondThread->mutex);
    secondThread->work = std::move(work);
    secondThread->busy = true;
    secondThread->changed.notify_all();
    return true;
}

void waitForSecondThread() {
    if (secondThread == nullptr) return;
    std::unique_lock lock(secondThread->mutex);
    secondThread->changed.wait(lock, [] { return !secondThread->busy; });
}
