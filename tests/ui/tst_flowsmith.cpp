// The designer window's states: clean, modified, running; its actions and docks;
// the close question answered without a modal box.
#include <QAction>
#include <QClipboard>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QtTest>

#include "core/AppConfig.h"
#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"
#include "platform/UnavailableHotkeyBackend.h"
#include "platform/UnavailableInputBackend.h"
#include "platform/UnavailableInputRecorder.h"
#include "support/FakeButtonWatch.h"
#include "support/FakeHotkeyBackend.h"
#include "support/FedRecorder.h"
#include "support/FlowBytes.h"
#include "support/RecordingInputBackend.h"
#include "support/RecordingPresenter.h"
#include "ui/ActivityIndicator.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui/EditActions.h"
#include "ui/Flowsmith.h"
#include "ui/OperationModel.h"
#include "ui/OperationPropertyBrowser.h"
#include "ui/OperationTableView.h"
#include "ui/PointPickState.h"
#include "ui/PointSelectWidget.h"
#include "ui/PropertyPanelWidget.h"
#include "ui/RunOptionsWidget.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

class TestFlowsmith : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    RecordingInputBackend m_input;
    FakeHotkeyBackend m_hotkeys;  // grants every key; a test presses one by emitting its signal
    KeepAwake m_awake;            // the base asks the desktop for nothing
    RecordingPresenter m_presenter;

    // A flow file of `n` text operations t0, t1, ... with the given interval.
    QString makeFlowFile(int n, int interval = 0) {
        Flow flow;
        for (int i = 0; i < n; ++i) {
            auto* op = new TextInputOperation;
            op->setText(QStringLiteral("t%1").arg(i));
            op->setInterval(interval);
            flow.appendOperation(std::unique_ptr<Operation>(op));
        }
        const QString path = m_dir.filePath(QTest::currentTestFunction());
        flow.save(path);
        return path;
    }
    // Set up as the entry point does; closing discards changes unless a test says otherwise.
    std::unique_ptr<Flowsmith> open(const QString& path) {
        auto w = std::make_unique<Flowsmith>(path);
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
        w->setUp();
        w->show();
        return w;
    }
    static QString texts(const Flowsmith& w) {
        QStringList out;
        for (Operation* op : w.document()->flow()->operations())
            out << qobject_cast<TextInputOperation*>(op)->text();
        return out.join(' ');
    }
    static QString selection(const Flowsmith& w) {
        QStringList out;
        for (int row : w.editActions()->selectedRows()) out << QString::number(row);
        return out.join(' ');
    }
    static void select(Flowsmith& w, const QString& rows) {
        auto* table = w.findChild<OperationTableView*>();
        table->clearSelection();
        for (const QString& row : rows.split(' ', Qt::SkipEmptyParts))
            table->selectionModel()->select(
                w.operationModel()->index(row.toInt(), 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    static int rowsOnDisk(const QString& path) {
        Flow flow;
        return flow.load(path) ? flow.operationCount() : -1;
    }

private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        Platform::setInput(&m_input);
        Platform::setHotkeys(&m_hotkeys);
        Platform::setKeepAwake(&m_awake);
    }
    void cleanupTestCase() {
        Platform::setInput(nullptr);
        Platform::setHotkeys(nullptr);
        Platform::setKeepAwake(nullptr);
    }
    void init() {
        m_input.clear();
        // Run options a test set stay in the settings store: each test starts without.
        QSettings(AppConfig::instance().settingsLocation(), QSettings::NativeFormat).remove("Run");
        m_presenter.shown.clear();
    }

    void rowButtons_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("after");
        QTest::newRow("copy last") << 2 << int(ButtonDelegate::Copy) << "t0 t1 t2 t2";
        QTest::newRow("delete middle") << 1 << int(ButtonDelegate::Delete) << "t0 t2";
        QTest::newRow("delete past the end") << 7 << int(ButtonDelegate::Delete) << "t0 t1 t2";
    }
    void rowButtons() {
        QFETCH(int, row);
        QFETCH(int, type);
        QFETCH(QString, after);
        auto w = open(makeFlowFile(3));
        w->onRowButtonClicked(row, ButtonDelegate::BtnType(type));
        QCOMPARE(texts(*w), after);
        QCOMPARE(w->modified(), after != "t0 t1 t2");
        QCOMPARE(w->saveButton()->isEnabled(), w->modified());
        QCOMPARE(w->windowTitle().endsWith(" *"), w->modified());
        w->saveButton()->trigger();
        QVERIFY(!w->modified() && !w->saveButton()->isEnabled() && !w->windowTitle().endsWith("*"));
        QCOMPARE(rowsOnDisk(w->operationModel()->filePath()), after.count(' ') + 1);
    }

    // The keys of the table, pressed with the table's focus; in a property editor they
    // are the editor's and change nothing.
    void shortcuts_data() {
        for (const char* column : {"selected", "keys", "clipboard", "after", "selectedAfter"})
            QTest::addColumn<QString>(column);  // clipboard: set before the keys; empty: left alone
        const auto row = [](const char* name, const char* selected, const char* keys,
                            const char* clipboard, const char* after, const char* selectedAfter) {
            QTest::newRow(name) << QString(selected) << QString(keys) << QString(clipboard)
                                << QString(after) << QString(selectedAfter);
        };
        row("delete, undo", "1 2", "Del, Ctrl+Z", "", "t0 t1 t2 t3", "1 2");
        row("delete, undo, redo", "1 2", "Del, Ctrl+Z, Ctrl+Y", "", "t0 t3", "");
        row("select all, delete, undo, redo", "", "Ctrl+A, Del, Ctrl+Z, Ctrl+Shift+Z", "", "", "");
        row("duplicate", "0 2", "Ctrl+D", "", "t0 t1 t2 t0 t2 t3", "3 4");
        row("cut, paste at the end", "0", "Ctrl+X, Ctrl+V", "", "t1 t2 t3 t0", "3");
        row("paste text", "3", "Ctrl+V", R"([{"type": "text_input", "interval": 0, "text": "x"}])",
            "t0 t1 t2 t3 x", "4");
        row("paste prose", "3", "Ctrl+V", "hello", "t0 t1 t2 t3", "3");
        row("move up", "2", "Alt+Up", "", "t0 t2 t1 t3", "1");
        row("move down, together", "0 2", "Alt+Down", "", "t1 t3 t0 t2", "2 3");
        row("in an editor", "1", "Del, Ctrl+Z, Ctrl+S", "editor", "t0 t1 t2 t3", "1");
    }
    void shortcuts() {
        QFETCH(QString, selected);
        QFETCH(QString, clipboard);
        auto w = open(makeFlowFile(4));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        select(*w, selected);
        QWidget* target = w->findChild<OperationTableView*>();
        if (clipboard == "editor") {  // an edit first, so an undo would show
            w->document()->setValues(w->document()->flow()->operationAt(1), {{"interval", 7}}, "x");
            AutoPropertyBrowser* browser = w->propertyPanel()->propertyBrowser();
            QVERIFY(browser->treeBrowser()->editProperty(browser->rowForProperty("interval")));
            target = browser->treeBrowser()->currentEditor()->findChild<QLineEdit*>();
        } else if (!clipboard.isEmpty()) {
            QApplication::clipboard()->setText(clipboard);
        }
        target->setFocus();
        QTRY_VERIFY(target->hasFocus());
        const int steps = w->document()->undoStack()->index();
        QFETCH(QString, keys);
        QTest::keySequence(target, QKeySequence(keys));
        QTEST(texts(*w), "after");
        QTEST(selection(*w), "selectedAfter");
        if (clipboard == "hello")
            QVERIFY(w->statusBar()->currentMessage().startsWith(QStringLiteral("无法粘贴")));
        if (clipboard == "editor")
            QVERIFY(w->document()->undoStack()->index() == steps && w->modified());
    }

    void closeQuestion_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("rowsOnDisk");  // -1: a path that cannot be read or written
        const int save = QMessageBox::Save;
        QTest::newRow("unchanged: no question") << false << -1 << true << 2;
        QTest::newRow("cancel keeps the window") << true << int(QMessageBox::Cancel) << false << 2;
        QTest::newRow("discard writes nothing") << true << int(QMessageBox::Discard) << true << 2;
        QTest::newRow("save writes and closes") << true << save << true << 3;
        QTest::newRow("failed save keeps the window") << true << save << false << -1;
    }
    void closeQuestion() {
        QFETCH(bool, change);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(int, rowsOnDisk);
        const QString path = rowsOnDisk < 0 ? m_dir.filePath("missing/x.flow") : makeFlowFile(2);
        auto w = open(path);
        if (change) w->document()->insertOperation(0, std::make_unique<TextInputOperation>());
        int asked = 0;
        w->setSaveQuestion([&](QWidget*) { return ++asked, QMessageBox::StandardButton(answer); });
        QCOMPARE(w->close(), closes);
        QCOMPARE(asked, change ? 1 : 0);
        QVERIFY(closes ? !w->isVisible() : w->isVisible() && w->modified());
        QCOMPARE(this->rowsOnDisk(path), rowsOnDisk);
        w->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
        // A path with no file yet opens without a word; the failed save is reported.
        if (rowsOnDisk < 0) QVERIFY(m_presenter.shown.value(0).contains("|无法写入文件"));
    }

    // A file read only in part is reported and never overwritten without a yes, nor is one
    // another designer saved meanwhile; a path with no file yet is a new flow.
    void fileGuard_data() {
        QTest::addColumn<QByteArray>("content");  // null: no file
        QTest::addColumn<QString>("told");        // in the message on opening
        QTest::addColumn<QString>("asked");       // in the question on saving
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("rowsOnDisk");  // after two saves; -1: the file as it was
        FlowBytes three;                      // the second of three records has an unknown type
        three.header("", "", "", "", "", 3).str("text_input").ints({1}).str("a");
        three.str("text_unknown").ints({1}).str("b").str("text_input").ints({1}).str("c");
        const QByteArray valid = FlowBytes().header("", "", "", "", "", 0).bytes();
        const QString partly = "没有被完整读取", changed = "已被其他程序修改";
        QTest::newRow("no file yet") << QByteArray() << ""
                                     << "" << false << 2;
        QTest::newRow("JSON, no") << QByteArray("{\"a\": 1}") << "文件头是 7B226122" << partly
                                  << false << -1;
        QTest::newRow("unknown type, yes")
            << three.bytes() << "已读取 3 个操作中的 1 个" << partly << true << 3;
        QTest::newRow("changed, no") << valid << "" << changed << false << -1;
        QTest::newRow("changed, yes") << valid << "" << changed << true << 2;
    }
    void fileGuard() {
        QFETCH(QByteArray, content);
        QFETCH(QString, told);
        QFETCH(QString, asked);
        QFETCH(bool, yes);
        QFETCH(int, rowsOnDisk);
        const QString path = m_dir.filePath("guarded.flow");
        QFile::remove(path);
        if (!content.isNull()) QVERIFY(FlowBytes::writeFile(path, content));
        auto w = open(path);
        QCOMPARE(m_presenter.shown.size(), told.isEmpty() ? 0 : 1);
        QVERIFY(told.isEmpty() || (m_presenter.shown[0].contains("|无法完整读取文件 " + path) &&
                                   m_presenter.shown[0].contains(told)));
        if (asked.contains("修改")) {  // another designer saves a row first
            auto other = open(path);
            other->document()->insertOperation(0, std::make_unique<TextInputOperation>());
            other->saveButton()->trigger();
        }
        const QByteArray before = FlowBytes::readFile(path);
        QStringList questions;
        w->fileGuard().setQuestion([&](QWidget*, const QString& text) {
            questions << text;
            return yes;
        });
        for (int i = 0; i < 2; ++i) {  // once the designer has written it, no more questions
            w->document()->insertOperation(0, std::make_unique<TextInputOperation>());
            w->saveButton()->trigger();
        }
        QCOMPARE(questions.size(), asked.isEmpty() ? 0 : yes ? 1 : 2);
        QVERIFY(questions.isEmpty() || questions[0].contains(asked));
        QCOMPARE(w->modified(), rowsOnDisk < 0);
        if (rowsOnDisk < 0) QCOMPARE(FlowBytes::readFile(path), before);
        if (rowsOnDisk >= 0) QCOMPARE(this->rowsOnDisk(path), rowsOnDisk);
    }

    void docks() {
        auto w = open(makeFlowFile(2));
        QDockWidget* properties = w->propertyDockWidget();
        auto trigger = [&](const char* name) { w->findChild<QAction*>(name)->trigger(); };
        // The selected row's operation is shown; basic information shows the flow, and the
        // property dock whatever its state; an edit there is a change of the flow.
        AutoPropertyBrowser* browser = w->propertyPanel()->propertyBrowser();
        w->findChild<OperationTableView*>()->selectRow(1);
        QCOMPARE(browser->object(), w->operationModel()->operationAt(1));
        trigger("propertyWindowAction");
        QVERIFY(!properties->isVisible());
        trigger("flowInfoAction");
        trigger("flowInfoAction");
        QVERIFY(properties->isVisible() && browser->object() == w->operationModel()->flow());
        browser->propertyManager()->setValue(browser->rowForProperty("description"), "x");
        QVERIFY(w->modified());
    }

    // F8 taken by another program: the user is told where they look, the ribbon still
    // runs the flow with the run options, and a button above every window stops it.
    void runWhenF8IsNotOurs() {
        UnavailableHotkeyBackend taken(QStringLiteral("taken by another program"));
        Platform::setHotkeys(&taken);
        auto w = open(makeFlowFile(3, 10));
        QVERIFY(!w->runHotkey()->isRegistered());
        auto* notice = w->statusBar()->findChild<QLabel*>("runKeyNotice");
        QVERIFY(notice && notice->isVisible() && notice->text().contains("F8"));
        QVERIFY(w->runAction()->toolTip().endsWith(notice->text()));
        w->runOptions()->setOptions(RunOptions{2, 1.0, 2});
        QElapsedTimer clock;
        clock.start();
        w->runAction()->trigger();
        QVERIFY(!w->isVisible() && w->running());
        QVERIFY(w->indicator()->isVisible() && w->indicator()->hintText().contains("F8 已被"));
        QTRY_VERIFY_WITH_TIMEOUT(w->isVisible(), 3000);
        // The window waits half a second after the last operation before coming back.
        QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w->running() && !w->indicator()->isVisible() && !w->modified());
        QCOMPARE(m_input.records().size(), 16);  // t1 t2 t1 t2: two characters, down and up

        QVERIFY(w->document()->flow()->setOperationValue(1, "interval", 5000));
        w->runAction()->trigger();
        QTest::mouseClick(w->indicator(), Qt::LeftButton);
        QVERIFY(w->isVisible() && !w->running() && !w->indicator()->isVisible());
        // Once the other program lets go of F8, the next run takes it.
        Platform::setHotkeys(&m_hotkeys);
        w->runAction()->trigger();
        QVERIFY(w->runHotkey()->isRegistered() && w->indicator()->hintText().startsWith("按 F8"));
        QVERIFY(!notice->isVisible() && !w->runAction()->toolTip().contains("F8 已被"));
        emit w->runHotkey()->activated();
        QVERIFY(w->isVisible() && !w->running());
    }

    // F8 stops a run at once. Nothing can edit the flow during a run: a floating dock goes
    // and comes back with the window, and a point pick in progress ends without a point.
    void f8StopsTheRunAtOnce() {
        FakeButtonWatch watch;
        Platform::setButtonWatch(&watch);
        auto w = open(makeFlowFile(2, 5000));
        QDockWidget* dock = w->propertyDockWidget();
        dock->setFloating(true);
        PointSelectWidget picker;
        QVERIFY(PointPickState::instance().start(&picker));
        emit w->runHotkey()->activated();
        QVERIFY(!PointPickState::instance().isPicking() && !watch.installed);
        QVERIFY(w->running() && !w->isVisible() && !dock->isVisible());
        QElapsedTimer clock;
        clock.start();
        emit w->runHotkey()->activated();
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(w->isVisible() && dock->isVisible() && dock->isFloating());
        QVERIFY(!w->running() && !AppConfig::instance().running.load());
        Platform::setButtonWatch(nullptr);
    }

    // What is recorded goes in after the last selected row and becomes the selection; F8
    // meanwhile does not start a run.
    void recordingLandsAfterTheSelection() {
        FedRecorder recorder;
        Platform::setInputRecorder(&recorder);
        auto w = open(makeFlowFile(3));
        select(*w, "0 1");
        w->recordAction()->trigger();
        QVERIFY(w->recording() && !w->isVisible() && w->indicator()->isVisible());
        emit w->runHotkey()->activated();
        QVERIFY(!w->running());
        recorder.feed("+a -a @1500 +b -b w");
        QTest::mouseClick(w->indicator(), Qt::LeftButton);
        Platform::setInputRecorder(nullptr);
        QVERIFY(!w->recording() && w->isVisible() && !w->indicator()->isVisible());
        QCOMPARE(texts(*w), QStringLiteral("t0 t1 a b t2"));
        QCOMPARE(selection(*w), QStringLiteral("2 3"));
        QVERIFY(w->statusBar()->currentMessage().contains("滚轮 1 格"));
    }

    // Closing during a run stops it before the question, so no input goes on behind
    // it; the window never outlives a run thread.
    void closingDuringARunStopsItFirst() {
        auto w = open(makeFlowFile(1, 5000));
        w->document()->insertOperation(0, std::make_unique<TextInputOperation>());
        w->onBtnRunClicked();
        bool runningWhenAsked = true;
        w->setSaveQuestion([&](QWidget*) {
            runningWhenAsked = AppConfig::instance().running.load();
            return QMessageBox::Cancel;
        });
        QVERIFY(!w->close() && !runningWhenAsked && w->isVisible() && !w->running());
        w->onBtnRunClicked();
        QElapsedTimer clock;
        clock.start();
        w.reset();
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(!AppConfig::instance().running.load());
    }

    // A run or a recording that cannot start leaves the window as it was and says why.
    void cannotStart_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("told");
        QTest::newRow("no desktop") << "input"
                                    << "there is no X11 display";
        QTest::newRow("no thread") << "thread"
                                   << "无法开始回放";
        QTest::newRow("no recorder") << "recorder"
                                     << "Wayland";
    }
    void cannotStart() {
        QFETCH(QString, cause);
        QFETCH(QString, told);
        UnavailableInputBackend none(QStringLiteral("there is no X11 display"));
        UnavailableInputRecorder wayland(QStringLiteral("Wayland 不让程序看到其他程序的输入"));
        if (cause == "input") Platform::setInput(&none);
        Platform::setInputRecorder(&wayland);
        auto w = open(makeFlowFile(1));
        w->runner().setThreadStarter([](std::function<void()>) -> std::thread {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        });
        QString shown;
        w->setNotice([&](QWidget*, const QString& text) { shown = text; });
        if (cause == "recorder") emit w->recordHotkey()->activated();
        if (cause != "recorder") w->onBtnRunClicked();
        Platform::setInput(&m_input);
        Platform::setInputRecorder(nullptr);
        QVERIFY(w->isVisible() && !w->running() && !w->recording());
        QVERIFY(!AppConfig::instance().running.load());
        QVERIFY2(shown.contains(told), qPrintable(shown));
    }
};

QTEST_MAIN(TestFlowsmith)
#include "tst_flowsmith.moc"
