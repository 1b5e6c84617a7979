#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

// Where a picture is written as it is made: remembers whether every write went through, so that
// the writers check once at the end.
class PictureOutput {
public:
    explicit PictureOutput(QIODevice& out) : m_out(out) {}
    void put(const QByteArray& bytes) { put(bytes.constData(), bytes.size()); }
    void put(const char* data, qsizetype size);
    bool ok() const { return m_ok; }
    qint64 written() const { return m_written; }
    // Empty when every write went through, else what went wrong.
    QString result() const;

private:
    QIODevice& m_out;
    qint64 m_written = 0;
    bool m_ok = true;
};
