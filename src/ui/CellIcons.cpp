#include "ui/CellIcons.h"

#include "model/SwObj.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <map>

namespace {

// The families of cells share a colour: text, pictures, sound, the flow of
// the game, and scripts.
QColor FamilyColour(std::int32_t type) {
    switch (type) {
    case SwType::Message:
    case SwType::Dialogue:
        return QColor(0x2F, 0x6F, 0xCF);
    case SwType::Layer:
    case SwType::CurrentLayer:
    case SwType::ImageLoad:
    case SwType::Transition:
    case SwType::BackLay:
        return QColor(0x2E, 0x8B, 0x57);
    case SwType::BgmPlay:
    case SwType::BgmStop:
    case SwType::SePlay:
    case SwType::SeStop:
        return QColor(0x7B, 0x4F, 0xC0);
    case SwType::Label:
    case SwType::Shutdown:
    case SwType::Quake:
    case SwType::StopQuake:
    case SwType::RightClick:
    case SwType::Return:
    case SwType::StartAnchor:
        return QColor(0xC8, 0x6E, 0x14);
    case SwType::Particle:
        return QColor(0xC0, 0x3A, 0x7A);
    default:
        return QColor(0x4A, 0x5A, 0x6A);
    }
}

QPainterPath Sheet(qreal x, qreal y) {
    QPainterPath sheet;
    sheet.moveTo(x + 4, y);
    sheet.lineTo(x + 18, y);
    sheet.lineTo(x + 14, y + 8);
    sheet.lineTo(x, y + 8);
    sheet.closeSubpath();
    return sheet;
}

void Picture(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& ink) {
    p.drawRect(QRectF(x, y, w, h));
    QPainterPath hill;
    hill.moveTo(x + 1, y + h - 1);
    hill.lineTo(x + w * 0.35, y + h * 0.45);
    hill.lineTo(x + w * 0.6, y + h * 0.75);
    hill.lineTo(x + w * 0.75, y + h * 0.6);
    hill.lineTo(x + w - 1, y + h - 1);
    hill.closeSubpath();
    p.fillPath(hill, ink);
    p.setBrush(ink);
    p.drawEllipse(QPointF(x + w * 0.75, y + h * 0.3), w * 0.08, w * 0.08);
    p.setBrush(Qt::NoBrush);
}

void Note(QPainter& p, qreal x, const QColor& ink) {
    p.setBrush(ink);
    p.drawEllipse(QPointF(x, 22), 3.2, 2.4);
    p.drawEllipse(QPointF(x + 9, 20), 3.2, 2.4);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(x + 3, 22), QPointF(x + 3, 8));
    p.drawLine(QPointF(x + 12, 20), QPointF(x + 12, 6));
    p.drawLine(QPointF(x + 3, 8), QPointF(x + 12, 6));
}

void Speaker(QPainter& p, const QColor& ink) {
    QPainterPath body;
    body.moveTo(5, 12);
    body.lineTo(10, 12);
    body.lineTo(16, 7);
    body.lineTo(16, 25);
    body.lineTo(10, 20);
    body.lineTo(5, 20);
    body.closeSubpath();
    p.fillPath(body, ink);
}

void StopMark(QPainter& p, const QColor& ink) {
    p.fillRect(QRectF(20, 19, 8, 8), ink);
}

void Zigzag(QPainter& p) {
    QPainterPath zig;
    zig.moveTo(4, 16);
    for (int i = 0; i < 6; ++i)
        zig.lineTo(7 + i * 4, i % 2 == 0 ? 8 : 24);
    p.drawPath(zig);
}

void Letters(QPainter& p, const QString& text, qreal size, const QRectF& box) {
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size));
    p.setFont(font);
    p.drawText(box, Qt::AlignCenter, text);
}

// The symbol in a 32 by 32 square.
void Symbol(QPainter& p, std::int32_t type, const QColor& ink) {
    switch (type) {
    case SwType::Message:
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(6, 8 + i * 5.5), QPointF(i == 3 ? 18 : 26, 8 + i * 5.5));
        break;
    case SwType::Dialogue: {
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(4, 5, 24, 16), 5, 5);
        bubble.moveTo(10, 21);
        bubble.lineTo(8, 27);
        bubble.lineTo(15, 21);
        p.drawPath(bubble);
        p.drawLine(QPointF(9, 11), QPointF(23, 11));
        p.drawLine(QPointF(9, 15), QPointF(19, 15));
        break;
    }
    case SwType::Layer:
        p.drawPath(Sheet(7, 17));
        p.fillPath(Sheet(9, 8), ink);
        break;
    case SwType::CurrentLayer:
        p.drawPath(Sheet(5, 18));
        p.drawPath(Sheet(7, 9));
        p.drawLine(QPointF(25, 6), QPointF(25, 26));
        p.drawLine(QPointF(22, 6), QPointF(28, 6));
        p.drawLine(QPointF(22, 26), QPointF(28, 26));
        break;
    case SwType::ImageLoad:
        Picture(p, 5, 7, 22, 18, ink);
        break;
    case SwType::Transition:
        Picture(p, 3, 4, 15, 12, ink);
        p.drawRect(QRectF(14, 16, 15, 12));
        p.drawLine(QPointF(20, 8), QPointF(25, 8));
        p.drawLine(QPointF(25, 8), QPointF(25, 13));
        break;
    case SwType::BackLay: {
        p.fillPath(Sheet(5, 18), ink);
        p.drawPath(Sheet(11, 6));
        QPainterPath arrow;
        arrow.moveTo(8, 15);
        arrow.cubicTo(8, 9, 11, 7, 14, 7);
        p.drawPath(arrow);
        break;
    }
    case SwType::Label: {
        p.drawLine(QPointF(8, 5), QPointF(8, 28));
        QPainterPath flag;
        flag.moveTo(8, 6);
        flag.lineTo(25, 10);
        flag.lineTo(8, 15);
        flag.closeSubpath();
        p.fillPath(flag, ink);
        break;
    }
    case SwType::ClearUserVariables:
    case SwType::ClearSystemVariables:
        Letters(p, type == SwType::ClearUserVariables ? QStringLiteral("u") : QStringLiteral("s"),
                17, QRectF(4, 3, 24, 24));
        p.drawLine(QPointF(6, 27), QPointF(26, 5));
        break;
    case SwType::Shutdown:
        p.drawArc(QRectF(7, 8, 18, 18), 120 * 16, 300 * 16);
        p.drawLine(QPointF(16, 5), QPointF(16, 16));
        break;
    case SwType::BgmPlay:
        Note(p, 9, ink);
        break;
    case SwType::BgmStop:
        Note(p, 4, ink);
        StopMark(p, ink);
        break;
    case SwType::SePlay:
        Speaker(p, ink);
        p.drawArc(QRectF(14, 10, 8, 12), -50 * 16, 100 * 16);
        p.drawArc(QRectF(14, 6, 14, 20), -50 * 16, 100 * 16);
        break;
    case SwType::SeStop:
        Speaker(p, ink);
        p.drawLine(QPointF(20, 11), QPointF(27, 21));
        p.drawLine(QPointF(27, 11), QPointF(20, 21));
        break;
    case SwType::Eval:
        Letters(p, QStringLiteral("x="), 15, QRectF(2, 3, 28, 26));
        break;
    case SwType::Plugin:
    case SwType::KagPlugin:
        p.drawRoundedRect(QRectF(8, 12, 16, 12), 3, 3);
        p.drawLine(QPointF(12, 12), QPointF(12, 5));
        p.drawLine(QPointF(20, 12), QPointF(20, 5));
        p.drawLine(QPointF(16, 24), QPointF(16, 29));
        if (type == SwType::KagPlugin)
            Letters(p, QStringLiteral("K"), 10, QRectF(8, 12, 16, 12));
        break;
    case SwType::Particle:
        for (const QPointF& at : {QPointF(11, 11), QPointF(22, 19), QPointF(10, 24)}) {
            const qreal r = at.x() == 22 ? 6 : 4;
            QPainterPath star;
            star.moveTo(at.x(), at.y() - r);
            star.lineTo(at.x() + r / 4, at.y() - r / 4);
            star.lineTo(at.x() + r, at.y());
            star.lineTo(at.x() + r / 4, at.y() + r / 4);
            star.lineTo(at.x(), at.y() + r);
            star.lineTo(at.x() - r / 4, at.y() + r / 4);
            star.lineTo(at.x() - r, at.y());
            star.lineTo(at.x() - r / 4, at.y() - r / 4);
            star.closeSubpath();
            p.fillPath(star, ink);
        }
        break;
    case SwType::Tag:
        Letters(p, QStringLiteral("[ ]"), 17, QRectF(2, 3, 28, 26));
        break;
    case SwType::Script:
        Letters(p, QStringLiteral("{ }"), 17, QRectF(2, 3, 28, 26));
        break;
    case SwType::Macro:
        Letters(p, QStringLiteral("[M]"), 14, QRectF(1, 3, 30, 26));
        break;
    case SwType::Quake:
        Zigzag(p);
        break;
    case SwType::StopQuake:
        Zigzag(p);
        StopMark(p, ink);
        break;
    case SwType::RightClick:
        p.drawRoundedRect(QRectF(9, 5, 14, 22), 7, 7);
        p.drawLine(QPointF(16, 5), QPointF(16, 14));
        p.drawLine(QPointF(9, 14), QPointF(23, 14));
        p.fillRect(QRectF(16.5, 6.5, 5.5, 7), ink);
        break;
    case SwType::Return: {
        QPainterPath back;
        back.moveTo(25, 6);
        back.lineTo(25, 18);
        back.lineTo(9, 18);
        p.drawPath(back);
        QPainterPath head;
        head.moveTo(5, 18);
        head.lineTo(11, 13);
        head.lineTo(11, 23);
        head.closeSubpath();
        p.fillPath(head, ink);
        break;
    }
    case SwType::StartAnchor: {
        QPainterPath house;
        house.moveTo(5, 16);
        house.lineTo(16, 6);
        house.lineTo(27, 16);
        p.drawPath(house);
        p.drawRect(QRectF(9, 16, 14, 11));
        p.fillRect(QRectF(14, 20, 4, 7), ink);
        break;
    }
    default:
        p.setBrush(ink);
        p.drawEllipse(QPointF(16, 16), 4, 4);
        break;
    }
}

// An icon drawn by its own paint(), at whatever size and pixel ratio asked.
class CDrawnIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    // Drawn at the screen's own pixels, so a 2x screen gets a sharp icon.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap = this->pixmap(size * scale, mode, state);
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
};

class CCellIconEngine : public CDrawnIconEngine {
public:
    explicit CCellIconEngine(std::int32_t type) : m_type(type) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        const QColor family = FamilyColour(m_type);
        const QColor ink = mode == QIcon::Disabled ? QColor(0x90, 0x90, 0x90) : family;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        const qreal side = std::min(rect.width(), rect.height());
        painter->scale(side / 32.0, side / 32.0);
        QColor tint = ink;
        tint.setAlpha(40);
        painter->setPen(QPen(ink, 1.2));
        painter->setBrush(tint);
        painter->drawRoundedRect(QRectF(0.75, 0.75, 30.5, 30.5), 6, 6);
        painter->setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(Qt::NoBrush);
        Symbol(*painter, m_type, ink);
        painter->restore();
    }
    QIconEngine* clone() const override { return new CCellIconEngine(m_type); }

private:
    std::int32_t m_type;
};

// A root scene over two children, on the chart's pale cyan, in a rounded
// square of the editor's dark blue.
class CAppIconEngine : public CDrawnIconEngine {
public:
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        const qreal side = std::min(rect.width(), rect.height());
        painter->scale(side / 64.0, side / 64.0);
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0x1F, 0x3A, 0x6E));
        painter->drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        painter->setBrush(QColor(0xDF, 0xFF, 0xFF));
        painter->drawRoundedRect(QRectF(8, 8, 48, 48), 6, 6);
        painter->setPen(QPen(QColor(0x1F, 0x3A, 0x6E), 2.5));
        painter->drawLine(QPointF(32, 24), QPointF(32, 31));
        painter->drawLine(QPointF(19, 31), QPointF(45, 31));
        painter->drawLine(QPointF(19, 31), QPointF(19, 38));
        painter->drawLine(QPointF(45, 31), QPointF(45, 38));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(0x2F, 0x6F, 0xCF));
        painter->drawRoundedRect(QRectF(21, 14, 22, 10), 3, 3);
        painter->setBrush(QColor(0xE0, 0x40, 0x40));
        painter->drawRoundedRect(QRectF(8.5, 38, 21, 10), 3, 3);
        painter->setBrush(QColor(0x2E, 0x8B, 0x57));
        painter->drawRoundedRect(QRectF(34.5, 38, 21, 10), 3, 3);
        painter->restore();
    }
    QIconEngine* clone() const override { return new CAppIconEngine; }
};

} // namespace

QIcon AppIcon() {
    static const QIcon icon(new CAppIconEngine);
    return icon;
}

QIcon CellIcon(std::int32_t type) {
    static std::map<std::int32_t, QIcon> icons;
    auto found = icons.find(type);
    if (found == icons.end())
        found = icons.emplace(type, QIcon(new CCellIconEngine(type))).first;
    return found->second;
}
