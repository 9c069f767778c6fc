#include "FormParts.h"

#include "FormLabel.h"
#include "Product.h"
#include "platform/forms/Units.h"
#include "platform/desktop/Windows.h"

#include <QEvent>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// The style's face of a frame at ratio 1, as QFrame itself asks for it.
QImage frameAtDesignSize(const QFrame &frame)
{
    QStyleOptionFrame option;
    option.initFrom(&frame);
    option.rect = frame.frameRect();
    option.frameShape = frame.frameShape();
    switch (frame.frameShape()) {
    case QFrame::Box:
    case QFrame::HLine:
    case QFrame::VLine:
    case QFrame::StyledPanel:
    case QFrame::Panel:
        option.lineWidth = frame.lineWidth();
        option.midLineWidth = frame.midLineWidth();
        break;
    default:
        option.lineWidth = frame.frameWidth();
        break;
    }
    if (frame.frameShadow() == QFrame::Sunken)
        option.state |= QStyle::State_Sunken;
    else if (frame.frameShadow() == QFrame::Raised)
        option.state |= QStyle::State_Raised;
    QImage face(frame.size(), QImage::Format_ARGB32);
    face.fill(Qt::transparent);
    QPainter painter(&face);
    frame.style()->drawControl(QStyle::CE_ShapedFrame, &option, &painter, &frame);
    return face;
}

class DesignPixelFrame : public QObject {
public:
    explicit DesignPixelFrame(QFrame &frame)
        : QObject(&frame)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        return event->type() == QEvent::Paint && paintOnDesignPixels(*static_cast<QFrame *>(watched));
    }

private:
    // False, having drawn nothing, where the style's own line is right.
    static bool paintOnDesignPixels(QFrame &frame)
    {
        QPainter painter(&frame);
        // The ratio of what is painted on, which a widget rendered into an
        // image need not share with its screen.
        if (painter.deviceTransform().m11() == 1)
            return false;
        // Each run of a colour along a design row is filled as a rectangle,
        // whose edges land where the design's edges do.
        const QImage face = frameAtDesignSize(frame);
        for (int y = 0; y < face.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(face.constScanLine(y));
            for (int x = 0, end = 0; x < face.width(); x = end) {
                for (end = x + 1; end < face.width() && line[end] == line[x];)
                    ++end;
                if (qAlpha(line[x]) != 0)
                    painter.fillRect(QRect(x, y, end - x, 1), QColor::fromRgba(line[x]));
            }
        }
        return true;
    }
};

} // namespace

FormLabel *newLabel(QWidget *parent, const char *name, const QRect &box, const QFont &font, Qt::Alignment alignment,
                    const QString &caption, bool autoSize)
{
    auto *label = new FormLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(box);
    label->setFont(font);
    label->setAlignment(alignment | Qt::AlignTop);
    if (!caption.isEmpty())
        label->setCaption(caption);
    label->setAutoSize(autoSize);
    return label;
}

void fillWith(QWidget &widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, background);
    if (text.isValid())
        palette.setColor(QPalette::WindowText, text);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QFont arial(double points, bool bold, bool italic)
{
    return platform::pointFont(QStringLiteral("Arial"), points, bold, italic);
}

QFont arialBlack(double points)
{
    return platform::pointFont(QStringLiteral("Arial Black"), points);
}

// Takes the logo again when a paint finds it drawn for another pixel ratio
// than that of what is painted on.
class LogoForTheScreen : public QObject {
public:
    explicit LogoForTheScreen(QLabel &label)
        : QObject(&label)
    {
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto &label = *static_cast<QLabel *>(watched);
        qreal ratio = 1;
        {
            QPainter painter(&label);
            ratio = painter.deviceTransform().m11();
        }
        if (ratio != m_takenFor) {
            m_takenFor = ratio;
            label.setPixmap(product::logo(ratio));
        }
        return false;
    }

private:
    qreal m_takenFor = 0;
};

void showLogo(QLabel &label)
{
    label.installEventFilter(new LogoForTheScreen(label));
}

void keepFrameOnDesignPixels(QFrame &frame)
{
    frame.installEventFilter(new DesignPixelFrame(frame));
}

bool centreOnFirstShow(QWidget &window)
{
    static const char *const kCentred = "tessalyCentred";
    if (window.property(kCentred).toBool())
        return false;
    window.setProperty(kCentred, true);
    platform::centreOnScreen(window);
    return true;
}
