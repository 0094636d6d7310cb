// The designer window: its states, keys, close question (answered without a modal box),
// runs and recordings; its operation table with the drops that add and move rows and the
// row buttons; its property panel and the point pick of its editors.
#include <QtTest>
#include <QtWidgets>

#include "core/AppConfig.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/OperationFactory.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"
#include "platform/UnavailableHotkeyBackend.h"
#include "support/FakeButtonWatch.h"
#include "support/FakeHotkeyBackend.h"
#include "support/FedRecorder.h"
#include "support/FlowBytes.h"
#include "support/LetterTable.h"  // with the flow, its document and table model
#include "support/RecordingInputBackend.h"
#include "support/RecordingPresenter.h"
#include "ui/ActivityIndicator.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui/ButtonDelegate.h"
#include "ui/EditActions.h"
#include "ui/Flowsmith.h"
#include "ui/GlobalMouseWidget.h"
#include "ui/KeyInputWidget.h"
#include "ui/OperationPropertyBrowser.h"
#include "ui/OperationTableView.h"
#include "ui/OperationTreeWidget.h"
#include "ui/PointPickState.h"
#include "ui/PointSelectWidget.h"
#include "ui/PropertyPanelWidget.h"
#include "ui/RunOptionsWidget.h"
#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

struct EditCase {
    QString kind, property;
    int sub;  // -1: the row itself
    QVariant value, expected;
    QString text;  // the row's text afterwards
};
Q_DECLARE_METATYPE(EditCase)

namespace {
QObject* make(const QString& kind) {
    if (kind == "key") return new KeyboardOperation;
    if (kind == "click") return new MouseClickOperation;
    return new Flow;
}
QList<GlobalMouseWidget*> overlays() {
    QList<GlobalMouseWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* o = qobject_cast<GlobalMouseWidget*>(w)) found << o;
    return found;
}
struct PickerWindow {
    QMainWindow window;
    QPointer<PointSelectWidget> first = new PointSelectWidget(&window);
    QPointer<PointSelectWidget> second = new PointSelectWidget(&window);
};
const QRect kCell(200, 72, 100, 36);

// There is no real drag on the offscreen platform, and Qt routes drag events only to
// the target that accepted the enter: this view takes them directly and stands in for
// the drag's source.
class ProbeView : public OperationTableView {
public:
    void deliver(QEvent* event) { viewportEvent(event); }
    const QObject* fakeSource = this;

protected:
    const QObject* dragSourceOf(const QDropEvent*) const override { return fakeSource; }
};

// The operations "ABCD" in a shown table with its row buttons.
struct ShownTable : LetterTable {
    ProbeView view;
    ButtonDelegate* delegate = new ButtonDelegate(&view);
    ShownTable() : LetterTable("ABCD") {
        view.setModel(&model);
        view.setItemDelegateForColumn(3, delegate);
        view.resize(520, 320);
        view.move(300, 300);  // away from the pointer's corner
        view.show();
    }
};
}  // namespace

struct MouseCase {
    QEvent::Type type;
    Qt::MouseButton button;
    QPoint pos;
    int hovered;  // the button under the pointer afterwards, -1: none
    int clicked;  // the button reported clicked, -1: none
};
Q_DECLARE_METATYPE(MouseCase)

class TestFlowsmith : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    RecordingInputBackend m_input;
    FakeHotkeyBackend m_hotkeys;  // grants every key; a test presses one by emitting its signal
    KeepAwake m_awake;            // the base asks the desktop for nothing
    RecordingPresenter m_presenter;
    FakeButtonWatch m_watch;
    QStringList m_told;   // title, text of what a point pick told the user
    QMimeData m_addMime;  // a new key operation dragged from the palette

    // Text operations t0, t1, ...
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
        m_addMime.setData(OperationModel::addOperationMimeType,
                          OperationModel::addOperationPayload("key_input", "x"));
        Platform::setInput(&m_input);
        Platform::setHotkeys(&m_hotkeys);
        Platform::setKeepAwake(&m_awake);
        Platform::setButtonWatch(&m_watch);
        PointPickState::instance().setNotifier(
            [this](const QString& title, const QString& text) { m_told << title << text; });
    }
    void cleanupTestCase() {
        Platform::setInput(nullptr);
        Platform::setHotkeys(nullptr);
        Platform::setKeepAwake(nullptr);
        Platform::setButtonWatch(nullptr);
    }
    void init() {
        m_input.clear();
        // Run options a test set stay in the settings store: each test starts without.
        QSettings(AppConfig::instance().settingsLocation(), QSettings::NativeFormat).remove("Run");
        m_presenter.shown.clear();
        m_watch.installs = m_watch.removes = 0;
        m_watch.failure.clear();
        m_told.clear();
    }
    // No pick, overlay or grabbed key outlives a test.
    void cleanup() {
        QVERIFY(!PointPickState::instance().isPicking() && !m_watch.installed);
        QTRY_VERIFY(overlays().isEmpty());
        QTRY_VERIFY(m_hotkeys.held.isEmpty());
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
        const bool changed = after != "t0 t1 t2";
        QVERIFY(w->modified() == changed && w->saveButton()->isEnabled() == changed);
        QCOMPARE(w->windowTitle().endsWith(" *"), changed);
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
        if (clipboard == "editor") {  // the selected row's, edited there first: a change to undo
            AutoPropertyBrowser* browser = w->propertyPanel()->propertyBrowser();
            browser->propertyManager()->setValue(browser->rowForProperty("interval"), 7);
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

    // Closing during a run stops it before the question, so no input goes on behind it.
    void closeQuestion_data() {
        QTest::addColumn<bool>("change");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("rowsOnDisk");  // -1: a path that cannot be read or written
        const int save = QMessageBox::Save, cancel = QMessageBox::Cancel,
                  discard = QMessageBox::Discard;
        QTest::newRow("unchanged: no question") << false << false << -1 << true << 2;
        QTest::newRow("cancel keeps the window") << true << false << cancel << false << 2;
        QTest::newRow("cancel during a run") << true << true << cancel << false << 2;
        QTest::newRow("discard writes nothing") << true << false << discard << true << 2;
        QTest::newRow("save writes and closes") << true << false << save << true << 3;
        QTest::newRow("failed save keeps the window") << true << false << save << false << -1;
    }
    void closeQuestion() {
        QFETCH(bool, change);
        QFETCH(bool, running);
        QFETCH(int, answer);
        QFETCH(bool, closes);
        QFETCH(int, rowsOnDisk);
        const QString path =
            rowsOnDisk < 0 ? m_dir.filePath("missing/x.flow") : makeFlowFile(2, 5000);
        auto w = open(path);
        if (change) w->document()->insertOperation(0, std::make_unique<TextInputOperation>());
        if (running) w->onBtnRunClicked();
        int asked = 0;
        bool runningWhenAsked = false;
        w->setSaveQuestion([&](QWidget*) {
            runningWhenAsked = AppConfig::instance().running.load();
            return ++asked, QMessageBox::StandardButton(answer);
        });
        QCOMPARE(w->close(), closes);
        QCOMPARE(asked, change ? 1 : 0);
        QVERIFY(!runningWhenAsked && !w->running());
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
        QTest::newRow("no file yet") << QByteArray() << QString() << QString() << false << 2;
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

    // With F8 taken the user is told where they look, the ribbon still runs the flow, and
    // the window is back half a second after the last operation or at a click on the
    // indicator. Once F8 is free a run takes it and F8 stops at once. A run ends a point
    // pick and hides a floating dock; the window never outlives a run thread.
    void run() {
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
        QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!w->running() && !w->indicator()->isVisible() && !w->modified());
        QCOMPARE(m_input.records().size(), 16);  // t1 t2 t1 t2: two characters, down and up

        QVERIFY(w->document()->flow()->setOperationValue(1, "interval", 5000));
        w->runAction()->trigger();
        QTest::mouseClick(w->indicator(), Qt::LeftButton);
        QVERIFY(w->isVisible() && !w->running() && !w->indicator()->isVisible());

        Platform::setHotkeys(&m_hotkeys);
        QDockWidget* dock = w->propertyDockWidget();
        dock->setFloating(true);
        PointSelectWidget picker;
        QVERIFY(PointPickState::instance().start(&picker));
        w->runAction()->trigger();
        QVERIFY(w->runHotkey()->isRegistered() && w->indicator()->hintText().startsWith("按 F8"));
        QVERIFY(!notice->isVisible() && !w->runAction()->toolTip().contains("F8 已被"));
        QVERIFY(!PointPickState::instance().isPicking() && !m_watch.installed);
        QVERIFY(w->running() && !w->isVisible() && !dock->isVisible());
        clock.restart();
        emit w->runHotkey()->activated();
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(w->isVisible() && dock->isVisible() && dock->isFloating());
        QVERIFY(!w->running() && !AppConfig::instance().running.load());

        w->runAction()->trigger();
        clock.restart();
        w.reset();
        QVERIFY(clock.elapsed() < 300 && !AppConfig::instance().running.load());
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
        QCOMPARE(texts(*w) + '|' + selection(*w), QStringLiteral("t0 t1 a b t2|2 3"));
        QVERIFY(w->statusBar()->currentMessage().contains("滚轮 1 格"));
    }

    void editsWriteTheObject_data() {
        QTest::addColumn<EditCase>("c");
        const auto all = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
        QTest::newRow("tick win") << EditCase{
            "key", "modifiers", 3, true, QVariant::fromValue(all), "Ctrl|Alt|Win"};
        QTest::newRow("combo") << EditCase{"click", "clickButton", -1, 2, 2, "中键"};
        QTest::newRow("point x") << EditCase{"click", "position", 0, -5, QPoint(-5, 0), "-5, 0"};
    }
    void editsWriteTheObject() {
        QFETCH(EditCase, c);
        QScopedPointer<QObject> object(make(c.kind));
        object->setProperty("modifiers",
                            QVariant::fromValue(Qt::ControlModifier | Qt::AltModifier));
        AutoPropertyBrowser browser;
        browser.setObject(object.data());
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        Property* row = browser.rowForProperty(c.property);
        browser.propertyManager()->setValue(c.sub < 0 ? row : row->subProperties().at(c.sub),
                                            c.value);
        QCOMPARE(object->property(qPrintable(c.property)), c.expected);
        QCOMPARE(row->valueText(), c.text);
        QCOMPARE(edits.count(), 1);
    }

    // Showing writes nothing; the same object again keeps its rows as they were; a
    // destroyed object is never written.
    void showingObjects() {
        KeyboardOperation key;
        key.setModifiers(Qt::ControlModifier);
        auto* click = new MouseClickOperation;
        click->setPosition({3, 4});
        AutoPropertyBrowser browser;
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        for (QObject* o : QList<QObject*>{&key, click, &key, click}) browser.setObject(o);
        QCOMPARE(key.modifiers(), Qt::ControlModifier);
        QCOMPARE(click->position(), QPoint(3, 4));
        Property* position = browser.rowForProperty("position");
        browser.setObject(click);
        QCOMPARE(browser.rowForProperty("position"), position);
        delete click;
        browser.propertyManager()->setValue(browser.rowForProperty("interval"), 10);
        QCOMPARE(edits.count(), 0);
    }

    void editorPerRow_data() {
        for (const char* column : {"kind", "property", "editor"})
            QTest::addColumn<QString>(column);  // editor: its class, empty: none
        const auto row = [](const char* kind, const char* property, const char* editor) {
            QTest::newRow(property) << QString(kind) << QString(property) << QString(editor);
        };
        row("key", "key", "KeyInputWidget");
        row("click", "position", "PointSelectWidget");
        row("click", "clickButton", "QComboBox");  // its label contains "按键", is not it
        row("flow", "name", "");                   // read-only
    }
    void editorPerRow() {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        QFETCH(QString, editor);
        QScopedPointer<QObject> op(make(kind));
        AutoPropertyBrowser browser;
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        browser.setObject(op.data());
        QCOMPARE(browser.treeBrowser()->editProperty(browser.rowForProperty(property)),
                 !editor.isEmpty());
        QWidget* opened = browser.treeBrowser()->currentEditor();
        QCOMPARE(QString(opened ? opened->metaObject()->className() : ""), editor);
        if (property != "key") return;
        // Keys that would end another edit are captured, and with the modifiers held
        // written into the operation as one edit.
        int handed = 0;
        browser.setEditHandler([&](QObject* object, const QVariantMap& values, const QString&) {
            ++handed;
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                object->setProperty(qPrintable(it.key()), it.value());
        });
        QTest::keyClick(opened, Qt::Key_Escape, Qt::ControlModifier);
        QCOMPARE(handed, 1);
        QCOMPARE(op->property("key").toString(), QString("Esc"));
        QCOMPARE(op->property("modifiers").value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
        QCOMPARE(browser.treeBrowser()->currentEditor(), opened);
    }

    // Keys are captured, never shortcuts of the window or focus moves; a modifier is no key.
    void keyCapture_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("name");  // empty: ignored
        QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << "";
        QTest::newRow("ctrl+alt+f5, a shortcut")
            << int(Qt::Key_F5) << int(Qt::ControlModifier | Qt::AltModifier) << "F5";
        QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "Tab";
    }
    void keyCapture() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, name);
        QWidget window;
        auto* keys = new KeyInputWidget(&window);
        new QLineEdit(&window);  // somewhere Tab could go
        auto* shortcut = new QAction(&window);
        shortcut->setShortcut(QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_F5));
        window.addAction(shortcut);
        QSignalSpy triggered(shortcut, &QAction::triggered);
        window.show();
        keys->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        keys->setText("old");
        QSignalSpy captured(keys, &KeyInputWidget::valueChanged);
        QTest::keyClick(keys, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(keys->text(), name.isEmpty() ? QString("old") : name);
        QCOMPARE(captured.count(), name.isEmpty() ? 0 : 1);
        QVERIFY(triggered.isEmpty() && keys->hasFocus());
    }

    // A drop of a row onto another puts it in that row's place; of a new operation, before it.
    void modelDrops_data() {
        QTest::addColumn<int>("from");  // -1: a new key operation ("?")
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::addColumn<QString>("expected");
        QTest::newRow("A onto C") << 0 << 2 << -1 << "BACD";
        QTest::newRow("C onto A") << 2 << 0 << -1 << "CABD";
        QTest::newRow("B onto the row below") << 1 << 2 << -1 << "ABCD";
        QTest::newRow("parent row wins") << 0 << 1 << 3 << "BCAD";
        QTest::newRow("no row: append") << 1 << -1 << -1 << "ACDB";
        QTest::newRow("source past the end") << 4 << 0 << -1 << "ABCD";
        QTest::newRow("target past the end") << 0 << 9 << -1 << "ABCD";
        QTest::newRow("new onto row 1") << -1 << -1 << 1 << "A?BCD";
        QTest::newRow("new past the end") << -1 << 5 << -1 << "ABCD";
    }
    void modelDrops() {
        QFETCH(int, from);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        LetterTable t("ABCD");
        QSignalSpy changed(&t.model, &OperationModel::sigDataChanged);
        QMimeData move;
        move.setData(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(from));
        const QModelIndex parent = parentRow >= 0 ? t.model.index(parentRow, 0) : QModelIndex();
        QVERIFY(t.model.dropMimeData(from < 0 ? &m_addMime : &move,
                                     from < 0 ? Qt::CopyAction : Qt::MoveAction, row, 0, parent));
        QTEST(t.order(), "expected");
        QCOMPARE(changed.count(), t.order() == "ABCD" ? 0 : 1);
    }

    // A type of the palette drags the add-operation payload; a category drags nothing.
    void paletteDrag() {
        OperationTreeWidget tree;
        tree.populate(OperationFactory::instance()->prototypes());
        const auto item = [&](const QString& text) {
            return tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
        };
        QScopedPointer<QMimeData> type(OperationTreeWidget::dragMimeData(item("输入按键")));
        QCOMPARE(type->data(OperationModel::addOperationMimeType),
                 OperationModel::addOperationPayload("key_input", "输入按键"));
        QVERIFY(!OperationTreeWidget::dragMimeData(item("鼠标")));
    }

    void viewDrops_data() {
        QTest::addColumn<QString>("source");  // the dragging widget
        QTest::addColumn<int>("movedRow");    // -1: a new operation
        QTest::addColumn<int>("pointerRow");  // -1: below the rows
        QTest::addColumn<QString>("expected");
        QTest::newRow("from the palette onto row 2") << "tree" << -1 << 2 << "AB?CD";
        QTest::newRow("A below the rows") << "table" << 0 << -1 << "BCDA";
        // Refused: the table takes drags only from itself and the palette.
        QTest::newRow("from a list widget") << "list" << -1 << 2 << "ABCD";
        QTest::newRow("from another program") << "" << -1 << 2 << "ABCD";
    }
    void viewDrops() {
        QFETCH(QString, source);
        QFETCH(int, movedRow);
        QFETCH(int, pointerRow);
        QFETCH(QString, expected);
        ShownTable t;
        QVERIFY(QTest::qWaitForWindowExposed(&t.view));
        QTreeWidget tree;
        QListWidget list;
        t.view.fakeSource =
            QMap<QString, QObject*>{{"table", &t.view}, {"tree", &tree}, {"list", &list}}.value(
                source);
        QMimeData move;
        move.setData(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(movedRow));
        QMimeData* mime = movedRow < 0 ? &m_addMime : &move;
        const QPoint pos = pointerRow >= 0
                               ? t.view.visualRect(t.model.index(pointerRow, 2)).center()
                               : QPoint(100, t.view.visualRect(t.model.index(3, 0)).bottom() + 25);
        const Qt::DropAction action = movedRow < 0 ? Qt::CopyAction : Qt::MoveAction;
        QDragEnterEvent enter(pos, action, mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        t.view.deliver(&enter);
        QCOMPARE(enter.isAccepted(), expected != "ABCD");
        QCOMPARE(t.view.isDragging(), enter.isAccepted());
        if (!enter.isAccepted()) return;  // Qt sends the rest only after an accepted enter
        QDragMoveEvent over(pos, action, mime, Qt::LeftButton, Qt::NoModifier);
        t.view.deliver(&over);  // with its indicator hidden, Qt takes it as over the viewport
        QDropEvent drop(pos, action, mime, Qt::NoButton, Qt::NoModifier);
        drop.setAccepted(false);
        t.view.deliver(&drop);
        QVERIFY(drop.isAccepted() && drop.dropAction() == action && !t.view.isDragging());
        QCOMPARE(t.order(), expected);
    }

    void selectionAnnouncesTheOperation() {
        ShownTable t;
        QVERIFY(QTest::qWaitForWindowExposed(&t.view));
        QSignalSpy announced(&t.view, &OperationTableView::operationSelected);
        t.view.selectRow(1);
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced[0][0].value<Operation*>(), t.model.operationAt(1));
        // Deleting the selected row leaves no selection rather than a neighbour's, nor a
        // current row that the next Space would select.
        t.view.selectRow(2);
        t.document.removeOperations({2});
        QCOMPARE(announced.last()[0].value<Operation*>(), static_cast<Operation*>(nullptr));
        QTest::keyClick(&t.view, Qt::Key_Space);
        QVERIFY(!t.view.selectionModel()->hasSelection());
    }

    void buttonMouse_data() {
        QTest::addColumn<MouseCase>("c");
        const QRect copy = ButtonDelegate::copyButtonRect(kCell);
        const QRect del = ButtonDelegate::deleteButtonRect(kCell);
        const auto move = QEvent::MouseMove, release = QEvent::MouseButtonRelease;
        const auto none = Qt::NoButton, left = Qt::LeftButton;
        QTest::newRow("over copy's corner") << MouseCase{move, none, copy.topLeft(), 0, -1};
        QTest::newRow("over delete's corner") << MouseCase{move, none, del.bottomRight(), 1, -1};
        QTest::newRow("between") << MouseCase{move, none, kCell.center(), -1, -1};
        QTest::newRow("left release") << MouseCase{release, left, del.center(), -1, 1};
        QTest::newRow("right release") << MouseCase{release, Qt::RightButton, del.center(), -1, -1};
    }
    void buttonMouse() {
        QFETCH(MouseCase, c);
        ShownTable t;
        QVERIFY(QTest::qWaitForWindowExposed(&t.view));
        QSignalSpy clicked(t.delegate, &ButtonDelegate::iconClicked);
        QMouseEvent event(c.type, c.pos, c.pos, c.pos, c.button, Qt::NoButton, Qt::NoModifier);
        QStyleOptionViewItem option;
        option.rect = kCell;
        QCOMPARE(t.delegate->editorEvent(&event, &t.model, option, t.model.index(2, 3)),
                 c.hovered >= 0 || c.clicked >= 0);
        QCOMPARE(t.delegate->hoverRow(), c.hovered < 0 ? -1 : 2);
        if (c.hovered >= 0) QCOMPARE(int(t.delegate->hoverButton()), c.hovered);
        QCOMPARE(clicked.count(), c.clicked < 0 ? 0 : 1);
        QVERIFY(c.clicked < 0 || (clicked[0][0].toInt() == 2 &&
                                  clicked[0][1].value<ButtonDelegate::BtnType>() == c.clicked));
    }

    // A left or right press ends the one pick of the process, which the last picker clicked
    // took over; Escape, grabbed meanwhile, and the picker's end end it without a point.
    void pointPick_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("left press") << "left";
        QTest::newRow("right press") << "right";
        QTest::newRow("picker destroyed") << "destroyed";
        QTest::newRow("Escape pressed") << "escape";
        QTest::newRow("no watch") << "no X11 display";
    }
    void pointPick() {
        QFETCH(QString, end);
        PickerWindow w;
        w.window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QSignalSpy firstChanged(w.first.data(), &PointSelectWidget::valueChanged);
        QSignalSpy changed(w.second.data(), &PointSelectWidget::valueChanged);
        if (end.contains(' ')) m_watch.failure = end;  // the watch cannot be installed
        QTest::mouseClick(w.first->findChild<QPushButton*>(), Qt::LeftButton);
        if (!m_watch.failure.isEmpty()) {
            QVERIFY(w.window.isVisible() && m_told.value(1).contains(end));
            return;
        }
        QVERIFY(!w.window.isVisible() && m_told.isEmpty());
        QTest::mouseClick(w.second->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(w.second->findChild<QPushButton*>(), Qt::LeftButton);
        QCOMPARE(m_watch.installs, 1);
        QCOMPARE(overlays(), QList<GlobalMouseWidget*>{w.second->overlay()});
        QCOMPARE(m_hotkeys.held.size(), 1);
        QCOMPARE(m_hotkeys.held.first()->shortcut(), QKeySequence(Qt::Key_Escape));
        m_watch.press(Qt::MiddleButton, {1, 1});  // other buttons do not end it
        QVERIFY(PointPickState::instance().isPicking());
        if (end == "escape")
            emit m_hotkeys.held.first()->activated();
        else if (end == "destroyed")
            delete w.second;
        else
            m_watch.press(end == "left" ? Qt::LeftButton : Qt::RightButton, {321, 123});
        QVERIFY(w.window.isVisible() && !(w.window.windowState() & Qt::WindowMaximized));
        QCOMPARE(firstChanged.count(), 0);
        const bool pressed = end == "left" || end == "right";
        QCOMPARE(changed.count(), pressed ? 1 : 0);
        QVERIFY(!pressed || (changed[0][0].toPoint() == QPoint(321, 123) &&
                             w.second->findChild<QLineEdit*>()->text() == "321, 123"));
        QCOMPARE(m_watch.removes, 1);
    }

    // The label shows device pixels and sits 30 device pixels right of and below the pointer.
    void overlayPlacement_data() {
        QTest::addColumn<QPoint>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPoint>("shown");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("halves round up") << QPoint(1, -1) << 1.5 << QPoint(2, -1) << QPoint(21, 19);
        QTest::newRow("truncated towards zero")
            << QPoint(-100, 100) << 1.75 << QPoint(-175, 175) << QPoint(-82, 117);
    }
    void overlayPlacement() {
        QFETCH(QPoint, logical);
        QFETCH(qreal, ratio);
        const GlobalMouseWidget::Placement p = GlobalMouseWidget::placementFor(logical, ratio);
        QTEST(p.position, "shown");
        QTEST(p.topLeft, "topLeft");
    }
};

QTEST_MAIN(TestFlowsmith)
#include "tst_flowsmith.moc"
