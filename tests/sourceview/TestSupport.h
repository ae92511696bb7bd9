#pragma once
// Helpers shared by the widget tests of the source view.

#include "sourceview/SourceEdit.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QMouseEvent>
#include <QString>

namespace SourceViewTest {

// The lines of a listing file, without line ends.
inline QList<QByteArray> ReadLines(const QString& Path) {
    QFile F(Path);
    if (!F.open(QIODevice::ReadOnly)) return {};
    QList<QByteArray> Lines = F.readAll().split('\n');
    if (!Lines.isEmpty() && Lines.last().isEmpty()) Lines.removeLast();
    for (QByteArray& L : Lines)
        if (L.endsWith('\r')) L.chop(1);
    return Lines;
}

inline QList<QByteArray> NumberedLines(int Count) {
    QList<QByteArray> Lines;
    for (int I = 1; I <= Count; ++I)
        Lines.append("line " + QByteArray::number(I));
    return Lines;
}

// The gutter is the editor's child at its left edge.
inline QWidget* GutterOf(TSourceEdit& Edit) {
    return Edit.childAt(Edit.contentsRect().left() + 1, Edit.contentsRect().top() + 1);
}

inline void ClickGutter(TSourceEdit& Edit, int X, int Y) {
    QWidget* Gutter = GutterOf(Edit);
    const QPointF Pos(X, Y);
    QMouseEvent Press(QEvent::MouseButtonPress, Pos, Gutter->mapToGlobal(Pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Gutter, &Press);
}

// The editor as it would appear on screen, in gutter coordinates (x = 0 is the gutter's
// left edge, y = 0 the top of the first visible line).
inline QImage Render(TSourceEdit& Edit) {
    const QImage Whole = Edit.grab().toImage();
    const QPoint Origin = GutterOf(Edit)->geometry().topLeft();
    return Whole.copy(QRect(Origin, Whole.size() - QSize(Origin.x(), Origin.y())));
}

} // namespace SourceViewTest
