#pragma once

#include <QPixmap>
#include <QString>

// The product as its windows name it: the splash shows these, and the popup
// and the about window copy them when they come up.
namespace product {

QString company();
QString name();
QString platformLine();
QString versionLine();
QString firstBuildLine();
// The logo drawn for a screen of this device pixel ratio, 48 x 48 logical
// pixels at any ratio.
QPixmap logo(qreal devicePixelRatio);

} // namespace product
