#pragma once

#include <QByteArray>
#include <QList>

#include <cstring>

// A SAUCE record as art tools append it, with its comment block and the ^Z before them, written
// byte by byte from the record's layout.
struct SauceBytes {
    QByteArray title, author, group, date = "19960401";
    quint8 dataType = 1, fileType = 1; // character art, ANSI
    quint16 width = 80, lines = 25;
    quint8 flags = 0;
    QByteArray font = "IBM VGA";
    QList<QByteArray> comments;

    QByteArray bytes(quint32 fileSize = 0) const {
        const auto padded = [](const QByteArray& text, int size) -> QByteArray {
            return text.left(size) + QByteArray(size - int(text.left(size).size()), ' ');
        };
        QByteArray out("\x1A");
        if (!comments.isEmpty()) {
            out += "COMNT";
            for (const QByteArray& comment : comments)
                out += padded(comment, 64);
        }
        QByteArray r = "SAUCE00" + padded(title, 35) + padded(author, 20) + padded(group, 20) +
                       padded(date, 8);
        const auto little = [&r](quint32 value, int size) {
            for (int i = 0; i < size; ++i)
                r += char(value >> (8 * i));
        };
        little(fileSize, 4);
        r += char(dataType);
        r += char(fileType);
        little(width, 2);
        little(lines, 2);
        little(0, 4);
        r += char(comments.size());
        r += char(flags);
        r += font.left(22) + QByteArray(22 - int(font.left(22).size()), '\0');
        return out + r;
    }
};

// CSI and a sequence: esc("1;33m") is ESC [ 1 ; 3 3 m.
inline QByteArray esc(const char* sequence) {
    return QByteArray("\x1B[") + QByteArray(sequence, qsizetype(std::strlen(sequence)));
}
