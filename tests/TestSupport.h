#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <utility>
#include <vector>

// What the program tried to do to the outside world during a test. Reset before every test.
struct OutsideWorld {
    std::vector<QByteArray> opened;                   // targets handed to the shell
    int shellResult = 42;                             // what the shell answers
    std::vector<std::pair<unsigned, unsigned>> tones; // (frequency, milliseconds)
    QStringList messages;                             // texts of the error message boxes
    QStringList messageCaptions;

    static OutsideWorld& get();
    void reset();
};

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Runs work(0) and work(1) in two child processes at the same time and waits for both; false
// when either failed (work returned false or the child died).
bool runInTwoProcesses(const std::function<bool(int child)>& work);

// AddressSanitizer keeps a shadow byte for every eight bytes of memory in use, which a test of
// how much memory something holds counts as held.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool UnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool UnderAddressSanitizer = true;
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif
#else
inline constexpr bool UnderAddressSanitizer = false;
#endif

// How many of count drawings of 20 to 1,000 bytes of the alphabet (from a fixed seed) a detection
// rule takes for what it looks for: the shorter, the likelier a misfire.
template <typename Detects>
int misfires(const QByteArray& alphabet, int count, quint32 seed, const Detects& detects) {
    int fired = 0;
    for (int document = 0; document < count; ++document) {
        QByteArray text;
        seed = seed * 1664525u + 1013904223u;
        const int length = 20 + int((seed >> 8) % 981u);
        for (int i = 0; i < length; ++i) {
            seed = seed * 1664525u + 1013904223u;
            text += alphabet[int((seed >> 8) % quint32(alphabet.size()))];
        }
        fired += detects(text) ? 1 : 0;
    }
    return fired;
}

class QDialog;

// Runs action on the next modal dialog as soon as it is up (the dialog's exec() then returns).
void onNextDialog(std::function<void(QDialog*)> action);
