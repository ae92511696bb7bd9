#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyleOption>
#include <gtest/gtest.h>

// The widgets need one QApplication; the offscreen platform needs no display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

std::vector<std::string> ClippedTexts(QWidget& Widget) {
    std::vector<std::string> clipped;
    for (QWidget* w : Widget.findChildren<QWidget*>() + QList<QWidget*>{&Widget}) {
        QString text;
        QRect room = w->contentsRect();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton option;
            option.initFrom(box);
            text = option.text = box->text();
            room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w);
            room.setHeight(w->height());
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.lineWidth = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, w);
            text = edit->text();
            // QLineEdit keeps a further 2 px on each side of the style's contents.
            room = w->style()->subElementRect(QStyle::SE_LineEditContents, &option, w);
            room.setWidth(room.width() - 4);
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            room.setWidth(w->width() - 16);
        } else {
            continue;
        }
        text.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1")); // drawn
        if (w->fontMetrics().horizontalAdvance(text) > room.width() ||
            w->fontMetrics().height() > room.height())
            clipped.push_back(
                QStringLiteral("%1 '%2'").arg(w->metaObject()->className(), text).toStdString());
    }
    return clipped;
}
