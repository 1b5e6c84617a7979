#include "MappedFile.h"

#include "BehindTheWindow.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace MappedFile {
namespace {

// A byte array's header, as the toolkit keeps one before its bytes: put in the last bytes of a
// page of our own right before the mapped file, it makes the mapping a byte array whose bytes
// start where its header says and whose capacity is its size. It counts the array's holders;
// this module is always one of them, so every other holder copies before it changes anything,
// and the toolkit never frees it: the mapping is let go here, once this module holds it alone.
struct Mapping {
    QByteArray bytes; // the module's own hold on it
    char* region;     // the header's page, then the file
    size_t length;
    int slot;
};

// Where each mapping's bytes lie, for the fault handler, which reads them without a lock.
constexpr int MostMappings = 64;
struct Range {
    std::atomic<quintptr> start{0};
    std::atomic<quintptr> end{0};
};
std::array<Range, MostMappings> ranges;
quintptr pageSize = 4096;
struct sigaction previousHandler {};

std::mutex& lock() {
    static std::mutex m;
    return m;
}

// Never destroyed: at exit the toolkit must not be left to free a header it did not allocate.
std::vector<Mapping>& mappings() {
    static auto* all = new std::vector<Mapping>;
    return *all;
}

// A page of a mapping that went past the end of its file reads as zeros from there on; any
// other bus error is handled as it would have been.
void onBusError(int signal, siginfo_t* info, void* context) {
    const auto at = quintptr(info->si_addr);
    for (Range& range : ranges) {
        const quintptr start = range.start.load(std::memory_order_acquire);
        const quintptr end = range.end.load(std::memory_order_acquire);
        if (start == 0 || at < start || at >= end)
            continue;
        const quintptr page = at & ~(pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED)
            return;
    }
    if (previousHandler.sa_flags & SA_SIGINFO && previousHandler.sa_sigaction) {
        previousHandler.sa_sigaction(signal, info, context);
        return;
    }
    if (previousHandler.sa_handler != SIG_DFL && previousHandler.sa_handler != SIG_IGN) {
        previousHandler.sa_handler(signal);
        return;
    }
    // Faults again at once, the way it would have the first time.
    ::sigaction(SIGBUS, &previousHandler, nullptr);
}

void installHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        pageSize = quintptr(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &previousHandler);
    });
}

void releaseUnusedLocked() {
    std::vector<Mapping>& all = mappings();
    for (auto it = all.begin(); it != all.end();) {
        if (!it->bytes.isDetached()) {
            ++it;
            continue;
        }
        ranges[size_t(it->slot)].start.store(0, std::memory_order_release);
        ranges[size_t(it->slot)].end.store(0, std::memory_order_release);
        // The header is ours: the array lets go of it without the toolkit freeing it.
        QByteArray::DataPointer& data = it->bytes.data_ptr();
        data.d = nullptr;
        data.ptr = nullptr;
        data.size = 0;
        ::munmap(it->region, it->length);
        it = all.erase(it);
    }
}

} // namespace

QByteArray map(int fd, qsizetype size) {
    if (size <= 0)
        return {};
    installHandler();
    const std::lock_guard<std::mutex> hold(lock());
    releaseUnusedLocked();
    int slot = 0;
    while (slot < MostMappings && ranges[size_t(slot)].start.load() != 0)
        ++slot;
    if (slot == MostMappings)
        return {};
    const size_t length = size_t(pageSize) + size_t(size);
    auto* region = static_cast<char*>(
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (region == MAP_FAILED)
        return {};
    char* const bytes = region + pageSize;
    if (::mmap(bytes, size_t(size), PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_POPULATE, fd, 0) ==
        MAP_FAILED) {
        ::munmap(region, length);
        return {};
    }
    ::madvise(bytes, size_t(size), MADV_WILLNEED);
    auto* header = reinterpret_cast<QArrayData*>(bytes - sizeof(QArrayData));
    header->ref_.storeRelaxed(1);
    header->flags = {};
    header->alloc = size;
    QByteArray array(
        QByteArray::DataPointer(static_cast<QTypedArrayData<char>*>(header), bytes, size));
    ranges[size_t(slot)].end.store(quintptr(bytes) + quintptr(size), std::memory_order_release);
    ranges[size_t(slot)].start.store(quintptr(bytes), std::memory_order_release);
    mappings().push_back({array, region, length, slot});
    return array;
}

bool isMapped(const QByteArray& bytes) {
    const std::lock_guard<std::mutex> hold(lock());
    for (const Mapping& mapping : mappings())
        if (mapping.bytes.constData() == bytes.constData() && mapping.bytes.size() == bytes.size())
            return true;
    return false;
}

QByteArray privateCopy(const QByteArray& bytes) {
    // The caller's array holds the mapping for the length of the copy.
    if (!isMapped(bytes))
        return bytes;
    QByteArray copy(bytes.size(), Qt::Uninitialized);
    constexpr qsizetype Piece = qsizetype(1) << 20;
    for (qsizetype at = 0; at < bytes.size(); at += Piece) {
        const qsizetype length = std::min(Piece, bytes.size() - at);
        std::memcpy(copy.data() + at, bytes.constData() + at, size_t(length));
        // The mapping starts on a page and pieces are whole pages but for the last.
        ::madvise(const_cast<char*>(bytes.constData()) + at, size_t(length), MADV_DONTNEED);
    }
    return copy;
}

void privateCopyLater(const QByteArray& bytes, QObject* context,
                      std::function<void(const QByteArray&, const QByteArray&)> done) {
    BehindTheWindow::run([bytes, context = QPointer<QObject>(context), done = std::move(done)] {
        QByteArray copy = privateCopy(bytes);
        // Handed over where context lives, and only if it still does: it may go meanwhile.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [bytes, copy = std::move(copy), context, done] {
                if (context)
                    done(bytes, copy);
            },
            Qt::QueuedConnection);
    });
}

void releaseUnused() {
    const std::lock_guard<std::mutex> hold(lock());
    releaseUnusedLocked();
}

int count() {
    const std::lock_guard<std::mutex> hold(lock());
    return int(mappings().size());
}

} // namespace MappedFile
