#include "PictureOutput.h"

void PictureOutput::put(const char* data, qsizetype size) {
    if (m_ok && m_out.write(data, size) != size)
        m_ok = false;
    m_written += size;
}

QString PictureOutput::result() const {
    if (m_ok)
        return {};
    return m_out.errorString().isEmpty() ? QStringLiteral("the picture could not be written")
                                         : m_out.errorString();
}
