#include "OrvelMarquee.h"

#include "OrvelAddresses.h"

QString MarqueeText() {
    const QString gap(43, u' ');
    return QStringLiteral("-=[ Zelvan RID Evodad by OrvelDesign ]=-") + gap +
           QStringLiteral("-=[ ") + QString::fromLatin1(MakerWebAddress) + QStringLiteral(" ]=-") +
           gap;
}

QString RotateLeft(const QString& text) {
    if (text.isEmpty())
        return text;
    return text.mid(1) + text.front();
}
