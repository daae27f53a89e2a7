#include "app/pictures.h"

#include <QBitmap>
#include <QColor>
#include <QImage>

namespace cardwharf {
namespace {

#include "app/cog_icon.xpm"
#include "app/open_glyph.xpm"

// The olive that stands for "transparent" in the Open button's sheet.
const QColor kOlive(128, 128, 0);

QPixmap withoutOlive(const QPixmap& picture) {
  QPixmap out = picture;
  out.setMask(picture.createMaskFromColor(kOlive, Qt::MaskInColor));
  return out;
}

}  // namespace

QPixmap cogPixmap() {
  return QPixmap(cog_icon_xpm);
}

QIcon cogIcon() {
  return QIcon(cogPixmap());
}

QIcon openIcon() {
  QPixmap sheet(open_glyph_xpm);
  QIcon icon;
  icon.addPixmap(withoutOlive(sheet.copy(0, 0, 16, 16)), QIcon::Normal);
  icon.addPixmap(withoutOlive(sheet.copy(16, 0, 16, 16)), QIcon::Disabled);
  return icon;
}

}  // namespace cardwharf
