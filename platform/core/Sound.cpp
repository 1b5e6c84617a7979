#include "Sound.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <numbers>

namespace Sound {
namespace {

constexpr int SampleRate = 22050;

std::function<void()>& bell() {
    static std::function<void()> handler;
    return handler;
}

bool hasPlaybackDevice() {
    const QDir snd(QStringLiteral("/dev/snd"));
    return !snd.entryList({QStringLiteral("pcmC*p")}, QDir::System).isEmpty();
}

QByteArray sineWave(unsigned frequency, unsigned milliseconds) {
    const quint32 samples = quint32(quint64(SampleRate) * milliseconds / 1000);
    QByteArray wav(44 + samples * 2, Qt::Uninitialized);
    char* p = wav.data();
    auto put32 = [&p](quint32 v) { qToLittleEndian(v, p), p += 4; };
    auto put16 = [&p](quint16 v) { qToLittleEndian(v, p), p += 2; };
    auto tag = [&p](const char* t) { std::memcpy(p, t, 4), p += 4; };
    tag("RIFF"), put32(36 + samples * 2), tag("WAVE");
    tag("fmt "), put32(16), put16(1), put16(1), put32(SampleRate), put32(SampleRate * 2), put16(2),
        put16(16);
    tag("data"), put32(samples * 2);
    for (quint32 i = 0; i < samples; ++i) {
        const double phase = 2.0 * std::numbers::pi * frequency * i / SampleRate;
        put16(quint16(qint16(std::sin(phase) * 12000)));
    }
    return wav;
}

bool playTone(unsigned frequency, unsigned milliseconds) {
    if (!hasPlaybackDevice())
        return false;
    const QString player = QStandardPaths::findExecutable(QStringLiteral("aplay"));
    if (player.isEmpty())
        return false;
    QProcess process;
    process.start(player, {QStringLiteral("-q"), QStringLiteral("-")});
    if (!process.waitForStarted(1000))
        return false;
    process.write(sineWave(frequency, milliseconds));
    process.closeWriteChannel();
    return process.waitForFinished(int(milliseconds) + 2000) && process.exitCode() == 0;
}

void beepWithDevice(unsigned frequency, unsigned milliseconds) {
    QElapsedTimer clock;
    clock.start();
    if (!playTone(frequency, milliseconds) && bell())
        bell()();
    const qint64 left = qint64(milliseconds) - clock.elapsed();
    if (left > 0)
        QThread::msleep(quint64(left));
}

BeepHandler& currentHandler() {
    static BeepHandler handler = beepWithDevice;
    return handler;
}

} // namespace

void Beep(unsigned frequency, unsigned milliseconds) {
    currentHandler()(frequency, milliseconds);
}

void Sleep(unsigned milliseconds) {
    QThread::msleep(milliseconds);
}

void setBeepHandler(BeepHandler handler) {
    currentHandler() = handler ? std::move(handler) : BeepHandler(beepWithDevice);
}

void setBellHandler(std::function<void()> handler) {
    bell() = std::move(handler);
}

} // namespace Sound
