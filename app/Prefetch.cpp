#include "Prefetch.h"
#include "FileNames.h"
#include "OrvelDocument.h"
#include "OrvelUtils.h"

#include <QFileInfo>

#include <future>
#include <thread>

namespace Prefetch {
namespace {

struct Ahead {
    QString fileName;
    std::future<QByteArray> bytes;
};

Ahead& ahead() {
    static Ahead state;
    return state;
}

} // namespace

void start(const QString& fileName, qint64 capacity) {
    if (!FileNames::isRegularFile(fileName))
        return;
    std::promise<QByteArray> promise;
    ahead().fileName = fileName;
    ahead().bytes = promise.get_future();
    // Detached: a program that ends first does not wait for it.
    std::thread([promise = std::move(promise), fileName, capacity]() mutable {
        try {
            promise.set_value(ReadDocumentFile(fileName, capacity));
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    }).detach();
}

void startFromArguments(int argc, char* argv[]) {
    if (argc < 2 || argv[1][0] == '-')
        return;
    const QString name = FileNames::fromBytes(QByteArray(argv[1]));
    start(name.startsWith(u'/') ? name : GetProgramFolder() + name, DocumentCapacity);
}

std::optional<QByteArray> take(const QString& fileName) {
    Ahead& state = ahead();
    if (!state.bytes.valid() || QFileInfo(fileName).absoluteFilePath() != state.fileName)
        return std::nullopt;
    try {
        return state.bytes.get();
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace Prefetch
