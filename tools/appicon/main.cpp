// Draws the application icon that the Linux desktop entry shows: a slide on
// its rail with the travel arrow above, on the main window's dark ground.
// Usage: appicon <output PNG file>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTextStream>

namespace {

constexpr int kSize = 256;

void DrawArrowHead(QPainter &p, const QPointF &tip, qreal direction)
{
    QPolygonF head;
    head << tip << tip + QPointF(-direction * 26, -18) << tip + QPointF(-direction * 26, 18);
    p.drawPolygon(head);
}

QImage DrawIcon()
{
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Ground: the main window's grey with the menu bar's lighter rim.
    const QRectF ground(8, 8, kSize - 16, kSize - 16);
    QLinearGradient back(ground.topLeft(), ground.bottomLeft());
    back.setColorAt(0, QColor(80, 80, 80));
    back.setColorAt(1, QColor(50, 50, 50));
    p.setPen(QPen(QColor(140, 140, 140), 4));
    p.setBrush(back);
    p.drawRoundedRect(ground, 40, 40);

    // Rail with its two end blocks.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 200, 200));
    p.drawRoundedRect(QRectF(40, 168, 176, 18), 6, 6);
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(30, 150, 22, 54), 5, 5);
    p.drawRoundedRect(QRectF(204, 150, 22, 54), 5, 5);

    // The slide, in the pressed-button blue.
    QLinearGradient slide(0, 130, 0, 200);
    slide.setColorAt(0, QColor(60, 150, 245));
    slide.setColorAt(1, QColor(22, 110, 215));
    p.setBrush(slide);
    p.setPen(QPen(QColor(150, 200, 255), 3));
    p.drawRoundedRect(QRectF(96, 136, 64, 82), 10, 10);

    // Travel arrow.
    p.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(62, 88), QPointF(194, 88));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    DrawArrowHead(p, QPointF(224, 88), 1);
    DrawArrowHead(p, QPointF(32, 88), -1);
    p.end();
    return image;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: appicon <output PNG file>\n";
        return 2;
    }
    if (!DrawIcon().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        err << "cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
