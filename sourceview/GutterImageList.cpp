#include "sourceview/GutterImageList.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int Size = 16;

QPixmap NewImage(qreal Dpr) {
    QPixmap P(qRound(Size * Dpr), qRound(Size * Dpr));
    P.setDevicePixelRatio(Dpr);
    P.fill(Qt::transparent);
    return P;
}

void Prepare(QPainter& P) {
    P.setRenderHint(QPainter::Antialiasing, true);
}

QFont MarkFont(int PixelSize) {
    QFont F(QStringLiteral("Liberation Sans"));
    F.setStyleHint(QFont::SansSerif);
    F.setPixelSize(PixelSize);
    F.setBold(true);
    return F;
}

// A bookmark tag: a blue tab with its digit in white.
QPixmap Bookmark(int Digit, qreal Dpr) {
    QPixmap Image = NewImage(Dpr);
    QPainter P(&Image);
    Prepare(P);
    const QRectF Tag(2.5, 1.5, 11, 13);
    P.setPen(QPen(QColor(0x1F, 0x3F, 0x8F), 1));
    P.setBrush(QColor(0x3A, 0x6E, 0xD8));
    P.drawRoundedRect(Tag, 2, 2);
    P.setPen(Qt::white);
    P.setFont(MarkFont(11));
    P.drawText(Tag, Qt::AlignCenter, QString::number(Digit));
    return Image;
}

QPainterPath Triangle() {
    QPainterPath Path;
    Path.moveTo(8, 1.5);
    Path.lineTo(15, 14.5);
    Path.lineTo(1, 14.5);
    Path.closeSubpath();
    return Path;
}

void ExclamationMark(QPainter& P, const QColor& Color) {
    P.setPen(Qt::NoPen);
    P.setBrush(Color);
    P.drawRect(QRectF(7.2, 5.5, 1.6, 5));
    P.drawEllipse(QRectF(7.1, 11.5, 1.8, 1.8));
}

// A warning triangle with an exclamation mark: the yellow warning and the red-outlined error.
QPixmap WarningTriangle(qreal Dpr, const QPen& Outline, const QColor& Fill, const QColor& Mark) {
    QPixmap Image = NewImage(Dpr);
    QPainter P(&Image);
    Prepare(P);
    P.setPen(Outline);
    P.setBrush(Fill);
    P.drawPath(Triangle());
    ExclamationMark(P, Mark);
    return Image;
}

QPixmap RedDot(qreal Dpr) {
    QPixmap Image = NewImage(Dpr);
    QPainter P(&Image);
    Prepare(P);
    QRadialGradient Fill(QPointF(6.5, 6), 7);
    Fill.setColorAt(0, QColor(0xFF, 0x70, 0x70));
    Fill.setColorAt(1, QColor(0xD0, 0x10, 0x10));
    P.setPen(QPen(QColor(0x80, 0x00, 0x00), 1));
    P.setBrush(Fill);
    P.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return Image;
}

QPixmap GreenArrow(qreal Dpr) {
    QPixmap Image = NewImage(Dpr);
    QPainter P(&Image);
    Prepare(P);
    QPainterPath Arrow;
    Arrow.moveTo(1.5, 5.5);
    Arrow.lineTo(8.5, 5.5);
    Arrow.lineTo(8.5, 1.5);
    Arrow.lineTo(15, 8);
    Arrow.lineTo(8.5, 14.5);
    Arrow.lineTo(8.5, 10.5);
    Arrow.lineTo(1.5, 10.5);
    Arrow.closeSubpath();
    P.setPen(QPen(QColor(0x0A, 0x5A, 0x0A), 1));
    P.setBrush(QColor(0x2C, 0xB0, 0x2C));
    P.drawPath(Arrow);
    return Image;
}

} // namespace

TGutterImageList::TGutterImageList(QObject* Owner, int Width, int Height)
    : QObject(Owner), WidthField(Width), HeightField(Height) {}

void TGutterImageList::Add(const QPixmap& Image) {
    const qreal Dpr = Image.devicePixelRatio();
    const QSize Logical = (QSizeF(Image.size()) / Dpr).toSize();
    if (Logical == QSize(WidthField, HeightField)) {
        Images.append(Image);
        return;
    }
    QPixmap Scaled = Image.scaled(qRound(WidthField * Dpr), qRound(HeightField * Dpr),
                                  Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    Scaled.setDevicePixelRatio(Dpr);
    Images.append(Scaled);
}

void TGutterImageList::LoadGutterImages(qreal DevicePixelRatio) {
    if (DevicePixelRatio <= 0) DevicePixelRatio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    WidthField = Size;
    HeightField = Size;
    Images.clear();
    for (int Digit = 0; Digit <= 9; ++Digit)
        Images.append(Bookmark(Digit, DevicePixelRatio));
    Images.append(WarningTriangle(DevicePixelRatio, QPen(QColor(0x8A, 0x6A, 0x00), 1),
                                  QColor(0xFF, 0xD8, 0x20), Qt::black));
    Images.append(WarningTriangle(DevicePixelRatio, QPen(QColor(0xD0, 0x10, 0x10), 1.6),
                                  QColor(0xFF, 0xF4, 0xF0), QColor(0xC0, 0x00, 0x00)));
    Images.append(RedDot(DevicePixelRatio));
    Images.append(GreenArrow(DevicePixelRatio));
}

void TGutterImageList::Draw(QPainter& Painter, int X, int Y, int Index) const {
    if (Index < 0 || Index >= Count()) return;
    Painter.drawPixmap(X, Y, Images.at(Index));
}
