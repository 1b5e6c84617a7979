#include "OrvelUtils.h"

#include "Shell.h"
#include "Sound.h"
#include "SystemInfo.h"

bool OpenAddress(const QByteArray& address) {
    return Shell::execute(address) > 32;
}

QString GetProgramFolder() {
    return SystemInfo::programFolder();
}

QString NumberToText(std::int32_t number) {
    return QString::number(number);
}

void Pause(std::uint32_t milliseconds) {
    Sound::Sleep(milliseconds);
}

void SignalBeep() {
    Sound::Beep(1200, 30);
    Pause(3);
    Sound::Beep(200, 70);
}
