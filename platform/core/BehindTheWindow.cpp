#include "BehindTheWindow.h"

#include <QThreadPool>

#include <sys/resource.h>

namespace BehindTheWindow {

void run(std::function<void()> work) {
    // Never destroyed: at exit it would wait for the work in hand, which nobody needs then.
    static QThreadPool* const pool = new QThreadPool;
    pool->start([work = std::move(work)] {
        // A thread of the pool is niced once, and stays so: only this pool uses it.
        static thread_local const bool niced = ::setpriority(PRIO_PROCESS, 0, 10) == 0;
        Q_UNUSED(niced);
        work();
    });
}

} // namespace BehindTheWindow
