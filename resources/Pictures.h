#pragma once
#include <QIcon>
#include <QPixmap>

namespace torvelle::pictures {

// The program icon in every size it is drawn for: the window and the tray.
QIcon programIcon();

// The logo of the splash screen, also shown in the about box (47 by 47).
QPixmap logo();

// The about box's pictures: the emblem beside the program's name (32 by 25)
// and the one-colour pictures above the maker's, the program's and the web
// address (120 by 32, 137 by 11, 128 by 11).
QPixmap aboutEmblem();
QPixmap makerBanner();
QPixmap programRule();
QPixmap webRule();

// One picture by its file name ("logo.png"), in its doubled form when
// `ratio` is above 1 and one was drawn.
QPixmap picture(const QString& name, qreal ratio);

}  // namespace torvelle::pictures
