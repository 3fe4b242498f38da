#include "platform/controls/qt/IconLibrary.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace quarvel::platform::controls::qt {

namespace {

// Every picture is drawn on a 16 x 16 grid; lines sit on half units so they
// fall on whole pixels at 16 and 32 pixels.

void DrawFolder(QPainter& p, QColor back, QColor front, QColor line) {
  QPainterPath tab;
  tab.moveTo(1.5, 13.5);
  tab.lineTo(1.5, 3.5);
  tab.lineTo(6.0, 3.5);
  tab.lineTo(7.5, 5.0);
  tab.lineTo(14.5, 5.0);
  tab.lineTo(14.5, 13.5);
  tab.closeSubpath();
  p.setPen(QPen(line, 1.0));
  p.setBrush(back);
  p.drawPath(tab);
  p.setBrush(front);
  p.drawRect(QRectF(1.5, 7.0, 13.0, 6.5));
}

void DrawPlainFolder(QPainter& p) {
  DrawFolder(p, QColor(0xE0, 0xA8, 0x2E), QColor(0xF7, 0xD7, 0x74), QColor(0x8A, 0x61, 0x10));
}

// A round badge in the lower right corner, with a white rim so it stands out
// from what it covers.
void DrawBadge(QPainter& p, QColor fill) {
  p.setPen(QPen(Qt::white, 1.0));
  p.setBrush(fill);
  p.drawEllipse(QPointF(11.5, 11.5), 4.0, 4.0);
}

void DrawCheckedBadge(QPainter& p) {
  DrawBadge(p, QColor(0x2E, 0x9B, 0x46));
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const QPointF tick[] = {{9.4, 11.6}, {10.9, 13.1}, {13.6, 9.9}};
  p.drawPolyline(tick, 3);
}

void DrawEmptyBadge(QPainter& p) {
  p.setPen(QPen(QColor(0x5A, 0x5A, 0x5A), 1.0));
  p.setBrush(Qt::white);
  p.drawRoundedRect(QRectF(8.0, 8.0, 7.0, 7.0), 1.0, 1.0);
}

void DrawTargetBadge(QPainter& p) {
  DrawBadge(p, QColor(0xD7, 0x26, 0x3D));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(11.5, 11.5), 2.4, 2.4);
  p.setBrush(QColor(0xD7, 0x26, 0x3D));
  p.drawEllipse(QPointF(11.5, 11.5), 1.1, 1.1);
}

void DrawNoEntryBadge(QPainter& p) {
  DrawBadge(p, QColor(0xC6, 0x28, 0x28));
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(9.3, 11.5), QPointF(13.7, 11.5));
}

void DrawPerson(QPainter& p, QColor fill, QColor line) {
  p.setPen(QPen(line, 1.0));
  p.setBrush(fill);
  QPainterPath body;
  body.moveTo(2.5, 14.5);
  body.lineTo(2.5, 12.5);
  body.cubicTo(2.5, 9.8, 5.0, 9.0, 8.0, 9.0);
  body.cubicTo(11.0, 9.0, 13.5, 9.8, 13.5, 12.5);
  body.lineTo(13.5, 14.5);
  body.closeSubpath();
  p.drawPath(body);
  p.drawEllipse(QPointF(8.0, 5.0), 3.0, 3.0);
}

void DrawUser(QPainter& p) { DrawPerson(p, QColor(0x3D, 0x7D, 0xD8), QColor(0x1F, 0x4E, 0x8C)); }

void DrawDisabledUser(QPainter& p) {
  DrawPerson(p, QColor(0xB4, 0xB4, 0xB4), QColor(0x6A, 0x6A, 0x6A));
  for (const auto& [color, width] :
       {std::pair{QColor(Qt::white), 3.4}, std::pair{QColor(0xD3, 0x2F, 0x2F), 1.8}}) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 9.5), QPointF(9.5, 14.5));
  }
}

void DrawGroup(QPainter& p) {
  p.save();
  p.translate(4.0, -0.5);
  p.scale(0.78, 0.78);
  DrawPerson(p, QColor(0x7F, 0xC8, 0xBA), QColor(0x2D, 0x6E, 0x63));
  p.restore();
  p.save();
  p.translate(-0.5, 2.2);
  p.scale(0.85, 0.85);
  DrawPerson(p, QColor(0x2F, 0x8F, 0x7F), QColor(0x1D, 0x5A, 0x50));
  p.restore();
}

void DrawContact(QPainter& p) {
  const QColor line(0x8C, 0x6D, 0x2C);
  p.setPen(QPen(line, 1.0));
  p.setBrush(QColor(0xFB, 0xF0, 0xD0));
  p.drawRoundedRect(QRectF(0.5, 2.5, 15.0, 11.0), 1.5, 1.5);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xB0, 0x7A, 0x2A));
  p.drawEllipse(QPointF(4.5, 6.5), 1.8, 1.8);
  QPainterPath shoulders;
  shoulders.moveTo(1.8, 11.5);
  shoulders.cubicTo(1.8, 9.3, 3.0, 8.8, 4.5, 8.8);
  shoulders.cubicTo(6.0, 8.8, 7.2, 9.3, 7.2, 11.5);
  shoulders.closeSubpath();
  p.drawPath(shoulders);
  p.setPen(QPen(line, 1.0));
  p.drawLine(QPointF(9.0, 5.5), QPointF(13.5, 5.5));
  p.drawLine(QPointF(9.0, 8.0), QPointF(13.5, 8.0));
  p.drawLine(QPointF(9.0, 10.5), QPointF(12.0, 10.5));
}

void DrawArrow(QPainter& p, bool up) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x40, 0x40, 0x40));
  const double tip = up ? 5.0 : 11.0;
  const double base = up ? 10.5 : 5.5;
  const QPointF triangle[] = {{3.5, base}, {12.5, base}, {8.0, tip}};
  p.drawPolygon(triangle, 3);
}

using Drawing = std::function<void(QPainter&)>;

const std::vector<std::pair<std::string, Drawing>>& Drawings() {
  static const std::vector<std::pair<std::string, Drawing>> drawings = {
      {"pf", DrawPlainFolder},
      {"checked",
       [](QPainter& p) {
         DrawPlainFolder(p);
         DrawCheckedBadge(p);
       }},
      {"unchecked",
       [](QPainter& p) {
         DrawPlainFolder(p);
         DrawEmptyBadge(p);
       }},
      {"targetpf",
       [](QPainter& p) {
         DrawPlainFolder(p);
         DrawTargetBadge(p);
       }},
      {"accessdenied",
       [](QPainter& p) {
         DrawFolder(p, QColor(0xC8, 0xC8, 0xC8), QColor(0xE4, 0xE4, 0xE4),
                    QColor(0x70, 0x70, 0x70));
         DrawNoEntryBadge(p);
       }},
      {"user", DrawUser},
      {"userdisabled", DrawDisabledUser},
      {"group", DrawGroup},
      {"contact", DrawContact},
      {"ascending", [](QPainter& p) { DrawArrow(p, true); }},
      {"descending", [](QPainter& p) { DrawArrow(p, false); }},
  };
  return drawings;
}

}  // namespace

IconLibrary::IconLibrary() {
  for (const auto& [key, drawing] : Drawings()) {
    QIcon icon;
    for (int size : {16, 20, 24, 32, 40, 48, 64}) {
      QPixmap pixmap(size, size);
      pixmap.fill(Qt::transparent);
      QPainter painter(&pixmap);
      Paint(painter, QRectF(0, 0, size, size), key);
      painter.end();
      icon.addPixmap(pixmap);
    }
    icons_.emplace(key, icon);
  }
}

QIcon IconLibrary::Icon(std::string_view key) const {
  auto it = icons_.find(key);
  return it == icons_.end() ? QIcon() : it->second;
}

const std::vector<std::string>& IconLibrary::Keys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> all;
    for (const auto& drawing : Drawings()) all.push_back(drawing.first);
    return all;
  }();
  return keys;
}

bool IconLibrary::Paint(QPainter& painter, const QRectF& box, std::string_view key) {
  for (const auto& [name, drawing] : Drawings()) {
    if (name != key) continue;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 16.0, box.height() / 16.0);
    drawing(painter);
    painter.restore();
    return true;
  }
  return false;
}

}  // namespace quarvel::platform::controls::qt
