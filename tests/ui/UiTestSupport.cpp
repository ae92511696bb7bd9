#include "UiTestSupport.h"

#include <QSettings>
#include <QTemporaryDir>

// The widgets need one QApplication; the offscreen platform needs no display.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The window keeps its layout and watches in QSettings: the tests keep theirs apart.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    // The window keeps recent files and choices in the user's settings: the tests keep theirs
    // in a folder of their own.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

std::vector<std::string> ClippedTexts(QWidget& Widget) {
    std::vector<std::string> clipped;
    for (QWidget* w : Widget.findChildren<QWidget*>() + QList<QWidget*>{&Widget}) {
        QString text = w->property("text").toString();
        QRect room = w->contentsRect(); // a label's
        if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = text;
            room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, w);
            room.setHeight(w->height());
        } else if (qobject_cast<QLineEdit*>(w)) { // inside the frame and QLineEdit's 2 px margins
            const int frame = w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
            room = w->rect().adjusted(frame + 2, frame, -frame - 2, -frame);
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            room.setWidth(w->width() - 16);
        } else if (!qobject_cast<QLabel*>(w)) {
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
