// Draws the eight scene-chart icons and writes them as 24-bit BMP files:
//   scenewright_make_icons src/ui/icons
// Each kind has a pale picture and a strong one for the current scene.

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 24;
// The chart's tree frame, so that the rounded corners blend into it.
const QColor kFrame(0xDF, 0xFF, 0xFF);

enum class Kind { Choice, Branch, Link, ImageMap };

void DrawSymbol(QPainter& p, Kind kind, const QColor& ink) {
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPointF c(kWidth / 2.0, kHeight / 2.0);
    switch (kind) {
    case Kind::Choice: // a list of three offers
        for (int i = -1; i <= 1; ++i) {
            const double y = c.y() + i * 5.0;
            p.setBrush(ink);
            p.drawEllipse(QPointF(c.x() - 12, y), 1.6, 1.6);
            p.setBrush(Qt::NoBrush);
            p.drawLine(QPointF(c.x() - 7, y), QPointF(c.x() + 13 - (i + 1) * 3, y));
        }
        break;
    case Kind::Branch: { // a diamond with two ways out
        QPainterPath diamond;
        diamond.moveTo(c.x() - 6, c.y());
        diamond.lineTo(c.x(), c.y() - 7);
        diamond.lineTo(c.x() + 6, c.y());
        diamond.lineTo(c.x(), c.y() + 7);
        diamond.closeSubpath();
        p.drawPath(diamond);
        p.drawLine(QPointF(c.x() - 6, c.y()), QPointF(c.x() - 16, c.y()));
        p.drawLine(QPointF(c.x() + 6, c.y()), QPointF(c.x() + 14, c.y() - 6));
        p.drawLine(QPointF(c.x() + 6, c.y()), QPointF(c.x() + 14, c.y() + 6));
        break;
    }
    case Kind::Link: { // an arrow that leaves for elsewhere
        QPainterPath arc;
        arc.moveTo(c.x() - 14, c.y() + 5);
        arc.cubicTo(c.x() - 10, c.y() - 8, c.x() + 4, c.y() - 8, c.x() + 11, c.y() - 1);
        p.drawPath(arc);
        QPainterPath head;
        head.moveTo(c.x() + 14, c.y() + 3);
        head.lineTo(c.x() + 12, c.y() - 6);
        head.lineTo(c.x() + 6, c.y() + 1);
        head.closeSubpath();
        p.setBrush(ink);
        p.drawPath(head);
        break;
    }
    case Kind::ImageMap: { // a picture with hills and a sun
        const QRectF frame(c.x() - 12, c.y() - 7, 24, 14);
        p.drawRect(frame);
        QPainterPath hills;
        hills.moveTo(frame.left() + 1, frame.bottom() - 1);
        hills.lineTo(frame.left() + 8, frame.top() + 6);
        hills.lineTo(frame.left() + 13, frame.top() + 10);
        hills.lineTo(frame.left() + 17, frame.top() + 7);
        hills.lineTo(frame.right() - 1, frame.bottom() - 1);
        hills.closeSubpath();
        p.setBrush(ink);
        p.drawPath(hills);
        p.drawEllipse(QPointF(frame.right() - 5, frame.top() + 4), 1.8, 1.8);
        break;
    }
    }
}

QImage DrawIcon(Kind kind, const QColor& hue, bool current) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(kFrame);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(0.5, 0.5, kWidth - 1.0, kHeight - 1.0);
    QLinearGradient fill(0, 0, 0, kHeight);
    if (current) {
        fill.setColorAt(0, hue.lighter(125));
        fill.setColorAt(1, hue.darker(115));
    } else {
        fill.setColorAt(0, Qt::white);
        fill.setColorAt(1, hue.lighter(185));
    }
    p.setPen(QPen(current ? hue.darker(170) : hue.darker(120), 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 5, 5);
    DrawSymbol(p, kind, current ? QColor(Qt::white) : hue.darker(130));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: scenewright_make_icons FOLDER\n");
        return 64;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    struct Icon {
        const char* name;
        Kind kind;
        QColor hue;
    };
    const Icon icons[] = {
        {"link", Kind::Choice, QColor(0x2F, 0x6F, 0xD0)},
        {"branch", Kind::Branch, QColor(0xD0, 0x84, 0x1A)},
        {"jumpto", Kind::Link, QColor(0x2F, 0x9D, 0x4F)},
        {"imagemap", Kind::ImageMap, QColor(0x8A, 0x4F, 0xC0)},
    };
    for (const Icon& icon : icons) {
        for (bool current : {true, false}) {
            const QString name = QString::fromLatin1(icon.name) +
                                 (current ? QStringLiteral("_s") : QString()) +
                                 QStringLiteral(".bmp");
            const QImage picture =
                DrawIcon(icon.kind, icon.hue, current).convertToFormat(QImage::Format_RGB888);
            if (!picture.save(folder.filePath(name), "BMP")) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(folder.filePath(name)));
                return 1;
            }
        }
    }
    return 0;
}
