// quillstow-icon: the program's icon, drawn from one description into the sizes the desktop
// asks for. "quillstow-icon svg FILE" writes the scalable picture, "quillstow-icon png SIZE
// FILE" one square picture of SIZE pixels.

#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

// The icon on a 256-unit square: a blue tile, a white envelope, a green badge with an arrow
// that puts the mail away.
constexpr const char* kBlueTop = "#3a7bd5";
constexpr const char* kBlueBottom = "#1d4f9c";
constexpr const char* kGreen = "#2e9e5b";

void Draw(QPainter& painter, double size) {
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 256.0, size / 256.0);
  QLinearGradient tile(0, 16, 0, 240);
  tile.setColorAt(0, QColor(kBlueTop));
  tile.setColorAt(1, QColor(kBlueBottom));
  painter.setPen(Qt::NoPen);
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(16, 16, 224, 224), 40, 40);
  painter.setBrush(Qt::white);
  painter.drawRoundedRect(QRectF(44, 72, 168, 112), 10, 10);
  QPen flap(QColor(kBlueBottom), 10, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(flap);
  painter.setBrush(Qt::NoBrush);
  QPainterPath fold;
  fold.moveTo(50, 82);
  fold.lineTo(128, 140);
  fold.lineTo(206, 82);
  painter.drawPath(fold);
  painter.setPen(QPen(Qt::white, 8));
  painter.setBrush(QColor(kGreen));
  painter.drawEllipse(QPointF(186, 186), 46, 46);
  QPen arrow(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(arrow);
  painter.drawLine(QPointF(186, 160), QPointF(186, 208));
  QPainterPath head;
  head.moveTo(166, 190);
  head.lineTo(186, 210);
  head.lineTo(206, 190);
  painter.drawPath(head);
}

const char* const kSvg = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">
  <defs>
    <linearGradient id="tile" x1="0" y1="16" x2="0" y2="240" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="%1"/>
      <stop offset="1" stop-color="%2"/>
    </linearGradient>
  </defs>
  <rect x="16" y="16" width="224" height="224" rx="40" ry="40" fill="url(#tile)"/>
  <rect x="44" y="72" width="168" height="112" rx="10" ry="10" fill="#ffffff"/>
  <path d="M50 82 L128 140 L206 82" fill="none" stroke="%2" stroke-width="10"
        stroke-linecap="round" stroke-linejoin="round"/>
  <circle cx="186" cy="186" r="46" fill="%3" stroke="#ffffff" stroke-width="8"/>
  <path d="M186 160 L186 208 M166 190 L186 210 L206 190" fill="none" stroke="#ffffff"
        stroke-width="12" stroke-linecap="round" stroke-linejoin="round"/>
</svg>
)svg";

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "svg" && argc == 3) {
    std::ofstream out(argv[2], std::ios::binary);
    out << QString(kSvg).arg(kBlueTop, kBlueBottom, kGreen).toStdString();
    return out ? 0 : 1;
  }
  if (what == "png" && argc == 4) {
    int fakeArgc = 3;
    char platform[] = "-platform", offscreen[] = "offscreen";
    char* fakeArgv[] = {argv[0], platform, offscreen, nullptr};
    QGuiApplication application(fakeArgc, fakeArgv);
    const int size = std::stoi(argv[2]);
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Draw(painter, size);
    painter.end();
    return image.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
  }
  std::fprintf(stderr, "usage: quillstow-icon svg FILE | png SIZE FILE\n");
  return 2;
}
