#include "UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>

#include <gtest/gtest.h>

namespace {

// Creates the one QApplication of the test run; widgets need it, the offscreen platform
// needs no display.
class TQtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        App = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete App;
        App = nullptr;
    }

  private:
    QApplication* App = nullptr;
};

[[maybe_unused]] ::testing::Environment* const QtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

// Text without its mnemonic marker, as it is drawn.
QString Drawn(QString Text) {
    Text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    Text.remove(u'&');
    Text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return Text;
}

} // namespace

QString SaveSnapshot(QWidget& Widget, const QString& Name) {
    const QString dir = QStringLiteral(TARVIK_UI_SNAPSHOT_DIR);
    QDir().mkpath(dir);
    const QString path = dir + u'/' + Name + QStringLiteral(".png");
    const QPixmap picture = Widget.grab();
    picture.save(path);
    // An enlarged copy for looking at single pixels.
    picture.scaled(picture.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(dir + u'/' + Name + QStringLiteral("@3x.png"));
    return path;
}

std::vector<std::string> ClippedTexts(QWidget& Widget) {
    std::vector<std::string> clipped;
    auto check = [&clipped](const QWidget& W, const QString& Text, int Room, int Needed) {
        if (Needed > Room) {
            clipped.push_back(QStringLiteral("%1 '%2' needs %3 px, has %4")
                                  .arg(QString::fromLatin1(W.metaObject()->className()), Text)
                                  .arg(Needed)
                                  .arg(Room)
                                  .toStdString());
        }
    };
    auto all = Widget.findChildren<QWidget*>();
    all.prepend(&Widget);
    for (QWidget* w : all) {
        const QFontMetrics metrics = w->fontMetrics();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QRect room = label->contentsRect();
            check(*label, label->text(), room.width(), metrics.horizontalAdvance(label->text()));
            check(*label, label->text(), room.height(), metrics.height());
        } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
            QStyleOptionButton option;
            option.initFrom(box);
            option.text = box->text();
            const QRect text =
                box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
            check(*box, box->text(), text.width(), metrics.horizontalAdvance(Drawn(box->text())));
            check(*box, box->text(), box->height(), metrics.height());
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            // The room inside the frame and the text margins of the style.
            QStyleOptionFrame option;
            option.initFrom(edit);
            option.rect = edit->rect();
            option.lineWidth =
                edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
            const QRect text =
                edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
            // QLineEdit keeps a further 2 px margin on each side.
            check(*edit, edit->text(), text.width() - 4, metrics.horizontalAdvance(edit->text()));
            check(*edit, edit->text(), text.height(), metrics.height());
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (!group->title().isEmpty()) {
                check(*group, group->title(), group->width() - 16,
                      metrics.horizontalAdvance(Drawn(group->title())));
            }
        }
    }
    return clipped;
}
