#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Small routines shared across the program.

// Hands the address (a web address with or without its scheme, a file or a folder) unchanged to
// the shell; true when the shell reports success. Nothing is shown on failure.
bool OpenAddress(const QByteArray& address);

// The running program's folder, with a trailing path delimiter.
QString GetProgramFolder();

// Plain decimal digits, with a minus sign for negative numbers.
QString NumberToText(std::int32_t number);

// Blocks the calling thread; no messages are processed meanwhile.
void Pause(std::uint32_t milliseconds);

// The two-tone warning: 1200 Hz for 30 ms, 3 ms of silence, 200 Hz for 70 ms.
void SignalBeep();
