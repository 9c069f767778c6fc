#pragma once

#include "app/FormLabel.h"
#include "platform/forms/Units.h"

#include <QRect>
#include <QString>

namespace testing {

// A label of a window's panel (Frame1), by its name.
template <typename Window>
FormLabel *panelLabel(Window &window, const QString &name)
{
    return window.Frame1->template findChild<FormLabel *>(name);
}

// Whether a label's box stands where its anchor says: the left edge right
// on the anchor, the right edge or the centre within a pixel of it (their
// twips do not come out in whole pixels). Empty when it does; otherwise
// what is off, for the failure message.
inline QString anchorMismatch(const QRect &box, Qt::Alignment anchor, int anchorTwips)
{
    const int anchorPixel = platform::twipsToPixels(anchorTwips);
    if (anchor & Qt::AlignLeft) {
        return box.left() == anchorPixel ? QString()
                                         : QStringLiteral("left edge at %1, not %2").arg(box.left()).arg(anchorPixel);
    }
    const bool right = anchor & Qt::AlignRight;
    const int at = right ? box.left() + box.width() : box.left() + box.width() / 2;
    if (qAbs(at - anchorPixel) <= 1)
        return QString();
    return QStringLiteral("%1 at %2, not %3").arg(right ? QStringLiteral("right edge") : QStringLiteral("centre")).arg(at).arg(anchorPixel);
}

} // namespace testing
