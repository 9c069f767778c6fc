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
QPixmap logo();

} // namespace product
