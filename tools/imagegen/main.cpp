// Draws the program's image set (the PNGs under resources/image/).
// Usage: imagegen <output directory>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QtMath>

#include <functional>

namespace {

const QColor kIconLight(230, 230, 230);
const QColor kWhite(255, 255, 255);
const QColor kBlue(22, 110, 215);
const QColor kBrandBlue(41, 141, 255);

using Painter = std::function<void(QPainter &, const QSize &)>;

struct Picture
{
    QString name;
    QSize size;
    Painter paint;
};

QPen RoundPen(const QColor &color, qreal width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A round button face with a soft vertical gradient and a thin rim.
void DrawDisc(QPainter &p, const QSize &s, const QColor &top, const QColor &bottom, const QColor &rim)
{
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(2, 2, -2, -2);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(rim, 2));
    p.setBrush(g);
    p.drawEllipse(r);
}

// Regular octagon filling the picture, for the stop button.
void DrawOctagon(QPainter &p, const QSize &s, const QColor &top, const QColor &bottom, const QColor &rim)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    const qreal radius = s.width() / 2.0 - 2.5;
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(22.5 + 45.0 * i);
        octagon << c + QPointF(radius * qCos(a), radius * qSin(a));
    }
    QLinearGradient g(0, 0, 0, s.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(rim, 2, Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin));
    p.setBrush(g);
    p.drawPolygon(octagon);
}

void DrawHouse(QPainter &p, const QSize &s, const QColor &color)
{
    const qreal cx = s.width() / 2.0;
    QPainterPath roof;
    roof.moveTo(cx - 16, 31);
    roof.lineTo(cx, 16);
    roof.lineTo(cx + 16, 31);
    p.setPen(RoundPen(color, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(roof);

    QPainterPath body;
    body.addRect(QRectF(cx - 10, 28, 20, 16));
    QPainterPath door;
    door.addRoundedRect(QRectF(cx - 3.5, 34, 7, 10), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(body.subtracted(door));
}

void DrawHome(QPainter &p, const QSize &s, const QColor &top, const QColor &bottom,
              const QColor &rim, const QColor &symbol)
{
    DrawDisc(p, s, top, bottom, rim);
    DrawHouse(p, s, symbol);
}

void DrawStop(QPainter &p, const QSize &s, const QColor &top, const QColor &bottom, const QColor &rim)
{
    DrawOctagon(p, s, top, bottom, rim);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(20, 20, 20, 20), 2.5, 2.5);
}

// The electrical motor symbol: a circled "M" with its shaft, plus a state dot.
void DrawMotor(QPainter &p, const QSize &s, const QColor &top, const QColor &bottom,
               const QColor &rim, const QColor &symbol, const QColor &dot)
{
    DrawDisc(p, s, top, bottom, rim);
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(RoundPen(symbol, 2.5));
    p.drawEllipse(c, 14, 14);
    QPainterPath m;
    m.moveTo(c + QPointF(-7, 7));
    m.lineTo(c + QPointF(-7, -7));
    m.lineTo(c + QPointF(0, 2));
    m.lineTo(c + QPointF(7, -7));
    m.lineTo(c + QPointF(7, 7));
    p.setPen(RoundPen(symbol, 3));
    p.drawPath(m);
    if (dot.isValid()) {
        p.setPen(QPen(QColor(40, 40, 40, 160), 1));
        p.setBrush(dot);
        p.drawEllipse(QPointF(s.width() - 13, s.height() - 13), 5, 5);
    }
}

// Horizontal arrow from x0 to x1 (pointing towards x1), centred vertically.
void DrawArrow(QPainter &p, const QSize &s, qreal x0, qreal x1, const QColor &color)
{
    const qreal y = s.height() / 2.0;
    const qreal dir = x1 > x0 ? 1 : -1;
    const qreal head = 13;
    QPainterPath path;
    path.moveTo(x0, y - 4);
    path.lineTo(x1 - dir * head, y - 4);
    path.lineTo(x1 - dir * head, y - 12);
    path.lineTo(x1, y);
    path.lineTo(x1 - dir * head, y + 12);
    path.lineTo(x1 - dir * head, y + 4);
    path.lineTo(x0, y + 4);
    path.closeSubpath();
    p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    p.drawPath(path);
}

// Filled triangle pointing up (up = true) or down, centred on c.
void DrawTriangle(QPainter &p, const QPointF &c, qreal w, qreal h, bool up, const QColor &color)
{
    const qreal sign = up ? -1 : 1;
    QPolygonF t;
    t << c + QPointF(-w / 2, -sign * h / 2) << c + QPointF(w / 2, -sign * h / 2)
      << c + QPointF(0, sign * h / 2);
    p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(color);
    p.drawPolygon(t);
}

// Spin-box and combo-box arrow cells: a filled square with a triangle.
void DrawArrowCell(QPainter &p, const QSize &s, const QColor &back, bool up, const QColor &arrow)
{
    p.fillRect(QRect(QPoint(0, 0), s), back);
    DrawTriangle(p, QPointF(s.width() / 2.0, s.height() / 2.0), 16, 9, up, arrow);
}

// Light rounded panel behind a parameter popup.
void DrawPopupBack(QPainter &p, const QSize &s)
{
    const QRectF r = QRectF(QPointF(0, 0), s).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(0, 0, 0, s.height());
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(244, 244, 244));
    p.setPen(QPen(QColor(196, 196, 196), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, 10, 10);
}

void DrawLamp(QPainter &p, const QSize &s, const QColor &light, const QColor &dark)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    QRadialGradient g(c + QPointF(-3, -3), 12);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(QColor(30, 30, 30, 180), 1.2));
    p.setBrush(g);
    p.drawEllipse(c, 11, 11);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(c + QPointF(-4, -4.5), 3.5, 2.5);
}

void DrawQuestion(QPainter &p, const QSize &s, bool pressed)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    const QColor mark = pressed ? kBlue : kIconLight;
    if (pressed) {
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawEllipse(c, 10.5, 10.5);
    } else {
        p.setPen(RoundPen(kIconLight, 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 10, 10);
    }
    QPainterPath hook;
    hook.moveTo(c + QPointF(-3.4, -3.0));
    hook.arcTo(QRectF(c.x() - 3.6, c.y() - 7.4, 7.2, 7.2), 170, -240);
    hook.lineTo(c + QPointF(0, 2.2));
    p.setPen(RoundPen(mark, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    p.setPen(Qt::NoPen);
    p.setBrush(mark);
    p.drawEllipse(c + QPointF(0, 5.6), 1.3, 1.3);
}

void DrawGear(QPainter &p, const QSize &s, const QColor &color, qreal rotation)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    const int teeth = 8;
    const qreal outer = 10.5, inner = 7.6;
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal a0 = rotation + 360.0 * i / teeth;
        const qreal step = 360.0 / teeth;
        const QList<QPair<qreal, qreal>> pts = {
            {a0 - step * 0.5, inner}, {a0 - step * 0.22, inner}, {a0 - step * 0.15, outer},
            {a0 + step * 0.15, outer}, {a0 + step * 0.22, inner}};
        for (const auto &pt : pts) {
            const qreal a = qDegreesToRadians(pt.first);
            const QPointF q = c + QPointF(pt.second * qCos(a), pt.second * qSin(a));
            if (gear.elementCount() == 0)
                gear.moveTo(q);
            else
                gear.lineTo(q);
        }
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, 3.4, 3.4);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(gear.subtracted(hole));
}

// A small line chart: two axes and a rising, wavy trace; a red dot when
// recording.
void DrawChart(QPainter &p, const QColor &color, bool recording)
{
    p.setPen(RoundPen(color, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(3.5, 3.5), QPointF(3.5, 20.5), QPointF(20.5, 20.5)}));
    p.setPen(RoundPen(color, 2.0));
    p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(10, 11), QPointF(13, 14), QPointF(19, 6)}));
    if (recording) {
        p.setPen(QPen(QColor(60, 20, 20), 1));
        p.setBrush(QColor(235, 45, 45));
        p.drawEllipse(QPointF(18.5, 5.5), 4.5, 4.5);
    }
}

void DrawCross(QPainter &p, const QSize &s, qreal half, qreal width, const QColor &color)
{
    const QPointF c(s.width() / 2.0, s.height() / 2.0);
    p.setPen(RoundPen(color, width));
    p.drawLine(c + QPointF(-half, -half), c + QPointF(half, half));
    p.drawLine(c + QPointF(half, -half), c + QPointF(-half, half));
}

// Small emblem of the brand: a rail with a carriage on it.
void DrawEmblem(QPainter &p, const QRectF &r)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBrandBlue);
    p.drawRoundedRect(r, 3, 3);
    const qreal railY = r.top() + r.height() * 0.68;
    p.setBrush(kWhite);
    p.drawRect(QRectF(r.left() + r.width() * 0.15, railY, r.width() * 0.7, r.height() * 0.1));
    p.drawRoundedRect(QRectF(r.left() + r.width() * 0.42, r.top() + r.height() * 0.25,
                             r.width() * 0.3, r.height() * 0.38), 1, 1);
}

void DrawWordmark(QPainter &p, const QPointF &baseline, const QString &text, int pixelSize,
                  const QColor &color)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    QPainterPath path;
    path.addText(baseline, font, text);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
}

QList<Picture> Pictures()
{
    const QColor rim(215, 215, 215);
    return {
        {"addIn", {80, 80}, [](QPainter &p, const QSize &s) {
             const QPointF c(s.width() / 2.0, s.height() / 2.0);
             p.setPen(RoundPen(QColor(225, 225, 225), 2.5));
             p.setBrush(Qt::NoBrush);
             p.drawEllipse(c, 27, 27);
             p.setPen(RoundPen(QColor(240, 240, 240), 5));
             p.drawLine(c + QPointF(-14, 0), c + QPointF(14, 0));
             p.drawLine(c + QPointF(0, -14), c + QPointF(0, 14));
         }},
        {"chart", {24, 24}, [](QPainter &p, const QSize &) { DrawChart(p, kIconLight, false); }},
        {"chartPressed", {24, 24}, [](QPainter &p, const QSize &) {
             DrawChart(p, QColor(170, 210, 255), false);
         }},
        {"chartRecording", {24, 24}, [](QPainter &p, const QSize &) { DrawChart(p, kIconLight, true); }},
        {"close", {40, 40}, [](QPainter &p, const QSize &s) { DrawCross(p, s, 7, 2, kIconLight); }},
        {"company", {70, 20}, [](QPainter &p, const QSize &) {
             DrawEmblem(p, QRectF(0.5, 1.5, 17, 17));
             DrawWordmark(p, QPointF(21, 15), QStringLiteral("LinAct"), 13, kWhite);
         }},
        {"connect", {22, 22}, [](QPainter &p, const QSize &) {
             const QColor c(200, 220, 240);
             p.setPen(Qt::NoPen);
             p.setBrush(c);
             p.drawRoundedRect(QRectF(5, 6, 12, 8), 2, 2);
             p.drawRect(QRectF(7.5, 1.5, 2, 5));
             p.drawRect(QRectF(12.5, 1.5, 2, 5));
             p.setPen(RoundPen(c, 2));
             p.setBrush(Qt::NoBrush);
             QPainterPath cable;
             cable.moveTo(11, 14);
             cable.cubicTo(11, 19, 16, 17, 17, 21);
             p.drawPath(cable);
         }},
        {"cruiseParamBack", {260, 276}, DrawPopupBack},
        {"devLogo", {383, 27}, [](QPainter &p, const QSize &) {
             DrawEmblem(p, QRectF(1.5, 2.5, 22, 22));
             DrawWordmark(p, QPointF(32, 20), QStringLiteral("LinAct  Linear Actuator Control"), 17,
                          kIconLight);
         }},
        {"downArrow", {30, 60}, [](QPainter &p, const QSize &s) {
             p.setPen(RoundPen(kWhite, 2.5));
             p.setBrush(Qt::NoBrush);
             const qreal cx = s.width() / 2.0;
             p.drawPolyline(QPolygonF({QPointF(cx - 6, 48), QPointF(cx, 54), QPointF(cx + 6, 48)}));
         }},
        {"downPressedWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, QColor(205, 224, 248), false, QColor(0, 75, 177));
         }},
        {"downWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, kWhite, false, QColor(90, 90, 90));
         }},
        {"driveParamBack", {280, 171}, DrawPopupBack},
        {"dropDownOnWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, QColor(205, 224, 248), true, QColor(0, 75, 177));
         }},
        {"dropDownWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, kWhite, false, QColor(90, 90, 90));
         }},
        {"grayPot", {30, 30}, [](QPainter &p, const QSize &s) {
             DrawLamp(p, s, QColor(175, 175, 175), QColor(95, 95, 95));
         }},
        {"greenPot", {30, 30}, [](QPainter &p, const QSize &s) {
             DrawLamp(p, s, QColor(140, 255, 150), QColor(20, 160, 50));
         }},
        {"help", {24, 24}, [](QPainter &p, const QSize &s) { DrawQuestion(p, s, false); }},
        {"helpPressed", {24, 24}, [](QPainter &p, const QSize &s) { DrawQuestion(p, s, true); }},
        {"home", {60, 60}, [rim](QPainter &p, const QSize &s) {
             DrawHome(p, s, QColor(125, 125, 125), QColor(96, 96, 96), rim, kWhite);
         }},
        {"homeDisable", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawHome(p, s, QColor(88, 88, 88), QColor(80, 80, 80), QColor(115, 115, 115),
                      QColor(135, 135, 135));
         }},
        {"homeHover", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawHome(p, s, QColor(170, 170, 170), QColor(140, 140, 140), kWhite, kWhite);
         }},
        {"homePressed", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawHome(p, s, QColor(40, 130, 235), QColor(16, 92, 185), QColor(150, 200, 255), kWhite);
         }},
        {"jogParamBack", {260, 171}, DrawPopupBack},
        {"minSize", {40, 40}, [](QPainter &p, const QSize &s) {
             p.setPen(RoundPen(kIconLight, 2));
             p.drawLine(QPointF(s.width() / 2.0 - 8, 20), QPointF(s.width() / 2.0 + 8, 20));
         }},
        {"motorBtnDisable", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawMotor(p, s, QColor(92, 104, 95), QColor(80, 90, 83), QColor(115, 125, 118),
                       QColor(150, 160, 152), QColor(95, 140, 105));
         }},
        {"motorChecked", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawMotor(p, s, QColor(52, 190, 90), QColor(28, 145, 62), QColor(190, 245, 200), kWhite,
                       QColor(150, 255, 160));
         }},
        {"motorHover", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawMotor(p, s, QColor(170, 170, 170), QColor(140, 140, 140), kWhite, kWhite,
                       QColor(235, 80, 80));
         }},
        {"motorUnchecked", {60, 60}, [rim](QPainter &p, const QSize &s) {
             DrawMotor(p, s, QColor(125, 125, 125), QColor(96, 96, 96), rim, kWhite,
                       QColor(220, 50, 50));
         }},
        {"moveLeft", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawArrow(p, s, 47, 11, kWhite);
         }},
        {"moveParamBack", {285, 190}, DrawPopupBack},
        {"moveRight", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawArrow(p, s, 13, 49, kWhite);
         }},
        {"moveRightPro", {120, 60}, [](QPainter &p, const QSize &s) {
             DrawArrow(p, s, 16, 98, kWhite);
             p.setPen(RoundPen(kWhite, 3));
             p.drawLine(QPointF(104, 16), QPointF(104, 44));
         }},
        {"options", {24, 24}, [](QPainter &p, const QSize &s) { DrawGear(p, s, kIconLight, 0); }},
        {"optionsPressed", {24, 24}, [](QPainter &p, const QSize &s) {
             DrawGear(p, s, QColor(170, 210, 255), 22.5);
         }},
        {"showMax", {23, 23}, [](QPainter &p, const QSize &) {
             p.setPen(QPen(kIconLight, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawRect(QRectF(5.3, 5.3, 12.4, 12.4));
         }},
        {"showNormal", {23, 23}, [](QPainter &p, const QSize &) {
             p.setPen(QPen(kIconLight, 1.6));
             p.setBrush(Qt::NoBrush);
             p.drawPolyline(QPolygonF({QPointF(8.3, 6.3), QPointF(8.3, 3.8), QPointF(19.2, 3.8),
                                       QPointF(19.2, 14.7), QPointF(16.7, 14.7)}));
             p.drawRect(QRectF(3.8, 8.3, 12.4, 10.9));
         }},
        {"stop", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawStop(p, s, QColor(222, 60, 60), QColor(180, 30, 30), QColor(250, 200, 200));
         }},
        {"stopHover", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawStop(p, s, QColor(250, 110, 110), QColor(215, 70, 70), kWhite);
         }},
        {"stopPressed", {60, 60}, [](QPainter &p, const QSize &s) {
             DrawStop(p, s, QColor(40, 130, 235), QColor(16, 92, 185), QColor(150, 200, 255));
         }},
        {"upPressedWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, QColor(205, 224, 248), true, QColor(0, 75, 177));
         }},
        {"upWhiteBack", {32, 32}, [](QPainter &p, const QSize &s) {
             DrawArrowCell(p, s, kWhite, true, QColor(90, 90, 90));
         }},
    };
}

} // namespace

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: imagegen <output directory>\n";
        return 2;
    }
    const QDir out(args.at(1));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        err << "cannot create " << out.path() << "\n";
        return 1;
    }
    for (const Picture &picture : Pictures()) {
        QImage image(picture.size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        picture.paint(painter, picture.size);
        painter.end();
        const QString file = out.filePath(picture.name + QStringLiteral(".png"));
        if (!image.save(file, "PNG")) {
            err << "cannot write " << file << "\n";
            return 1;
        }
    }
    return 0;
}
