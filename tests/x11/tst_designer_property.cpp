// The designer's property grid on a real X display: rows are chosen, edited, picked
// and captured with real input from another X connection, and the flow file that
// the save button writes holds the result.
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

#include "model/ErrorPresenter.h"
#include "model/Flow.h"
#include "model/KeyboardOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/OperationFactory.h"
#include "platform/Platform.h"
#include "platform/x11/X11ButtonWatch.h"
#include "support/TestDesktop.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui/Flowsmith.h"
#include "ui/GlobalMouseWidget.h"
#include "ui/KeyInputWidget.h"
#include "ui/OperationModel.h"
#include "ui/OperationPropertyBrowser.h"
#include "ui/OperationTableView.h"
#include "ui/PointPickState.h"
#include "ui/PointSelectWidget.h"
#include "ui/PropertyPanelWidget.h"
#include "widgets/propertybrowser/Property.h"

namespace {

// X keysyms used below.
constexpr quint32 kControlL = 0xffe3, kReturn = 0xff0d, kBackSpace = 0xff08, kEscape = 0xff1b;
constexpr quint32 keysym(char c) {
    return quint32(c);
}  // Latin-1 keysyms are the characters

class NoBoxes : public ErrorPresenter {
public:
    void showWarning(const QString& title, const QString& text) override { told << title << text; }
    QStringList told;
};

// A window that counts the presses it gets: the press that ends a pick reaches it.
class PressTarget : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

}  // namespace

class TestDesignerProperty : public QObject {
    Q_OBJECT
private:
    TestDesktop m_desktop;
    QTemporaryDir m_dir;
    QString m_path;
    NoBoxes m_boxes;
    QStringList m_pickTold;
    std::unique_ptr<Flowsmith> m_window;

    AutoPropertyBrowser* browser() const { return m_window->propertyPanel()->propertyBrowser(); }
    Operation* op(int row) const { return m_window->operationModel()->flow()->operationAt(row); }

    void click(const QPoint& global) {
        m_desktop.moveTo(global);
        m_desktop.button(1, true);
        m_desktop.button(1, false);
        m_desktop.sync();
    }
    void clickWidget(QWidget* w) { click(w->mapToGlobal(w->rect().center())); }
    void tap(quint32 sym) {
        m_desktop.tap(sym);
        m_desktop.sync();
    }
    void controlTap(quint32 sym) {
        m_desktop.key(kControlL, true);
        m_desktop.tap(sym);
        m_desktop.key(kControlL, false);
        m_desktop.sync();
    }

    // Chooses a table row with the pointer; the grid then shows its operation.
    bool selectRow(int row) {
        auto* table = m_window->findChild<OperationTableView*>();
        const QRect cell = table->visualRect(m_window->operationModel()->index(row, 1));
        click(table->viewport()->mapToGlobal(cell.center()));
        return QTest::qWaitFor([&] { return browser()->object() == op(row); }, 5000);
    }
    // Clicks the value cell of the shown object's property; the open editor or null.
    QWidget* openEditor(const QString& property, int waitMs = 5000) {
        OperationPropertyBrowser* grid = browser()->treeBrowser();
        QTreeWidget* tree = grid->treeWidget();
        Property* row = browser()->rowForProperty(property);
        if (!row) return nullptr;
        const QRect cell = tree->visualItemRect(grid->itemForProperty(row));
        click(tree->viewport()->mapToGlobal(
            QPoint(tree->columnViewportPosition(1) + 20, cell.center().y())));
        const bool opened = QTest::qWaitFor([&] { return grid->editedProperty() == row; }, waitMs);
        return opened ? grid->currentEditor() : nullptr;
    }
    QToolButton* ribbonButton(const QString& actionName) const {
        for (QToolButton* b : m_window->findChildren<QToolButton*>())
            if (b->defaultAction() && b->defaultAction()->objectName() == actionName) return b;
        return nullptr;
    }
    bool save() {
        QToolButton* button = ribbonButton(QStringLiteral("saveAction"));
        if (!button || !button->isEnabled()) return false;
        clickWidget(button);
        return QTest::qWaitFor([&] { return !m_window->modified(); }, 5000);
    }
    // The flow as the file now holds it.
    std::unique_ptr<Flow> saved() const {
        auto flow = std::make_unique<Flow>();
        return flow->load(m_path) ? std::move(flow) : nullptr;
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY(dynamic_cast<X11ButtonWatch*>(&Platform::buttonWatch()));
        QStandardPaths::setTestModeEnabled(true);
        ErrorPresenter::install(&m_boxes);
        PointPickState::instance().setNotifier(
            [this](const QString& title, const QString& text) { m_pickTold << title << text; });
        OperationFactory::registerStandardOperations();

        Flow flow;
        auto* move = new MouseMoveOperation;
        move->setPosition({100, 100});
        auto* key = new KeyboardOperation;
        key->setEventType(KeyboardOperation::Tap);
        key->setKey("A");
        key->setModifiers(Qt::ControlModifier);
        flow.appendOperation(std::unique_ptr<Operation>(move));
        flow.appendOperation(std::unique_ptr<Operation>(key));
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath("grid.flow");
        QVERIFY(flow.save(m_path));

        // Set up as the entry point does.
        m_window = std::make_unique<Flowsmith>(m_path);
        m_window->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
        m_window->setNotice([](QWidget*, const QString&) {});
        m_window->setWindowTitle(QStringLiteral("Flowsmith - ") + m_path);
        m_window->resize(1366, 768);
        m_window->setUp();
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QCOMPARE(m_window->operationModel()->flow()->operationCount(), 2);
    }

    void cleanupTestCase() {
        m_window.reset();
        ErrorPresenter::install(nullptr);
        PointPickState::instance().setNotifier(nullptr);
    }

    void editIntervalAndSave() {
        QVERIFY(selectRow(0));
        auto* spin = qobject_cast<QSpinBox*>(openEditor("interval"));
        QVERIFY(spin);
        QTRY_VERIFY(spin->hasFocus());
        controlTap(keysym('a'));
        tap(keysym('1'));
        tap(keysym('2'));
        tap(keysym('0'));
        tap(kReturn);
        QTRY_COMPARE(op(0)->interval(), 120);
        QTRY_VERIFY(!browser()->treeBrowser()->currentEditor());
        QVERIFY(m_window->modified());
        QVERIFY(save());
        auto flow = saved();
        QVERIFY(flow);
        QCOMPARE(flow->operationAt(0)->interval(), 120);
    }

    void pickPointAndSave() {
        QVERIFY(selectRow(0));
        auto* picker = qobject_cast<PointSelectWidget*>(openEditor("position"));
        QVERIFY(picker);
        QCOMPARE(picker->value(), QPoint(100, 100));
        clickWidget(picker->findChild<QPushButton*>());
        QTRY_VERIFY(!m_window->isVisible());
        QVERIFY(PointPickState::instance().isPicking());
        QVERIFY(m_pickTold.isEmpty());

        PressTarget target;
        target.setGeometry(600, 330, 100, 60);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        m_desktop.moveTo({640, 360});
        m_desktop.sync();
        GlobalMouseWidget* overlay = picker->overlay();
        QVERIFY(overlay);
        QTRY_COMPARE(overlay->position(), QPoint(640, 360));
        QTRY_COMPARE(overlay->pos(), QPoint(670, 390));

        m_desktop.button(1, true);
        m_desktop.button(1, false);
        m_desktop.sync();
        QTRY_VERIFY(m_window->isVisible());
        QVERIFY(!PointPickState::instance().isPicking());
        QCOMPARE(static_cast<MouseMoveOperation*>(op(0))->position(), QPoint(640, 360));
        // The press also went to the window under the pointer.
        QTRY_COMPARE(target.presses, 1);
        target.hide();
        QTRY_VERIFY(m_window->isActiveWindow());
        QVERIFY(m_window->modified());
        QVERIFY(save());
        auto flow = saved();
        QVERIFY(flow);
        QCOMPARE(static_cast<MouseMoveOperation*>(flow->operationAt(0))->position(),
                 QPoint(640, 360));
    }

    void flowDescriptionAndSave() {
        clickWidget(ribbonButton(QStringLiteral("flowInfoAction")));
        Flow* flow = m_window->operationModel()->flow();
        QTRY_COMPARE(browser()->object(), flow);
        QStringList labels;
        QList<bool> enabled;
        for (Property* p : browser()->treeBrowser()->properties()) {
            labels << p->propertyName();
            enabled << p->isEnabled();
        }
        QCOMPARE(labels, (QStringList{"流名称", "流描述", "创建时间", "修改时间"}));
        QCOMPARE(enabled, (QList<bool>{false, true, false, false}));
        QVERIFY(!openEditor("name", 300));  // read-only: shown, not editable

        auto* line = qobject_cast<QLineEdit*>(openEditor("description"));
        QVERIFY(line);
        QTRY_VERIFY(line->hasFocus());
        for (char c : QByteArray("daily")) tap(keysym(c));
        tap(kReturn);
        QTRY_COMPARE(flow->description(), QString("daily"));
        QVERIFY(m_window->modified());
        QVERIFY(save());
        auto file = saved();
        QVERIFY(file);
        QCOMPARE(file->description(), QString("daily"));
        QCOMPARE(file->createTime(), flow->createTime());
    }

    void captureKeyAndSave() {
        QVERIFY(selectRow(1));
        auto* keys = qobject_cast<KeyInputWidget*>(openEditor("key"));
        QVERIFY(keys);
        QCOMPARE(keys->text(), QString("A"));
        QTRY_VERIFY(keys->hasFocus());
        auto* key = static_cast<KeyboardOperation*>(op(1));

        controlTap(keysym('b'));
        QTRY_COMPARE(key->key(), QString("B"));
        QCOMPARE(key->modifiers(), Qt::ControlModifier);
        tap(kBackSpace);
        QTRY_COMPARE(key->key(), QString("Backspace"));
        tap(kEscape);
        QTRY_COMPARE(key->key(), QString("Esc"));
        QCOMPARE(keys->text(), QString("Esc"));
        // Escape was captured, so the edit goes on.
        QCOMPARE(browser()->treeBrowser()->currentEditor(), keys);

        QVERIFY(save());
        auto flow = saved();
        QVERIFY(flow);
        auto* savedKey = static_cast<KeyboardOperation*>(flow->operationAt(1));
        QCOMPARE(savedKey->key(), QString("Esc"));
        QCOMPARE(savedKey->modifiers(), Qt::ControlModifier);
        QCOMPARE(savedKey->eventType(), int(KeyboardOperation::Tap));
    }
};

QTEST_MAIN(TestDesignerProperty)
#include "tst_designer_property.moc"
