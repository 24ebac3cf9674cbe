// Draws every skin picture of VORTIK with QPainter and writes them, with the resource list,
// into the skin folder: skin-gen <src/skin>. Each picture is drawn twice from the same
// numbers: at its size ("main.png") and at twice its size for high-resolution screens
// ("main@2x.png"); the window picks the one that suits the screen. `skin-gen --icon <folder>` draws
// the application icon instead. Pictures that sit at a fixed place of the window are drawn over the
// window's own background there, so their anti-aliased edges match it; the pixels they leave
// untouched stay fully transparent.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include "skin/ui/skin_colours.h"

namespace {

// --- palette ------------------------------------------------------------------------------------

const QColor kBackground(2, 33, 81);
const QColor kTitleTop(1, 17, 48);
const QColor kTitleBottom(3, 30, 74);
const QColor kLine(16, 62, 128);
const QColor kGlyph(222, 232, 246);
const QColor kHotLight(0, 102, 204);

QString gOutDir;
QStringList gPngs;
QStringList gJpgs;
int gScale = 1;  // device pixels per window pixel of the pictures being drawn: 1 or 2

// An image of w x h window pixels at the current scale: a painter on it draws in window pixels.
QImage Image(int w, int h, QImage::Format format) {
  QImage image(w * gScale, h * gScale, format);
  image.setDevicePixelRatio(gScale);
  return image;
}

QImage Canvas(int w, int h) {
  QImage image = Image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// The part of `image` at (x, y, w, h) in window pixels.
QImage Part(const QImage& image, int x, int y, int w, int h) {
  QImage part = image.copy(QRect(x * gScale, y * gScale, w * gScale, h * gScale));
  part.setDevicePixelRatio(gScale);
  return part;
}

// The same pixels counted as device pixels (ratio 1), for pixel-by-pixel work.
QImage Pixels(const QImage& image) {
  QImage pixels = image;
  pixels.setDevicePixelRatio(1);
  return pixels;
}

QString ScaledName(const QString& name) {
  return gScale == 1 ? name : name + QStringLiteral("@%1x").arg(gScale);
}

void Smooth(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// The picture as the window will show it: every touched pixel becomes the layer composed over
// the backdrop at `at` (opaque); untouched pixels stay fully transparent.
QImage Flatten(const QImage& scaledLayer, const QImage& scaledBackdrop, QPoint windowAt) {
  // In device pixels throughout.
  const QImage layer = Pixels(scaledLayer);
  const QImage backdrop = Pixels(scaledBackdrop);
  const QPoint at = windowAt * gScale;
  QImage composed(layer.size(), QImage::Format_ARGB32_Premultiplied);
  composed.fill(Qt::transparent);
  {
    QPainter p(&composed);
    p.drawImage(QPoint(0, 0), backdrop, QRect(at, layer.size()));
    p.drawImage(0, 0, layer);
  }
  QImage out(layer.size(), QImage::Format_RGBA8888);
  for (int y = 0; y < layer.height(); ++y) {
    for (int x = 0; x < layer.width(); ++x) {
      const QRgb l = layer.pixel(x, y);
      if (qAlpha(l) == 0) {
        out.setPixel(x, y, qRgba(0, 0, 0, 0));
        continue;
      }
      const QPoint b = at + QPoint(x, y);
      const bool inside =
          b.x() >= 0 && b.y() >= 0 && b.x() < backdrop.width() && b.y() < backdrop.height();
      const QRgb c = inside ? composed.pixel(x, y) : qUnpremultiply(l);
      out.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), 255));
    }
  }
  return out;
}

void SavePng(const QImage& image, const QString& unscaledName) {
  const QString name = ScaledName(unscaledName);
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  const QString path = gOutDir + "/pictures/" + name + ".png";
  if (!rgba.save(path, "PNG"))
    std::fprintf(stderr, "skin-gen: cannot write %s\n", qPrintable(path));
  gPngs << name;
}

void SaveJpg(const QImage& image, const QString& unscaledName) {
  const QString name = ScaledName(unscaledName);
  const QString path = gOutDir + "/pictures/" + name + ".jpg";
  if (!image.convertToFormat(QImage::Format_RGB888).save(path, "JPG", 95)) {
    std::fprintf(stderr, "skin-gen: cannot write %s\n", qPrintable(path));
  }
  gJpgs << name;
}

QFont Font(const QString& family, qreal pixelSize, int weight = QFont::Normal) {
  QFont f(family);
  f.setPixelSize(static_cast<int>(pixelSize));
  f.setWeight(static_cast<QFont::Weight>(weight));
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QLinearGradient Vertical(qreal top, qreal bottom, const QColor& a, const QColor& b) {
  QLinearGradient g(0, top, 0, bottom);
  g.setColorAt(0, a);
  g.setColorAt(1, b);
  return g;
}

QPen Stroke(const QColor& c, qreal width) {
  QPen pen(c, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

// --- glyphs -------------------------------------------------------------------------------------

void DrawGear(QPainter& p, QPointF c, qreal r, const QColor& colour) {
  QPainterPath teeth;
  for (int i = 0; i < 8; ++i) {
    QPainterPath tooth;
    tooth.addRoundedRect(QRectF(-r * 0.2, -r * 1.12, r * 0.4, r * 0.5), 1, 1);
    QTransform t;
    t.translate(c.x(), c.y());
    t.rotate(i * 45.0);
    teeth.addPath(t.map(tooth));
  }
  QPainterPath body;
  body.addEllipse(c, r * 0.78, r * 0.78);
  QPainterPath hole;
  hole.addEllipse(c, r * 0.32, r * 0.32);
  p.fillPath(body.united(teeth).subtracted(hole), colour);
}

void DrawGlobe(QPainter& p, QPointF c, qreal r, const QColor& colour, qreal width) {
  p.save();
  p.setPen(Stroke(colour, width));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, r, r);
  p.drawEllipse(c, r * 0.42, r);
  p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
  const qreal k = r * 0.55;
  const qreal half = std::sqrt(r * r - k * k);
  p.drawLine(QPointF(c.x() - half, c.y() - k), QPointF(c.x() + half, c.y() - k));
  p.drawLine(QPointF(c.x() - half, c.y() + k), QPointF(c.x() + half, c.y() + k));
  p.restore();
}

void DrawCloudUp(QPainter& p, QPointF c, qreal s, const QColor& colour) {
  auto circle = [](QPointF centre, qreal r) {
    QPainterPath path;
    path.addEllipse(centre, r, r);
    return path;
  };
  QPainterPath base;
  base.addRoundedRect(QRectF(c.x() - s * 0.5, c.y() - s * 0.02, s, s * 0.34), s * 0.17, s * 0.17);
  QPainterPath cloud = base.united(circle(QPointF(c.x() - s * 0.22, c.y() + s * 0.02), s * 0.2))
                           .united(circle(QPointF(c.x() + s * 0.06, c.y() - s * 0.1), s * 0.28))
                           .united(circle(QPointF(c.x() + s * 0.3, c.y() + s * 0.08), s * 0.18));
  QPainterPath arrow;
  arrow.moveTo(c.x(), c.y() - s * 0.2);
  arrow.lineTo(c.x() + s * 0.17, c.y() + s * 0.0);
  arrow.lineTo(c.x() + s * 0.06, c.y() + s * 0.0);
  arrow.lineTo(c.x() + s * 0.06, c.y() + s * 0.22);
  arrow.lineTo(c.x() - s * 0.06, c.y() + s * 0.22);
  arrow.lineTo(c.x() - s * 0.06, c.y() + s * 0.0);
  arrow.lineTo(c.x() - s * 0.17, c.y() + s * 0.0);
  arrow.closeSubpath();
  p.fillPath(cloud.subtracted(arrow), colour);
}

void DrawPrinter(QPainter& p, QPointF c, qreal s, const QColor& colour) {
  QPainterPath body;
  body.addRoundedRect(QRectF(c.x() - s * 0.5, c.y() - s * 0.14, s, s * 0.42), s * 0.08, s * 0.08);
  QPainterPath top;
  top.addRect(QRectF(c.x() - s * 0.3, c.y() - s * 0.42, s * 0.6, s * 0.24));
  QPainterPath slot;
  slot.addRect(QRectF(c.x() - s * 0.34, c.y() + s * 0.08, s * 0.68, s * 0.1));
  QPainterPath paper;
  paper.addRect(QRectF(c.x() - s * 0.26, c.y() + s * 0.12, s * 0.52, s * 0.3));
  QPainterPath lamp;
  lamp.addEllipse(QPointF(c.x() + s * 0.34, c.y() - s * 0.02), s * 0.05, s * 0.05);
  p.fillPath(body.united(top).subtracted(slot).subtracted(lamp), colour);
  p.fillPath(paper, colour);
}

void DrawMagnifier(QPainter& p, QPointF c, qreal s, const QColor& colour, qreal width) {
  p.save();
  p.setPen(Stroke(colour, width));
  p.setBrush(Qt::NoBrush);
  const QPointF lens(c.x() - s * 0.1, c.y() - s * 0.1);
  p.drawEllipse(lens, s * 0.3, s * 0.3);
  p.setPen(Stroke(colour, width * 1.5));
  p.drawLine(QPointF(lens.x() + s * 0.22, lens.y() + s * 0.22),
             QPointF(c.x() + s * 0.42, c.y() + s * 0.42));
  p.restore();
}

void DrawBubble(QPainter& p, QPointF c, qreal s, const QColor& colour, const QColor& dots) {
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(c.x() - s * 0.5, c.y() - s * 0.4, s, s * 0.66), s * 0.16, s * 0.16);
  QPainterPath tail;
  tail.moveTo(c.x() - s * 0.26, c.y() + s * 0.2);
  tail.lineTo(c.x() - s * 0.3, c.y() + s * 0.46);
  tail.lineTo(c.x() - s * 0.02, c.y() + s * 0.22);
  tail.closeSubpath();
  p.fillPath(bubble.united(tail), colour);
  for (int i = -1; i <= 1; ++i) {
    QPainterPath dot;
    dot.addEllipse(QPointF(c.x() + i * s * 0.24, c.y() - s * 0.07), s * 0.07, s * 0.07);
    p.fillPath(dot, dots);
  }
}

void DrawRefresh(QPainter& p, QPointF c, qreal r, const QColor& colour, qreal width) {
  p.save();
  p.setPen(Stroke(colour, width));
  p.setBrush(Qt::NoBrush);
  const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
  p.drawArc(box, 30 * 16, 140 * 16);
  p.drawArc(box, 210 * 16, 140 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  auto head = [&](qreal angleDeg, qreal dir) {
    const qreal a = angleDeg * M_PI / 180.0;
    const QPointF tip(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
    // Tangent direction of travel (counter-clockwise when dir > 0).
    const QPointF t(-std::sin(a) * dir, -std::cos(a) * dir);
    const QPointF n(std::cos(a), -std::sin(a));
    const qreal len = width * 2.2;
    QPolygonF tri;
    tri << tip + t * len << tip + n * len * 0.8 << tip - n * len * 0.8;
    p.drawPolygon(tri);
  };
  head(170, 1);
  head(350, 1);
  p.restore();
}

void DrawEraser(QPainter& p, QPointF c, qreal s, const QColor& colour) {
  p.save();
  p.translate(c);
  p.rotate(-40);
  QPainterPath body;
  body.addRoundedRect(QRectF(-s * 0.5, -s * 0.2, s, s * 0.4), s * 0.08, s * 0.08);
  QPainterPath tip;
  tip.addRect(QRectF(-s * 0.5, -s * 0.2, s * 0.36, s * 0.4));
  p.fillPath(body.subtracted(tip), colour);
  p.setPen(Stroke(colour, s * 0.07));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(-s * 0.5, -s * 0.2, s * 0.4, s * 0.4), s * 0.06, s * 0.06);
  p.restore();
  p.setPen(Stroke(colour, s * 0.07));
  p.drawLine(QPointF(c.x() - s * 0.05, c.y() + s * 0.46),
             QPointF(c.x() + s * 0.5, c.y() + s * 0.46));
}

void DrawCopy(QPainter& p, QPointF c, qreal s, const QColor& colour, const QColor& fill) {
  p.save();
  p.setPen(Stroke(colour, s * 0.08));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(c.x() - s * 0.42, c.y() - s * 0.46, s * 0.58, s * 0.7), s * 0.08,
                    s * 0.08);
  p.drawRoundedRect(QRectF(c.x() - s * 0.16, c.y() - s * 0.22, s * 0.58, s * 0.7), s * 0.08,
                    s * 0.08);
  p.restore();
}

void DrawPencil(QPainter& p, QPointF c, qreal s, const QColor& colour) {
  p.save();
  p.translate(c);
  p.rotate(-45);
  QPainterPath pencil;
  pencil.addRoundedRect(QRectF(-s * 0.34, -s * 0.12, s * 0.72, s * 0.24), s * 0.04, s * 0.04);
  pencil.moveTo(-s * 0.36, -s * 0.12);
  pencil.lineTo(-s * 0.56, 0);
  pencil.lineTo(-s * 0.36, s * 0.12);
  pencil.closeSubpath();
  QPainterPath band;
  band.addRect(QRectF(s * 0.2, -s * 0.13, s * 0.04, s * 0.26));
  p.fillPath(pencil.simplified().subtracted(band), colour);
  p.restore();
}

void DrawChevron(QPainter& p, QPointF c, qreal s, bool right, const QColor& colour, qreal w) {
  p.save();
  p.setPen(Stroke(colour, w));
  const qreal d = right ? 1 : -1;
  QPolygonF line;
  line << QPointF(c.x() - d * s * 0.25, c.y() - s * 0.5) << QPointF(c.x() + d * s * 0.25, c.y())
       << QPointF(c.x() - d * s * 0.25, c.y() + s * 0.5);
  p.drawPolyline(line);
  p.restore();
}

// --- the window background ---------------------------------------------------------------------

void DrawLogo(QPainter& p, QPointF c, qreal r) {
  // Three nested arcs turning around a centre dot: a vortex.
  const QColor colours[3] = {vortik::kSkinAccentGreen, QColor(0x19, 0xC8, 0xB4),
                             vortik::kSkinSelectionBlue};
  for (int i = 0; i < 3; ++i) {
    const qreal rr = r * (1.0 - i * 0.28);
    QConicalGradient g(c, 90 + i * 120);
    g.setColorAt(0, colours[i]);
    g.setColorAt(0.75, QColor(colours[i].red(), colours[i].green(), colours[i].blue(), 40));
    g.setColorAt(1, colours[i]);
    p.setPen(QPen(QBrush(g), r * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(c.x() - rr, c.y() - rr, 2 * rr, 2 * rr), (90 + i * 120) * 16, 270 * 16);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(c, r * 0.12, r * 0.12);
}

QImage DrawMain() {
  QImage image = Image(960, 700, QImage::Format_ARGB32_Premultiplied);
  image.fill(kBackground);
  QPainter p(&image);
  Smooth(p);

  // Title band (the drag area): darker, with a hairline and a soft glow under the brand.
  p.fillRect(QRect(0, 0, 960, 75), Vertical(0, 75, kTitleTop, kTitleBottom));
  QRadialGradient glow(QPointF(120, 10), 260);
  glow.setColorAt(0, QColor(47, 140, 255, 46));
  glow.setColorAt(1, QColor(47, 140, 255, 0));
  p.fillRect(QRect(0, 0, 960, 75), glow);
  QLinearGradient hair(0, 0, 960, 0);
  hair.setColorAt(0, QColor(0, 239, 96, 0));
  hair.setColorAt(0.18, QColor(0, 239, 96, 200));
  hair.setColorAt(0.5, QColor(47, 140, 255, 200));
  hair.setColorAt(1, QColor(47, 140, 255, 0));
  p.fillRect(QRectF(0, 74, 960, 1.2), hair);

  DrawLogo(p, QPointF(44, 37), 19);
  p.setPen(Qt::white);
  QFont brand = Font("DejaVu Sans", 27, QFont::Bold);
  brand.setLetterSpacing(QFont::AbsoluteSpacing, 4);
  p.setFont(brand);
  p.drawText(QRectF(74, 15, 220, 44), Qt::AlignLeft | Qt::AlignVCenter, "VORTIK");

  // Glyphs under the three flat buttons: settings (814,16,30,30), minimize (868,20,24,23),
  // close (920,19,24,23).
  DrawGear(p, QPointF(829, 31), 11, kGlyph);
  p.setPen(Stroke(kGlyph, 2.4));
  p.drawLine(QPointF(873.5, 32), QPointF(886.5, 32));
  p.drawLine(QPointF(926.5, 24), QPointF(937.5, 36));
  p.drawLine(QPointF(937.5, 24), QPointF(926.5, 36));

  // Tab row baseline: the page area starts below it.
  p.fillRect(QRectF(8, 146, 944, 1), kLine);

  // The page area: a thin rounded outline; the area itself keeps the plain background colour,
  // which the report text area shares.
  p.setPen(QPen(QColor(11, 52, 112), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(8.5, 152.5, 943, 497), 10, 10);

  // Footer with the status line (Label_Status at 16,664,905,20).
  QPainterPath footer;
  footer.addRoundedRect(QRectF(8, 658, 944, 32), 8, 8);
  p.fillPath(footer, Vertical(658, 690, QColor(224, 232, 243), QColor(200, 213, 231)));
  p.setPen(QPen(QColor(255, 255, 255, 150), 1));
  p.drawLine(QPointF(16, 658.5), QPointF(944, 658.5));
  return image;
}

// --- tabs ---------------------------------------------------------------------------------------

using IconFn = std::function<void(QPainter&, QPointF, const QColor&)>;

QImage DrawTab(const QImage& main, int left, bool current, const IconFn& icon, qreal iconX) {
  // 230 x 59, shown from (2, 2) on a 228 x 57 control at (left, 87).
  QImage layer = Canvas(230, 59);
  QPainter p(&layer);
  Smooth(p);
  const QRectF shape(2.5, 2.5, 227, 56);
  QPainterPath tab;
  tab.addRoundedRect(shape, 10, 10);
  if (current) {
    p.fillPath(tab, Vertical(2, 59, QColor(0x2E, 0x86, 0xEE), QColor(0x0F, 0x52, 0xAE)));
    QLinearGradient sheen(0, 2, 0, 30);
    sheen.setColorAt(0, QColor(255, 255, 255, 60));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(tab, sheen);
    p.setPen(QPen(QColor(120, 186, 255), 1));
    p.drawPath(tab);
    p.setClipPath(tab);
    p.fillRect(QRectF(2, 54.5, 228, 4.5), vortik::kSkinAccentGreen);
    p.setClipping(false);
  } else {
    p.fillPath(tab, Vertical(2, 59, QColor(0x0B, 0x33, 0x70), QColor(0x07, 0x26, 0x58)));
    p.setPen(QPen(QColor(0x1C, 0x52, 0x9C), 1));
    p.drawPath(tab);
  }
  icon(p, QPointF(iconX + 2, 2 + 28.5), current ? Qt::white : QColor(0xAF, 0xC3, 0xDD));
  p.end();
  return Flatten(layer, main, QPoint(left - 2, 85));
}

// --- page 0 -------------------------------------------------------------------------------------

QImage DrawCheckButton(const QImage& main, int state) {
  // 200 x 53 at (376, 578); the control shows the left 195 columns. Black caption over the
  // right part (centred near x = 118), refresh glyph on the left.
  QImage layer = Canvas(200, 53);
  QPainter p(&layer);
  Smooth(p);
  const qreal dy = state == 2 ? 1 : 0;
  const QRectF pill(2.5, 3.5 + dy, 191, 46);
  QPainterPath shape;
  shape.addRoundedRect(pill, 23, 23);
  if (state != 2) {
    QPainterPath shadow;
    shadow.addRoundedRect(pill.translated(0, 2), 23, 23);
    p.fillPath(shadow, QColor(0, 10, 30, 110));
  }
  QColor top, bottom;
  if (state == 0) {
    top = QColor(0x3D, 0xFF, 0x95);
    bottom = QColor(0x00, 0xC2, 0x4E);
  } else if (state == 1) {
    top = QColor(0x8A, 0xFF, 0xBE);
    bottom = QColor(0x12, 0xE0, 0x66);
  } else {
    top = QColor(0x00, 0xA8, 0x42);
    bottom = QColor(0x00, 0xC8, 0x54);
  }
  p.fillPath(shape, Vertical(pill.top(), pill.bottom(), top, bottom));
  if (state != 2) {
    QLinearGradient sheen(0, pill.top(), 0, pill.center().y());
    sheen.setColorAt(0, QColor(255, 255, 255, state == 1 ? 120 : 80));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(shape, sheen);
  }
  p.setPen(QPen(state == 1 ? QColor(220, 255, 235) : QColor(0, 120, 50, 160), 1));
  p.drawPath(shape);
  // Glyph disc on the left.
  const QPointF c(27, 26.5 + dy);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(2, 33, 81, state == 2 ? 230 : 210));
  p.drawEllipse(c, 17, 17);
  DrawRefresh(p, c, 9, state == 1 ? QColor(140, 255, 190) : vortik::kSkinAccentGreen, 2.6);
  p.end();
  return Flatten(layer, main, QPoint(376, 578));
}

QImage DrawPlate(const QImage& main, bool connected) {
  QImage layer = Canvas(200, 53);
  QPainter p(&layer);
  Smooth(p);
  const QRectF r(1.5, 3.5, 197, 46);
  QPainterPath shape;
  shape.addRoundedRect(r, 23, 23);
  if (connected) {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0x3A, 0x96, 0xFF), QColor(0x12, 0x5C, 0xCF)));
  } else {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0xF0, 0x5A, 0x5F), QColor(0xB8, 0x22, 0x2B)));
  }
  QLinearGradient sheen(0, r.top(), 0, r.center().y());
  sheen.setColorAt(0, QColor(255, 255, 255, 60));
  sheen.setColorAt(1, QColor(255, 255, 255, 0));
  p.fillPath(shape, sheen);
  p.setPen(QPen(connected ? QColor(130, 190, 255) : QColor(255, 150, 150), 1));
  p.drawPath(shape);
  p.end();
  return Flatten(layer, main, QPoint(615, 578));
}

QImage DrawStatusIcon(const QImage& main, int kind) {
  // 0 disconnected (red, crossed), 2 connected (blue), 3 blink phase (light blue).
  QImage layer = Canvas(54, 53);
  QPainter p(&layer);
  Smooth(p);
  const QPointF c(27, 26.5);
  QColor a, b;
  if (kind == 0) {
    a = QColor(0xF0, 0x5A, 0x5F);
    b = QColor(0xB8, 0x22, 0x2B);
  } else if (kind == 2) {
    a = QColor(0x3A, 0x96, 0xFF);
    b = QColor(0x12, 0x5C, 0xCF);
  } else {
    a = QColor(0xB8, 0xE2, 0xFF);
    b = QColor(0x6C, 0xBA, 0xFF);
  }
  if (kind == 3) {
    QRadialGradient halo(c, 26.5);
    halo.setColorAt(0.8, QColor(140, 205, 255, 140));
    halo.setColorAt(1, QColor(140, 205, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, 26.5, 26.5);
  }
  p.setPen(QPen(kind == 0 ? QColor(255, 150, 150) : QColor(170, 215, 255), 1));
  p.setBrush(Vertical(4, 49, a, b));
  p.drawEllipse(c, 22.5, 22.5);
  DrawGlobe(p, c, 12.5, Qt::white, 2.0);
  if (kind == 0) {
    p.setPen(Stroke(QColor(0xB8, 0x22, 0x2B), 5.5));
    p.drawLine(QPointF(c.x() - 13, c.y() - 13), QPointF(c.x() + 13, c.y() + 13));
    p.setPen(Stroke(Qt::white, 2.4));
    p.drawLine(QPointF(c.x() - 13, c.y() - 13), QPointF(c.x() + 13, c.y() + 13));
  }
  p.end();
  return Flatten(layer, main, QPoint(832, 578));
}

QImage DrawEmblem(const QImage& main) {
  // Image_bak1, 50 x 50 at (22, 214): a white ring with an upward arrow, on the page colour.
  QImage image = Part(main, 22, 214, 50, 50);
  QPainter p(&image);
  Smooth(p);
  p.setPen(QPen(Qt::white, 3.2));
  p.setBrush(vortik::kSkinListBlue);
  p.drawEllipse(QPointF(25, 25), 21, 21);
  p.setPen(Stroke(vortik::kSkinAccentGreen, 3.4));
  p.drawLine(QPointF(25, 35), QPointF(25, 16));
  p.drawLine(QPointF(25, 15), QPointF(17.5, 22.5));
  p.drawLine(QPointF(25, 15), QPointF(32.5, 22.5));
  return image;
}

// --- the application icon ------------------------------------------------------------------------

// The icon's shapes on a 256-unit square, drawn twice from the same numbers: as SVG text for the
// scalable icon and with QPainter for the 256 x 256 PNG. A navy tile with the vortex of the
// window's logo: three arcs of 270 degrees turning around a white dot.
struct IconArc {
  qreal radius;
  qreal startDegrees;  // counter-clockwise from three o'clock, as QPainter counts
  QColor colour;
};
constexpr qreal kIconSize = 256;
constexpr qreal kIconTileInset = 12;
constexpr qreal kIconTileRadius = 52;
constexpr qreal kIconVortex = 80;                  // radius of the outer arc
constexpr qreal kIconStroke = kIconVortex * 0.19;  // arc width
constexpr qreal kIconDot = kIconVortex * 0.14;     // radius of the centre dot

std::vector<IconArc> IconArcs() {
  const QColor colours[3] = {vortik::kSkinAccentGreen, QColor(0x19, 0xC8, 0xB4),
                             vortik::kSkinSelectionBlue};
  std::vector<IconArc> arcs;
  for (int i = 0; i < 3; ++i)
    arcs.push_back({kIconVortex * (1.0 - i * 0.3), 90.0 + i * 120.0, colours[i]});
  return arcs;
}

QPointF ArcPoint(qreal radius, qreal degrees) {
  const qreal a = degrees * M_PI / 180.0;
  return QPointF(kIconSize / 2 + radius * std::cos(a), kIconSize / 2 - radius * std::sin(a));
}

QString SvgColour(const QColor& c) {
  return c.name(QColor::HexRgb);
}

QString IconSvg() {
  const qreal inner = kIconSize - 2 * kIconTileInset;
  QString svg;
  QTextStream out(&svg);
  out.setRealNumberPrecision(6);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << kIconSize << "\" height=\""
      << kIconSize << "\" viewBox=\"0 0 " << kIconSize << " " << kIconSize << "\">\n"
      << "  <defs>\n"
      << "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
      << "      <stop offset=\"0\" stop-color=\"" << SvgColour(kBackground.lighter(150)) << "\"/>\n"
      << "      <stop offset=\"1\" stop-color=\"" << SvgColour(kTitleTop) << "\"/>\n"
      << "    </linearGradient>\n"
      << "  </defs>\n"
      << "  <rect x=\"" << kIconTileInset << "\" y=\"" << kIconTileInset << "\" width=\"" << inner
      << "\" height=\"" << inner << "\" rx=\"" << kIconTileRadius
      << "\" fill=\"url(#tile)\" stroke=\"" << SvgColour(kLine) << "\" stroke-width=\"4\"/>\n";
  for (const IconArc& arc : IconArcs()) {
    const QPointF from = ArcPoint(arc.radius, arc.startDegrees);
    const QPointF to = ArcPoint(arc.radius, arc.startDegrees + 270);
    // Counter-clockwise on the screen is SVG's negative sweep; 270 degrees is the large arc.
    out << "  <path d=\"M " << from.x() << " " << from.y() << " A " << arc.radius << " "
        << arc.radius << " 0 1 0 " << to.x() << " " << to.y() << "\" fill=\"none\" stroke=\""
        << SvgColour(arc.colour) << "\" stroke-width=\"" << kIconStroke
        << "\" stroke-linecap=\"round\"/>\n";
  }
  out << "  <circle cx=\"" << kIconSize / 2 << "\" cy=\"" << kIconSize / 2 << "\" r=\"" << kIconDot
      << "\" fill=\"#ffffff\"/>\n"
      << "</svg>\n";
  return svg;
}

QImage IconPng() {
  QImage image = Canvas(static_cast<int>(kIconSize), static_cast<int>(kIconSize));
  QPainter p(&image);
  Smooth(p);
  const qreal inner = kIconSize - 2 * kIconTileInset;
  p.setPen(QPen(kLine, 4));
  p.setBrush(Vertical(kIconTileInset, kIconTileInset + inner, kBackground.lighter(150), kTitleTop));
  p.drawRoundedRect(QRectF(kIconTileInset, kIconTileInset, inner, inner), kIconTileRadius,
                    kIconTileRadius);
  for (const IconArc& arc : IconArcs()) {
    p.setPen(QPen(arc.colour, kIconStroke, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const qreal r = arc.radius;
    p.drawArc(QRectF(kIconSize / 2 - r, kIconSize / 2 - r, 2 * r, 2 * r),
              static_cast<int>(arc.startDegrees * 16), 270 * 16);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(kIconSize / 2, kIconSize / 2), kIconDot, kIconDot);
  p.end();
  return image.convertToFormat(QImage::Format_RGBA8888);
}

// Writes <folder>/vortik.svg and <folder>/vortik-256.png.
int WriteIcon(const QString& folder) {
  QDir().mkpath(folder);
  QFile svg(folder + "/vortik.svg");
  if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(IconSvg().toUtf8()) < 0) {
    std::fprintf(stderr, "skin-gen: cannot write %s\n", qPrintable(svg.fileName()));
    return 1;
  }
  svg.close();
  const QString png = folder + "/vortik-256.png";
  if (!IconPng().save(png, "PNG")) {
    std::fprintf(stderr, "skin-gen: cannot write %s\n", qPrintable(png));
    return 1;
  }
  std::printf("skin-gen: icon in %s (vortik.svg, vortik-256.png)\n", qPrintable(folder));
  return 0;
}

// --- page 1 -------------------------------------------------------------------------------------

using ButtonIconFn = std::function<void(QPainter&, QPointF, const QColor&)>;

QImage DrawPrintButton(const QImage& main, int left, bool lit, const ButtonIconFn& icon) {
  // 140 x 46 at (left, 156); the caption (hot-light blue, bold) lies over x 60..138.
  QImage layer = Canvas(140, 46);
  QPainter p(&layer);
  Smooth(p);
  const QRectF r(1.5, 2.5, 137, 41);
  QPainterPath shape;
  shape.addRoundedRect(r, 9, 9);
  if (lit) {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0xCF, 0xE6, 0xFF), QColor(0x9F, 0xCA, 0xFA)));
    p.setPen(QPen(vortik::kSkinSelectionBlue, 1.5));
  } else {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0xF7, 0xFA, 0xFE), QColor(0xD6, 0xE3, 0xF4)));
    p.setPen(QPen(QColor(0x9D, 0xB8, 0xDC), 1));
  }
  p.drawPath(shape);
  icon(p, QPointF(33, 23), kHotLight);
  p.end();
  return Flatten(layer, main, QPoint(left, 156));
}

// --- page 2 -------------------------------------------------------------------------------------

QImage DrawDtcFrame() {
  // 960 x 496 at (0, 156): the list (17, 96, 923, 391) inside a rounded frame with a heading
  // band for the three column headings (the list's columns start at x = 17, 142 and 267).
  QImage layer = Canvas(960, 496);
  QPainter p(&layer);
  Smooth(p);
  const QRectF outer(10.5, 52.5, 939, 440);
  QPainterPath frame;
  frame.addRoundedRect(outer, 12, 12);
  p.fillPath(frame, vortik::kSkinListBlue);
  QPainterPath band;
  band.addRect(QRectF(10, 52, 940, 44));
  band = band.intersected(frame);
  p.fillPath(band, Vertical(52, 96, QColor(0x2A, 0x6F, 0xC4), QColor(0x17, 0x55, 0xA3)));
  p.fillRect(QRectF(11, 95, 938, 1.5), QColor(0x5F, 0xA8, 0xFF));
  p.setPen(QPen(QColor(0x3A, 0x7B, 0xD5), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(frame);
  return layer;
}

QImage DrawPagingButton(const QImage& backdrop, int left, bool right, bool pressed) {
  // 89 x 33 at (left, 164); a chevron, no words (the button serves every language).
  QImage layer = Canvas(89, 33);
  QPainter p(&layer);
  Smooth(p);
  const QRectF r(1.5, 1.5, 86, 30);
  QPainterPath shape;
  shape.addRoundedRect(r, 15, 15);
  if (pressed) {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0x0B, 0x3E, 0x86), QColor(0x12, 0x52, 0xA8)));
    p.setPen(QPen(QColor(0x3A, 0x7B, 0xD5), 1));
  } else {
    p.fillPath(shape,
               Vertical(r.top(), r.bottom(), QColor(0x3A, 0x92, 0xF5), QColor(0x15, 0x5F, 0xC8)));
    p.setPen(QPen(QColor(0x8C, 0xC4, 0xFF), 1));
  }
  p.drawPath(shape);
  const QColor ink = pressed ? QColor(0xAF, 0xC3, 0xDD) : Qt::white;
  const qreal x = right ? 48 : 41;
  DrawChevron(p, QPointF(x - (right ? 7 : -7), 16.5), 13, right, ink, 2.6);
  DrawChevron(p, QPointF(x + (right ? 3 : -3), 16.5), 13, right, ink, 2.6);
  p.end();
  return Flatten(layer, backdrop, QPoint(left, 164));
}

QImage DrawSearchFrame(const QImage& backdrop, bool editing) {
  // 219 x 35 at (140, 164); the edit box lies over x 36..213 in the edit colour.
  QImage layer = Canvas(219, 35);
  QPainter p(&layer);
  Smooth(p);
  const QRectF r(1, 1, 215, 31);
  QPainterPath shape;
  shape.addRoundedRect(r, 8, 8);
  p.fillPath(shape, vortik::kSkinEditBlue);
  p.setPen(QPen(editing ? vortik::kSkinAccentGreen : QColor(0x4A, 0x8B, 0xE0), editing ? 2 : 1.2));
  p.drawPath(shape);
  if (!editing) DrawMagnifier(p, QPointF(18, 16.5), 18, Qt::white, 2.2);
  p.end();
  return Flatten(layer, backdrop, QPoint(140, 164));
}

// --- language dialog ----------------------------------------------------------------------------

// The colour behind each language button of the dialog, left column then right column: the
// dialog fills the buttons with these, so the panel must pass exactly through them.
struct RadioBackground {
  int y;  // top of the 25-pixel-high button
  QColor colour;
};
const RadioBackground kRadioBackgrounds[12] = {
    {168, QColor(22, 76, 140)}, {213, QColor(21, 76, 138)}, {258, QColor(22, 73, 136)},
    {303, QColor(18, 72, 134)}, {348, QColor(15, 66, 131)}, {393, QColor(11, 59, 125)},
    {168, QColor(29, 89, 151)}, {213, QColor(28, 86, 149)}, {256, QColor(25, 84, 144)},
    {303, QColor(23, 79, 140)}, {348, QColor(24, 78, 140)}, {393, QColor(21, 72, 135)},
};

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// The colour of one column of the panel at height y, through the colours behind its buttons.
QColor ColumnColour(int first, double y) {
  auto centre = [](int i) { return kRadioBackgrounds[i].y + 25 / 2.0; };
  if (y <= centre(first)) return kRadioBackgrounds[first].colour;
  for (int i = first; i < first + 5; ++i) {
    if (y <= centre(i + 1)) {
      double t = (y - centre(i)) / (centre(i + 1) - centre(i));
      return Mix(kRadioBackgrounds[i].colour, kRadioBackgrounds[i + 1].colour, t);
    }
  }
  return kRadioBackgrounds[first + 5].colour;
}

QImage DrawForm1() {
  // 960 x 584: a deep-blue ground, a header band, and a lighter panel whose colours pass
  // exactly through the colours the language buttons are filled with. The Confirm and Cancel
  // frames are drawn by the dialog itself.
  constexpr int kWidth = 960;
  constexpr int kHeight = 584;
  QImage image = Image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient ground(0, 0, 0, kHeight);
  ground.setColorAt(0, QColor(3, 38, 92));
  ground.setColorAt(1, QColor(1, 26, 66));
  p.fillRect(image.rect(), ground);

  QLinearGradient header(0, 0, 0, 110);
  header.setColorAt(0, QColor(2, 24, 60));
  header.setColorAt(1, QColor(3, 34, 84));
  p.fillRect(QRect(0, 0, kWidth, 110), header);
  QLinearGradient rule(0, 0, kWidth, 0);
  rule.setColorAt(0, QColor(40, 110, 190, 0));
  rule.setColorAt(0.5, QColor(90, 170, 240));
  rule.setColorAt(1, QColor(40, 110, 190, 0));
  p.fillRect(QRect(0, 109, kWidth, 2), rule);

  // The panel, pixel by pixel: left column colours up to x 306, right column colours from
  // x 656, a smooth blend between.
  const QRect panel(120, 134, 720, 300);
  QImage field(panel.size() * gScale, QImage::Format_RGB32);
  constexpr double kLeftEdge = 306;
  constexpr double kRightEdge = 656;
  for (int y = 0; y < field.height(); ++y) {
    const double wy = panel.top() + (y + 0.5) / gScale;
    const QColor left = ColumnColour(0, wy);
    const QColor right = ColumnColour(6, wy);
    auto* line = reinterpret_cast<QRgb*>(field.scanLine(y));
    for (int x = 0; x < field.width(); ++x) {
      const double wx = panel.left() + (x + 0.5) / gScale;
      double t = (wx - kLeftEdge) / (kRightEdge - kLeftEdge);
      t = t < 0 ? 0 : (t > 1 ? 1 : t);
      t = t * t * (3 - 2 * t);
      line[x] = Mix(left, right, t).rgb();
    }
  }
  field.setDevicePixelRatio(gScale);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(panel), 16, 16);
  p.setRenderHint(QPainter::Antialiasing);
  p.setClipPath(shape);
  p.drawImage(panel.topLeft(), field);
  p.setClipping(false);
  p.setPen(QPen(QColor(70, 130, 200), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(shape);

  // The close button's cross (CloseButton at 920, 19, 24 x 24).
  p.setPen(QPen(QColor(200, 220, 245), 2));
  p.drawLine(QPointF(926, 25), QPointF(938, 37));
  p.drawLine(QPointF(938, 25), QPointF(926, 37));
  p.end();
  return image;
}

void WriteResourceList() {
  QFile file(gOutDir + "/skin.qrc");
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    std::fprintf(stderr, "skin-gen: cannot write skin.qrc\n");
    return;
  }
  QTextStream out(&file);
  out << "<!-- Written by tools/skin-gen: the skin pictures, found by lower-case name. -->\n";
  out << "<RCC>\n  <qresource prefix=\"/skin\">\n";
  for (const QString& name : gPngs) {
    out << "    <file alias=\"png/" << name << "\">pictures/" << name << ".png</file>\n";
  }
  for (const QString& name : gJpgs) {
    out << "    <file alias=\"jpg/" << name << "\">pictures/" << name << ".jpg</file>\n";
  }
  out << "  </qresource>\n</RCC>\n";
}

void DrawAll() {
  const QImage main = DrawMain();
  SavePng(main.convertToFormat(QImage::Format_RGBA8888), "main");

  const IconFn tabIcons[4] = {
      [](QPainter& p, QPointF c, const QColor& ink) { DrawCloudUp(p, c, 34, ink); },
      [](QPainter& p, QPointF c, const QColor& ink) { DrawPrinter(p, c, 28, ink); },
      [](QPainter& p, QPointF c, const QColor& ink) { DrawMagnifier(p, c, 28, ink, 3); },
      [](QPainter& p, QPointF c, const QColor& ink) {
        DrawBubble(p, c, 30, ink, QColor(0x0B, 0x40, 0x88));
      }};
  const int tabLeft[4] = {13, 246, 479, 712};
  const qreal iconX[4] = {38, 52, 38, 46};  // centre of the glyph, left of each caption
  for (int i = 0; i < 4; ++i) {
    SavePng(DrawTab(main, tabLeft[i], false, tabIcons[i], iconX[i]),
            QString("mbutton_%1a").arg(i + 1));
    SavePng(DrawTab(main, tabLeft[i], true, tabIcons[i], iconX[i]),
            QString("mbutton_%1b").arg(i + 1));
  }

  SavePng(DrawCheckButton(main, 0), "checkbtn_out");
  SavePng(DrawCheckButton(main, 1), "checkbtn_ovr");
  SavePng(DrawCheckButton(main, 2), "checkbtn_dwn");
  SavePng(DrawPlate(main, false), "internet_connected_text0");
  SavePng(DrawPlate(main, true), "internet_connected_text2");
  SavePng(DrawStatusIcon(main, 0), "internet_connected_icon0");
  SavePng(DrawStatusIcon(main, 2), "internet_connected_icon2");
  SavePng(DrawStatusIcon(main, 3), "internet_connected_icon3");

  struct PrintButton {
    const char* name;
    int left;
    ButtonIconFn icon;
  };
  const PrintButton printButtons[4] = {
      {"btn_print", 15,
       [](QPainter& p, QPointF c, const QColor& ink) { DrawPrinter(p, c, 26, ink); }},
      {"btn_clear", 167,
       [](QPainter& p, QPointF c, const QColor& ink) { DrawEraser(p, c, 26, ink); }},
      {"btn_copy", 319,
       [](QPainter& p, QPointF c, const QColor& ink) { DrawCopy(p, c, 26, ink, Qt::white); }},
      {"btn_edit", 471,
       [](QPainter& p, QPointF c, const QColor& ink) { DrawPencil(p, c, 28, ink); }},
  };
  for (const PrintButton& b : printButtons) {
    SavePng(DrawPrintButton(main, b.left, false, b.icon), QString(b.name) + "_normal");
    SavePng(DrawPrintButton(main, b.left, true, b.icon), QString(b.name) + "_light");
  }

  const QImage frameLayer = DrawDtcFrame();
  SavePng(Flatten(frameLayer, main, QPoint(0, 156)), "frame_dtclookup");
  QImage page2 = main.copy();
  {
    QPainter p(&page2);
    p.drawImage(0, 156, frameLayer);
  }
  SavePng(DrawPagingButton(page2, 644, true, false), "button_next_enable");
  SavePng(DrawPagingButton(page2, 644, true, true), "button_next_disable");
  SavePng(DrawPagingButton(page2, 404, false, false), "button_prev_enable");
  SavePng(DrawPagingButton(page2, 404, false, true), "button_prev_disable");
  SavePng(DrawSearchFrame(page2, false), "editsearch_frame");
  SavePng(DrawSearchFrame(page2, true), "editsearch_frame_edit");

  SavePng(DrawForm1().convertToFormat(QImage::Format_RGBA8888), "form1");
  SaveJpg(DrawEmblem(main), "image_bak1");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc == 3 && QString::fromLocal8Bit(argv[1]) == "--icon") {
    return WriteIcon(QString::fromLocal8Bit(argv[2]));
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: skin-gen <skin folder> | skin-gen --icon <folder>\n");
    return 2;
  }
  gOutDir = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(gOutDir + "/pictures");
  for (const int scale : {1, 2}) {
    gScale = scale;
    DrawAll();
  }
  WriteResourceList();
  std::printf("skin-gen: %lld PNG and %lld JPEG pictures in %s/pictures\n",
              static_cast<long long>(gPngs.size()), static_cast<long long>(gJpgs.size()),
              qPrintable(gOutDir));
  return 0;
}
