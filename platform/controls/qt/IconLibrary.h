// The pictures behind the image lists' keys, drawn by us as vector shapes so
// they stay sharp at any scale: the folder marks ("pf", "checked",
// "unchecked", "targetpf", "accessdenied"), the recipient kinds ("user",
// "userdisabled", "group", "contact") and the header's sort arrows
// ("ascending", "descending"). Each is designed on a 16 x 16 grid and drawn
// into the box it is given.
//
// An IconLibrary holds ready icons for every key, each with pixmaps from 16 to
// 64 pixels so a 2x screen gets a sharp one. A key without a picture gives a
// null icon. Build it after the QApplication; window thread only.
#pragma once

#include <QIcon>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QRectF;

namespace quarvel::platform::controls::qt {

class IconLibrary {
 public:
  IconLibrary();

  // The icon for `key`; null when the key has no picture.
  [[nodiscard]] QIcon Icon(std::string_view key) const;

  // Every key that has a picture.
  [[nodiscard]] static const std::vector<std::string>& Keys();
  // Draws the picture of `key` into `box`; false (nothing drawn) for a key without one.
  static bool Paint(QPainter& painter, const QRectF& box, std::string_view key);

 private:
  std::map<std::string, QIcon, std::less<>> icons_;
};

}  // namespace quarvel::platform::controls::qt
