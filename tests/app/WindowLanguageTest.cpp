#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>
#include <memory>

#include "app/gui/QtMessageBox.h"
#include "app/gui/QtTranslation.h"

namespace {

// Presses the button labelled `label` of the message box once one is open.
void pressWhenShown(const QString& label, QStringList& seen) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, label, &seen] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            poll->stop();
            poll->deleteLater();
            QAbstractButton* press = nullptr;
            for (QAbstractButton* b : box->buttons()) {
                seen << b->text();
                if (b->text() == label) press = b;
            }
            if (press) {
                press->click();
            } else {
                box->reject();
            }
            return;
        }
    });
    poll->start(10);
}

TEST(QtMessageBoxTest, StandardButtonsAreChineseAndAnswerAsPressed) {
    struct Case {
        const char* name;
        core::MessageButtons buttons;
        QStringList labels;
        const char* press;
        core::MessageAnswer answer;
    } cases[] = {
        {"ok", core::MessageButtons::Ok, {"确定"}, "确定", core::MessageAnswer::Ok},
        {"yes", core::MessageButtons::YesNo, {"否", "是"}, "是", core::MessageAnswer::Yes},
        {"no", core::MessageButtons::YesNo, {"否", "是"}, "否", core::MessageAnswer::No},
        {"cancel",
         core::MessageButtons::OkCancel,
         {"取消", "确定"},
         "取消",
         core::MessageAnswer::Cancel},
    };
    gui::QtMessageBox boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList seen;
        pressWhenShown(QString::fromUtf8(c.press), seen);
        core::MessageAnswer answer =
            boxes.show("提示", "正在导入数据，是否中止？", core::MessageIcon::Question, c.buttons);
        seen.sort();
        QStringList expected;
        for (const QString& l : c.labels) expected << l;
        expected.sort();
        EXPECT_EQ(seen.join(",").toStdString(), expected.join(",").toStdString());
        EXPECT_EQ(answer, c.answer);
    }
}

// The log's context menu is Qt's own; with Qt's translation it has no English word.
TEST(QtTranslationTest, TheLogsContextMenuSpeaksChinese) {
    QTranslator* translator = gui::installQtTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr) << "qtbase_zh_CN.qm (qt6-translations-l10n) is missing";
    QPlainTextEdit memo;
    memo.setReadOnly(true);
    memo.setPlainText("数据导入完成。");
    std::unique_ptr<QMenu> menu(memo.createStandardContextMenu());
    const QRegularExpression mnemonic("\\(&.\\)|&");
    const QRegularExpression englishWord("[A-Za-z]{2,}");
    int texts = 0;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        QString text = action->text().remove(mnemonic).section('\t', 0, 0);
        ++texts;
        EXPECT_FALSE(englishWord.match(text).hasMatch()) << text.toStdString();
    }
    EXPECT_GT(texts, 0);
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

}  // namespace
