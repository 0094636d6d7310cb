// The designer window's states: clean, modified, running; its actions and docks;
// the close question answered without a modal box.
#include <QAction>
#include <QDockWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "AppConfig.h"
#include "AutoPropertyBrowser.h"
#include "ErrorPresenter.h"
#include "Flow.h"
#include "Flowsmith.h"
#include "GlobalHotkey.h"
#include "HotkeyBackend.h"
#include "KeepAwake.h"
#include "MouseMoveOperation.h"
#include "OperationFactory.h"
#include "OperationModel.h"
#include "Platform.h"
#include "PropertyPanelWidget.h"
#include "RecordingInputBackend.h"
#include "TextInputOperation.h"
#include "UnavailableInputBackend.h"

namespace {
class CapturingPresenter : public ErrorPresenter {
public:
    void showWarning(const QString& title, const QString& text) override {
        shown << title + "|" + text;
    }
    QStringList shown;
};

// Grabs every key; a test presses it by emitting the hotkey's signal.
class FakeHotkeys : public HotkeyBackend {
public:
    bool grab(GlobalHotkey* hotkey, Qt::Key, Qt::KeyboardModifiers, QString* error) override {
        if (refuse) {
            *error = QStringLiteral("taken by another program");
            return false;
        }
        grabbed << hotkey;
        return true;
    }
    void ungrab(GlobalHotkey* hotkey) override { grabbed.removeAll(hotkey); }
    QList<GlobalHotkey*> grabbed;
    bool refuse = false;
};

class CountingKeepAwake : public KeepAwake {
public:
    void request() override { ++requests; }
    void release() override { ++releases; }
    int requests = 0, releases = 0;
};
}  // namespace

class TestFlowsmith : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir;
    RecordingInputBackend input;
    FakeHotkeys hotkeys;
    CountingKeepAwake awake;
    CapturingPresenter presenter;

    // A flow file of `n` text operations t0, t1, ... with the given interval.
    QString makeFlowFile(const QString& name, int n, int interval = 0) {
        Flow flow;
        for (int i = 0; i < n; ++i) {
            auto* op = new TextInputOperation(&flow);
            op->setText(QStringLiteral("t%1").arg(i));
            op->setInterval(interval);
            flow.operations << op;
        }
        const QString path = dir.filePath(name);
        flow.save(path);
        return path;
    }
    static QByteArray bytes(const QString& path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }
    std::unique_ptr<Flowsmith> open(const QString& path) {
        auto w = std::make_unique<Flowsmith>(path);
        w->initDockWidgets();
        w->initRibbonBar();
        w->initOperationTable();
        w->connectPanels();
        w->registerRunHotkey();
        w->show();
        return w;
    }
    static QString text(Flowsmith& w, int row) {
        return qobject_cast<TextInputOperation*>(w.operationModel()->flow()->operations.at(row))
            ->text();
    }

private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        Platform::setInput(&input);
        Platform::setHotkeys(&hotkeys);
        Platform::setKeepAwake(&awake);
        ErrorPresenter::install(&presenter);
    }
    void cleanupTestCase() {
        ErrorPresenter::install(nullptr);
        Platform::setInput(nullptr);
        Platform::setHotkeys(nullptr);
        Platform::setKeepAwake(nullptr);
    }
    void init() {
        input.clear();
        presenter.shown.clear();
        hotkeys.refuse = false;
    }

    void openedFlowIsClean() {
        auto w = open(makeFlowFile("clean.flow", 3));
        QCOMPARE(w->operationModel()->rowCount(), 3);
        QVERIFY(!w->saveButton()->isEnabled());
        QVERIFY(!w->modified());
        int asked = 0;
        w->setSaveQuestion([&](QWidget*) {
            ++asked;
            return QMessageBox::Cancel;
        });
        QVERIFY(w->close());
        QCOMPARE(asked, 0);
    }

    void rowButtonsCopyAndDelete_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("copy first")
            << 0 << int(ButtonDelegate::Copy) << QStringList{"t0", "t0", "t1", "t2"};
        QTest::newRow("copy last")
            << 2 << int(ButtonDelegate::Copy) << QStringList{"t0", "t1", "t2", "t2"};
        QTest::newRow("delete middle")
            << 1 << int(ButtonDelegate::Delete) << QStringList{"t0", "t2"};
        QTest::newRow("copy past the end")
            << 3 << int(ButtonDelegate::Copy) << QStringList{"t0", "t1", "t2"};
        QTest::newRow("delete past the end")
            << 7 << int(ButtonDelegate::Delete) << QStringList{"t0", "t1", "t2"};
        QTest::newRow("negative row")
            << -1 << int(ButtonDelegate::Delete) << QStringList{"t0", "t1", "t2"};
    }
    void rowButtonsCopyAndDelete() {
        QFETCH(int, row);
        QFETCH(int, type);
        QFETCH(QStringList, after);
        auto w = open(makeFlowFile("rows.flow", 3));
        w->onRowButtonClicked(row, ButtonDelegate::BtnType(type));
        QStringList texts;
        for (int i = 0; i < w->operationModel()->rowCount(); ++i) texts << text(*w, i);
        QCOMPARE(texts, after);
        const bool changed = after.size() != 3;
        QCOMPARE(w->modified(), changed);
        QCOMPARE(w->saveButton()->isEnabled(), changed);
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
    }

    void copyIsIndependent() {
        auto w = open(makeFlowFile("copy.flow", 1));
        w->onRowButtonClicked(0, ButtonDelegate::Copy);
        auto* copy =
            qobject_cast<TextInputOperation*>(w->operationModel()->flow()->operations.at(1));
        copy->setText("changed");
        QCOMPARE(text(*w, 0), QStringLiteral("t0"));
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
    }

    void saveWritesAndCleans() {
        const QString path = makeFlowFile("save.flow", 2);
        auto w = open(path);
        w->onRowButtonClicked(1, ButtonDelegate::Delete);
        w->saveButton()->trigger();
        QVERIFY(!w->modified());
        QVERIFY(!w->saveButton()->isEnabled());
        Flow reread;
        QVERIFY(reread.load(path));
        QCOMPARE(reread.operations.size(), 1);
    }

    void closeQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("rowsOnDisk");
        QTest::newRow("cancel keeps the window") << int(QMessageBox::Cancel) << false << 2;
        QTest::newRow("no button keeps the window") << int(QMessageBox::NoButton) << false << 2;
        QTest::newRow("discard closes without writing") << int(QMessageBox::Discard) << true << 2;
        QTest::newRow("save writes and closes") << int(QMessageBox::Save) << true << 1;
    }
    void closeQuestion() {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(int, rowsOnDisk);
        const QString path = makeFlowFile("close.flow", 2);
        auto w = open(path);
        w->onRowButtonClicked(0, ButtonDelegate::Delete);
        int asked = 0;
        w->setSaveQuestion([&](QWidget*) {
            ++asked;
            return QMessageBox::StandardButton(answer);
        });
        QCOMPARE(w->close(), closes);
        QCOMPARE(asked, 1);
        QCOMPARE(w->isVisible(), !closes);
        Flow reread;
        QVERIFY(reread.load(path));
        QCOMPARE(reread.operations.size(), rowsOnDisk);
        if (!closes) {
            QVERIFY(w->modified());
            w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
        }
    }

    void failedSaveKeepsTheWindowOpen() {
        auto w = open(dir.filePath("missing-dir/x.flow"));  // loads nothing, reports it
        QCOMPARE(presenter.shown.size(), 1);
        QVERIFY(presenter.shown.first().contains(QStringLiteral("无法读取文件")));
        w->onRowButtonClicked(0, ButtonDelegate::Delete);  // nothing to delete
        QVERIFY(!w->modified());
        w->operationModel()->insertOperation(0, new MouseMoveOperation);
        QVERIFY(w->modified());
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Save; });
        QVERIFY(!w->close());
        QVERIFY(presenter.shown.last().startsWith(
            QStringLiteral("TapwiseZindra-键盘鼠标自动化输入工具|无法写入文件")));
        QVERIFY(w->modified());
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
    }

    void dockToggles() {
        auto w = open(makeFlowFile("docks.flow", 0));
        QAction* properties = w->findChild<QAction*>("propertyWindowAction");
        QAction* operations = w->findChild<QAction*>("operationWindowAction");
        QVERIFY(properties && operations);
        QVERIFY(w->propertyDockWidget()->isVisible());
        properties->trigger();
        QVERIFY(!w->propertyDockWidget()->isVisible());
        properties->trigger();
        QVERIFY(w->propertyDockWidget()->isVisible());
        operations->trigger();
        QVERIFY(!w->operationDockWidget()->isVisible());
        // Basic information always leaves the property dock visible and shows the flow.
        properties->trigger();
        w->findChild<QAction*>("flowInfoAction")->trigger();
        QVERIFY(w->propertyDockWidget()->isVisible());
        w->findChild<QAction*>("flowInfoAction")->trigger();
        QVERIFY(w->propertyDockWidget()->isVisible());
        QCOMPARE(w->propertyPanel()->propertyBrowser()->object(), w->operationModel()->flow());
    }

    void defaultLayoutPutsDocksBack() {
        auto w = open(makeFlowFile("layout.flow", 0));
        w->propertyDockWidget()->setFloating(true);
        w->removeDockWidget(w->operationDockWidget());
        w->addDockWidget(Qt::RightDockWidgetArea, w->operationDockWidget());
        w->operationDockWidget()->hide();
        w->findChild<QAction*>("defaultLayoutAction")->trigger();
        QVERIFY(!w->propertyDockWidget()->isFloating());
        QCOMPARE(w->dockWidgetArea(w->propertyDockWidget()), Qt::RightDockWidgetArea);
        QCOMPARE(w->dockWidgetArea(w->operationDockWidget()), Qt::LeftDockWidgetArea);
        QVERIFY(w->propertyDockWidget()->isVisible());
        QVERIFY(w->operationDockWidget()->isVisible());
    }

    void runHidesAndTheEndShowsAgain() {
        auto w = open(makeFlowFile("run.flow", 2, 10));
        const int requests = awake.requests;
        QElapsedTimer clock;
        clock.start();
        w->onBtnRunClicked();
        QVERIFY(!w->isVisible());
        QVERIFY(w->running());
        QCOMPARE(awake.requests, requests + 1);
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 3000);
        // The window waits half a second after the last operation before coming back.
        QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w->running());
        QCOMPARE(awake.releases, awake.requests);
        QCOMPARE(input.records().size(), 8);  // t0 and t1: two characters each, down and up
        QVERIFY(!w->modified());
    }

    void secondTriggerStopsTheRun() {
        auto w = open(makeFlowFile("stop.flow", 2, 5000));
        w->onBtnRunClicked();
        QVERIFY(!w->isVisible());
        QElapsedTimer clock;
        clock.start();
        w->onBtnRunClicked();
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(w->isVisible());
        QVERIFY(!w->running());
        QVERIFY(!AppConfig::instance().running.load());
        QCOMPARE(input.records().size(), 0);
        // The worker's late end notification changes nothing.
        QTest::qWait(700);
        QVERIFY(w->isVisible());
        QVERIFY(!w->running());
    }

    void f8StartsAndStops() {
        auto w = open(makeFlowFile("f8.flow", 1, 5000));
        QVERIFY(w->runHotkey()->isRegistered());
        emit w->runHotkey()->activated();
        QVERIFY(w->running());
        emit w->runHotkey()->activated();
        QVERIFY(!w->running());
        QVERIFY(w->isVisible());
    }

    void f8TakenStillRunsFromTheRibbon() {
        hotkeys.refuse = true;
        auto w = open(makeFlowFile("taken.flow", 1, 0));
        QVERIFY(!w->runHotkey()->isRegistered());
        w->findChild<QAction*>("runAction")->trigger();
        QVERIFY(!w->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 3000);
    }

    void noDesktopToReplayOnSaysSo() {
        UnavailableInputBackend none(QStringLiteral("there is no X11 display"));
        Platform::setInput(&none);
        auto w = open(makeFlowFile("nodesk.flow", 1, 0));
        QString told;
        w->setNotice([&](QWidget*, const QString& text) { told = text; });
        w->onBtnRunClicked();
        Platform::setInput(&input);
        QVERIFY(w->isVisible());
        QVERIFY(!w->running());
        QVERIFY(told.contains(QStringLiteral("there is no X11 display")));
    }

    void closingDuringARunJoinsTheWorker() {
        auto w = open(makeFlowFile("closing.flow", 1, 5000));
        w->onBtnRunClicked();
        QElapsedTimer clock;
        clock.start();
        w.reset();
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(!AppConfig::instance().running.load());
    }
};

QTEST_MAIN(TestFlowsmith)
#include "tst_flowsmith.moc"
