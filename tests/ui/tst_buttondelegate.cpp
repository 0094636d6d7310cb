#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QToolTip>
#include <QtTest>

#include "ButtonDelegate.h"
#include "Flow.h"
#include "OperationFactory.h"
#include "OperationModel.h"
#include "OperationTableView.h"
#include "TextInputOperation.h"

namespace {
constexpr int kEditColumn = 3;
const QRect kCell(200, 72, 100, 36);

QStyleOptionViewItem optionFor(const QRect& rect) {
    QStyleOptionViewItem option;
    option.rect = rect;
    return option;
}

bool send(ButtonDelegate& delegate, QEvent::Type type, const QPoint& pos, const QModelIndex& index,
          Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? button : Qt::NoButton;
    QMouseEvent event(type, pos, pos, pos, button, buttons, Qt::NoModifier);
    return delegate.editorEvent(&event, nullptr, optionFor(kCell), index);
}

// Share of the pixels in `rect` darker than mid grey.
double darkShare(const QImage& image, const QRect& rect) {
    int dark = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (qGray(image.pixel(x, y)) < 64) ++dark;
    return double(dark) / (rect.width() * rect.height());
}

// Share of the pixels in `rect` that are not white.
double inkShare(const QImage& image, const QRect& rect) {
    int ink = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) ++ink;
    return double(ink) / (rect.width() * rect.height());
}
}  // namespace

class TestButtonDelegate : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { OperationFactory::registerStandardOperations(); }

    void init() {
        model.reset(new QStandardItemModel(3, 4));
        delegate.reset(new ButtonDelegate);
    }

    void buttonRects_data() {
        QTest::addColumn<QRect>("cell");
        QTest::addColumn<QRect>("copy");
        QTest::addColumn<QRect>("remove");
        // QRect::center() truncates: (0 + 99) / 2 = 49, (0 + 35) / 2 = 17.
        QTest::newRow("100 x 36 at origin")
            << QRect(0, 0, 100, 36) << QRect(15, 5, 24, 24) << QRect(59, 5, 24, 24);
        QTest::newRow("odd size") << QRect(10, 10, 101, 37) << QRect(26, 16, 24, 24)
                                  << QRect(70, 16, 24, 24);
        QTest::newRow("third row of a 30 px table")
            << QRect(300, 60, 100, 30) << QRect(315, 62, 24, 24) << QRect(359, 62, 24, 24);
        QTest::newRow("narrow cell")
            << QRect(0, 0, 40, 20) << QRect(-15, -3, 24, 24) << QRect(29, -3, 24, 24);
    }
    void buttonRects() {
        QFETCH(QRect, cell);
        QFETCH(QRect, copy);
        QFETCH(QRect, remove);
        QCOMPARE(ButtonDelegate::copyButtonRect(cell), copy);
        QCOMPARE(ButtonDelegate::deleteButtonRect(cell), remove);
        // Side by side on one line, 20 px apart.
        QCOMPARE(remove.left() - copy.right() - 1, 20);
    }

    void hitTesting_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<int>("button");
        const QRect copy = ButtonDelegate::copyButtonRect(kCell);
        const QRect remove = ButtonDelegate::deleteButtonRect(kCell);
        QTest::newRow("copy centre") << copy.center() << true << int(ButtonDelegate::Copy);
        QTest::newRow("copy top left edge") << copy.topLeft() << true << int(ButtonDelegate::Copy);
        QTest::newRow("copy bottom right edge")
            << copy.bottomRight() << true << int(ButtonDelegate::Copy);
        QTest::newRow("delete centre") << remove.center() << true << int(ButtonDelegate::Delete);
        QTest::newRow("delete right edge")
            << remove.bottomRight() << true << int(ButtonDelegate::Delete);
        QTest::newRow("between the buttons") << kCell.center() << false << -1;
        QTest::newRow("left of copy") << copy.topLeft() - QPoint(1, 0) << false << -1;
        QTest::newRow("above delete") << remove.topLeft() - QPoint(0, 1) << false << -1;
        QTest::newRow("right of delete") << remove.topRight() + QPoint(1, 0) << false << -1;
    }
    void hitTesting() {
        QFETCH(QPoint, pos);
        QFETCH(bool, handled);
        QFETCH(int, button);
        QCOMPARE(send(*delegate, QEvent::MouseMove, pos, model->index(2, kEditColumn)), handled);
        QCOMPARE(delegate->hoverRow(), handled ? 2 : -1);
        if (handled) QCOMPARE(int(delegate->hoverButton()), button);
    }

    void otherColumnsAreNotHandled() {
        const QPoint onCopy = ButtonDelegate::copyButtonRect(kCell).center();
        for (int column = 0; column < kEditColumn; ++column) {
            QVERIFY(!send(*delegate, QEvent::MouseMove, onCopy, model->index(1, column)));
            QCOMPARE(delegate->hoverRow(), -1);
        }
    }

    void moveAcrossButtons() {
        const QModelIndex index = model->index(1, kEditColumn);
        QVERIFY(send(*delegate, QEvent::MouseMove, ButtonDelegate::copyButtonRect(kCell).center(),
                     index));
        QCOMPARE(delegate->hoverButton(), ButtonDelegate::Copy);
        QCOMPARE(QToolTip::text(), QStringLiteral("复制本行"));
        QVERIFY(send(*delegate, QEvent::MouseMove, ButtonDelegate::deleteButtonRect(kCell).center(),
                     index));
        QCOMPARE(delegate->hoverButton(), ButtonDelegate::Delete);
        QCOMPARE(QToolTip::text(), QStringLiteral("删除本行"));
        QVERIFY(!send(*delegate, QEvent::MouseMove, kCell.center(), index));
        QCOMPARE(delegate->hoverRow(), -1);
        QTRY_VERIFY(!QToolTip::isVisible());

        send(*delegate, QEvent::MouseMove, ButtonDelegate::copyButtonRect(kCell).center(), index);
        QEvent leave(QEvent::Leave);
        QVERIFY(delegate->editorEvent(&leave, model.data(), optionFor(kCell), index));
        QCOMPARE(delegate->hoverRow(), -1);
    }

    void clicks_data() {
        QTest::addColumn<int>("eventType");
        QTest::addColumn<int>("mouseButton");
        QTest::addColumn<bool>("onButton");
        QTest::addColumn<bool>("emits");
        QTest::newRow("left release")
            << int(QEvent::MouseButtonRelease) << int(Qt::LeftButton) << true << true;
        QTest::newRow("left press")
            << int(QEvent::MouseButtonPress) << int(Qt::LeftButton) << true << false;
        QTest::newRow("double click")
            << int(QEvent::MouseButtonDblClick) << int(Qt::LeftButton) << true << false;
        QTest::newRow("right release")
            << int(QEvent::MouseButtonRelease) << int(Qt::RightButton) << true << false;
        QTest::newRow("middle release")
            << int(QEvent::MouseButtonRelease) << int(Qt::MiddleButton) << true << false;
        QTest::newRow("left release beside")
            << int(QEvent::MouseButtonRelease) << int(Qt::LeftButton) << false << false;
    }
    void clicks() {
        QFETCH(int, eventType);
        QFETCH(int, mouseButton);
        QFETCH(bool, onButton);
        QFETCH(bool, emits);
        QSignalSpy clicked(delegate.data(), &ButtonDelegate::iconClicked);
        const QPoint pos =
            onButton ? ButtonDelegate::deleteButtonRect(kCell).center() : kCell.center();
        const bool handled = send(*delegate, QEvent::Type(eventType), pos,
                                  model->index(2, kEditColumn), Qt::MouseButton(mouseButton));
        QCOMPARE(handled, emits);
        QCOMPARE(clicked.count(), emits ? 1 : 0);
        if (emits) {
            QCOMPARE(clicked.at(0).at(0).toInt(), 2);
            QCOMPARE(clicked.at(0).at(1).value<ButtonDelegate::BtnType>(), ButtonDelegate::Delete);
            QCOMPARE(delegate->hoverRow(), -1);
        }
    }

    void clickTravelsQueued() {
        ButtonDelegate::BtnType received = ButtonDelegate::Delete;
        int receivedRow = -1;
        QObject receiver;
        const bool connected = QObject::connect(
            delegate.data(), &ButtonDelegate::iconClicked, &receiver,
            [&](int row, ButtonDelegate::BtnType type) {
                receivedRow = row;
                received = type;
            },
            Qt::QueuedConnection);
        QVERIFY(connected);
        send(*delegate, QEvent::MouseButtonRelease, ButtonDelegate::copyButtonRect(kCell).center(),
             model->index(1, kEditColumn), Qt::LeftButton);
        QTRY_COMPARE(receivedRow, 1);
        QCOMPARE(received, ButtonDelegate::Copy);
    }

    void sizeHintIsFixed() {
        QCOMPARE(delegate->sizeHint(optionFor(QRect(0, 0, 300, 10)), model->index(0, 0)),
                 QSize(100, 36));
        QCOMPARE(delegate->sizeHint(QStyleOptionViewItem(), model->index(2, kEditColumn)),
                 QSize(100, 36));
    }

    void paintsGreyUntilHovered() {
        QImage image(kCell.right() + 10, kCell.bottom() + 10, QImage::Format_ARGB32);
        auto paintCell = [&](int row) {
            image.fill(Qt::white);
            QPainter painter(&image);
            delegate->paint(&painter, optionFor(kCell), model->index(row, kEditColumn));
        };
        const QRect copy = ButtonDelegate::copyButtonRect(kCell);
        const QRect remove = ButtonDelegate::deleteButtonRect(kCell);

        paintCell(1);
        // The grey artwork is there, just not dark.
        QVERIFY(inkShare(image, copy) > 0.1);
        QVERIFY(inkShare(image, remove) > 0.1);
        QCOMPARE(darkShare(image, copy), 0.0);
        QCOMPARE(darkShare(image, remove), 0.0);

        send(*delegate, QEvent::MouseMove, copy.center(), model->index(1, kEditColumn));
        paintCell(1);
        QVERIFY(darkShare(image, copy) > 0.1);
        QCOMPARE(darkShare(image, remove), 0.0);

        // Another row's buttons stay grey.
        paintCell(0);
        QCOMPARE(darkShare(image, copy), 0.0);

        send(*delegate, QEvent::MouseMove, remove.center(), model->index(1, kEditColumn));
        paintCell(1);
        QCOMPARE(darkShare(image, copy), 0.0);
        QVERIFY(darkShare(image, remove) > 0.1);

        // Outside the edit column no buttons are drawn.
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            delegate->paint(&painter, optionFor(kCell), model->index(1, 0));
        }
        QCOMPARE(inkShare(image, remove), 0.0);
    }

    // In the table the press is left to the view, so the row is selected before the
    // click is reported.
    void clickInTheTable() {
        OperationModel operations;
        for (int i = 0; i < 3; ++i) operations.insertOperation(i, new TextInputOperation);
        OperationTableView view;
        view.setModel(&operations);
        view.setItemDelegateForColumn(kEditColumn, delegate.data());
        view.resize(600, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QList<QString> events;
        connect(&view, &OperationTableView::operationSelected, this, [&](Operation* op) {
            events << QStringLiteral("selected %1").arg(operations.flow()->operations.indexOf(op));
        });
        connect(delegate.data(), &ButtonDelegate::iconClicked, this,
                [&](int row, ButtonDelegate::BtnType type) {
                    events << QStringLiteral("clicked %1 %2").arg(row).arg(int(type));
                });
        const QRect cell = view.visualRect(operations.index(1, kEditColumn));
        const QPoint onDelete = ButtonDelegate::deleteButtonRect(cell).center();
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, onDelete);
        QCOMPARE(events, QList<QString>{QStringLiteral("selected 1")});
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, onDelete);
        QCOMPARE(events, QList<QString>({"selected 1", "clicked 1 1"}));

        QTest::mouseClick(view.viewport(), Qt::RightButton, Qt::NoModifier,
                          ButtonDelegate::copyButtonRect(cell).center());
        QCOMPARE(events.size(), 2);
    }

private:
    QScopedPointer<QStandardItemModel> model;
    QScopedPointer<ButtonDelegate> delegate;
};

QTEST_MAIN(TestButtonDelegate)
#include "tst_buttondelegate.moc"
