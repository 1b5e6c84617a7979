#include "TestSupport.h"

#include "Application.h"
#include "DesktopAssociations.h"
#include "FileNames.h"
#include "MessageBox.h"
#include "Registry.h"
#include "Shell.h"
#include "Sound.h"
#include "SystemInfo.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

OutsideWorld& OutsideWorld::get() {
    static OutsideWorld world;
    return world;
}

void OutsideWorld::reset() {
    *this = OutsideWorld{};
}

// Through the names' own bytes, so that tests can make files whose names are not UTF-8.
QByteArray readFile(const QString& path) {
    QFile file;
    std::FILE* stream = std::fopen(FileNames::toBytes(path).constData(), "rb");
    if (!stream)
        return {};
    file.open(stream, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file;
    std::FILE* stream = std::fopen(FileNames::toBytes(path).constData(), "wb");
    ASSERT_NE(stream, nullptr) << path.toStdString();
    ASSERT_TRUE(file.open(stream, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

bool runInTwoProcesses(const std::function<bool(int child)>& work) {
    pid_t children[2] = {};
    for (int child = 0; child < 2; ++child) {
        children[child] = ::fork();
        if (children[child] < 0)
            return false;
        if (children[child] == 0)
            ::_exit(work(child) ? 0 : 1);
    }
    bool succeeded = true;
    for (const pid_t child : children) {
        int status = 0;
        succeeded &=
            ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return succeeded;
}

void onNextDialog(std::function<void(QDialog*)> action) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            action(dialog);
        }
    });
    poll->start();
}

namespace {

// No test reaches the browser, the speaker or a real message box.
class Recorders : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        OutsideWorld::get().reset();
        Shell::setHandler([](const QByteArray& target) {
            OutsideWorld::get().opened.push_back(target);
            return OutsideWorld::get().shellResult;
        });
        Sound::setBeepHandler([](unsigned frequency, unsigned ms) {
            OutsideWorld::get().tones.emplace_back(frequency, ms);
        });
        // Settings go to a fresh application-data folder of the test's own, never the real one,
        // and even a root test run is not "elevated" into writing beside the test programs.
        static std::unique_ptr<QTemporaryDir> appData;
        appData = std::make_unique<QTemporaryDir>();
        SystemInfo::setFactsSource([folder = appData->path()] {
            SystemInfo::Facts facts = SystemInfo::realFacts();
            facts.elevated = false;
            facts.appDataFolder = folder;
            return facts;
        });
        const QString data = appData->filePath(QStringLiteral("data"));
        const QString config = appData->filePath(QStringLiteral("config"));
        Registry::setDataFolderSource(
            [data]() -> QString { return data + QStringLiteral("/Zelvan RID Evodad"); });
        DesktopAssociations::setFoldersSource([data, config] {
            return DesktopAssociations::Folders{data, config, {QStringLiteral("/usr/share")}, {}};
        });
        // The machine's own MIME database stays out of the registry unless a test asks for it.
        Registry::setDesktopTypesSource({});
        MessageBox::setHandler([](const QString& caption, const QString& text, MessageBox::Icon) {
            OutsideWorld::get().messageCaptions << caption;
            OutsideWorld::get().messages << text;
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt keeps files of its own (the dialogs' QtProject.conf, caches) in the home folder; the
    // tests and the programs they start get a home of their own that goes with the run.
    const QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char* variable :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(variable);
    QApplication app(argc, argv);
    Application::initialise();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Recorders);
    return RUN_ALL_TESTS();
}
