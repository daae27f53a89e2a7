// Cardwharf's pictures, drawn for it (tools/draw_icons.py): the cog wheel of
// the window and program icon, and the sheet of paper of the Open button.
// GUI thread only, with a QApplication in place.

#ifndef CARDWHARF_APP_PICTURES_H_
#define CARDWHARF_APP_PICTURES_H_

#include <QIcon>
#include <QPixmap>

namespace cardwharf {

// The 32 by 32 cog wheel, transparent outside the wheel.
QPixmap cogPixmap();
QIcon cogIcon();

// The Open button's 16 by 16 picture (the left half of its 32 by 16 sheet),
// with the olive background made transparent; the right half, the look of a
// disabled button, serves as the icon's disabled mode.
QIcon openIcon();

}  // namespace cardwharf

#endif  // CARDWHARF_APP_PICTURES_H_
