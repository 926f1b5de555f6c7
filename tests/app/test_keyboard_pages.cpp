// Tab through each page of the main window, with real key events.
#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "app_test_util.h"

namespace mouse {
namespace {

using KeyboardPagesTest = test::MainWndTest;

TEST_F(KeyboardPagesTest, TabGoesThroughEveryControlOfEachPageInReadingOrder) {
    struct Case {
        const char* tab;
        const char* page;
    };
    const Case cases[] = {{"key_btn", "button_page"},
                          {"performance_btn", "performance_page"},
                          {"light_btn", "light_page"},
                          {"macro_btn", "macro_page"},
                          {"gun_btn", "gun_page"}};
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        Find<COptionUI>(c.tab)->Activate();
        QWidget* page = Find(c.page)->GetWidget();
        Find(c.tab)->SetFocus();
        ASSERT_TRUE(test::WaitFor([] { return QApplication::focusWidget() != nullptr; }));
        QWidget* const start = QApplication::focusWidget();
        std::vector<QWidget*> visited{start};
        for (int i = 0; i < 400; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == start) {
                break;
            }
            visited.push_back(QApplication::focusWidget());
        }
        ASSERT_EQ(QApplication::focusWidget(), start) << "Tab came back to where it started";
        // Once each, the page's controls among them, and of two controls of
        // one container visited one after the other, the second is further
        // down or on the same row further right.
        int onPage = 0;
        for (size_t i = 0; i < visited.size(); ++i) {
            QWidget* w = visited[i];
            EXPECT_EQ(std::count(visited.begin(), visited.end(), w), 1)
                << w->objectName().toStdString();
            onPage += page->isAncestorOf(w) ? 1 : 0;
            const QWidget* next = visited[(i + 1) % visited.size()];
            if (i + 1 < visited.size() && next->parentWidget() == w->parentWidget()) {
                const bool sameRow = std::abs(next->y() - w->y()) < w->height() / 2;
                EXPECT_TRUE(sameRow ? next->x() > w->x() : next->y() > w->y())
                    << w->objectName().toStdString() << " then "
                    << next->objectName().toStdString();
            }
        }
        EXPECT_GT(onPage, 0);
        // Every control that takes the focus by Tab is reached.
        for (QWidget* w : page->findChildren<QWidget*>()) {
            const bool control = w->inherits("QAbstractButton") || w->inherits("QLineEdit") ||
                                 w->inherits("QAbstractSlider") || w->inherits("QComboBox") ||
                                 w->inherits("QAbstractItemView");
            if (control && w->isVisible() && w->isEnabled() &&
                (w->focusPolicy() & Qt::TabFocus) != 0) {
                EXPECT_NE(std::find(visited.begin(), visited.end(), w), visited.end())
                    << w->objectName().toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace mouse
