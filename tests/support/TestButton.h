#pragma once

#include "controls/xpbutton/XpBs.h"

namespace testing {

// A button whose hover test asks the test, not the real pointer.
class TestButton : public XpBs {
public:
    using XpBs::XpBs;
    QWidget *underPointer = nullptr;

protected:
    QWidget *windowUnderPointer() const override { return underPointer; }
};

} // namespace testing
