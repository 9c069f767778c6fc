#pragma once

#include "controls/xpbutton/XpBs.h"
#include "platform/forms/Picture.h"

#include <QImage>
#include <QSize>

#include <memory>

namespace testing {

// A picture of an image, its HIMETRIC size that of `recorded` pixels (the
// image's own size when not given) at 96 dpi.
inline platform::Picture pictureOf(const QImage &image, int type = platform::PictureData::Bitmap,
                                   QSize recorded = QSize())
{
    auto picture = std::make_shared<platform::PictureData>();
    picture->type = type;
    picture->image = image;
    const QSize size = recorded.isValid() ? recorded : image.size();
    picture->widthHimetric = platform::pixelsToHimetric(size.width());
    picture->heightHimetric = platform::pixelsToHimetric(size.height());
    return picture;
}

// A button whose hover test asks the test, not the real pointer.
class TestButton : public XpBs {
public:
    using XpBs::XpBs;
    QWidget *underPointer = nullptr;

protected:
    QWidget *windowUnderPointer() const override { return underPointer; }
};

} // namespace testing
