#include "ui/Flowsmith.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QStatusBar>
#include <QThread>

#include "core/AppLog.h"
#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/Operation.h"
#include "model/RecordingSession.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputBackend.h"
#include "platform/InputRecorder.h"
#include "platform/Platform.h"
#include "ui/ActivityIndicator.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui/EditActions.h"
#include "ui/OperationModel.h"
#include "ui/OperationPanelWidget.h"
#include "ui/OperationTableView.h"
#include "ui/PointPickState.h"
#include "ui/PropertyPanelWidget.h"
#include "ui/RunOptionsWidget.h"
#include "ui/UiResources.h"
#include "ui_Flowsmith.h"
#include "widgets/ribbon/RibbonBar.h"
#include "widgets/ribbon/RibbonCategory.h"
#include "widgets/ribbon/RibbonPanel.h"

Flowsmith::Flowsmith(const QString& filePath, QWidget* parent)
    : RibbonMainWindow(parent),
      m_ui(new Ui::FlowsmithClass),
      m_document(new FlowDocument(this)),
      m_model(new OperationModel(m_document, this)),
      m_fileGuard(filePath) {
    UiResources::init();
    m_ui->setupUi(this);
    m_document->setFilePath(filePath);
    m_editActions = new EditActions(m_document, m_ui->opTable, this);
    connect(m_editActions, &EditActions::message, this,
            [this](const QString& text) { statusBar()->showMessage(text, 5000); });
    connect(m_document, &FlowDocument::modifiedChanged, this, &Flowsmith::showModifiedState);
    m_askToSave = [](QWidget* parent) {
        return QMessageBox::question(
            parent, tr("文件未保存"), tr("当前操作流已修改，是否保存更改？"),
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::NoButton);
    };
    m_notice = [](QWidget* parent, const QString& text) {
        QMessageBox::warning(parent, tr("TapwiseZindra-键盘鼠标自动化输入工具"), text);
    };
    connect(&m_runner, &FlowRunner::sigEndOfFlow, this, &Flowsmith::onStopFlowRuning);
}

Flowsmith::~Flowsmith() {
    // Never leave a run thread behind the window and the flow it reads.
    m_runner.stop();
    delete m_recording;  // stops it while the F9 hotkey it holds is still there
    // The table's model goes before the document it shows, and both before the window
    // that follows them.
    delete m_model;
    delete m_document;
    delete m_ui;
}

void Flowsmith::setSaveQuestion(SaveQuestion question) {
    m_askToSave = std::move(question);
}
void Flowsmith::setNotice(Notice n) {
    m_notice = std::move(n);
}

PropertyPanelWidget* Flowsmith::propertyPanel() const {
    return m_propertyDock ? qobject_cast<PropertyPanelWidget*>(m_propertyDock->widget()) : nullptr;
}

QDockWidget* Flowsmith::makeDock(const QString& title, QWidget* content, Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, this);
    content->setParent(dock);
    dock->setWidget(content);
    dock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                      QDockWidget::DockWidgetFloatable);
    dock->setMinimumWidth(200);
    addDockWidget(area, dock);
    return dock;
}

void Flowsmith::setUp() {
    initDockWidgets();
    initRibbonBar();
    initOperationTable();
    connectPanels();
    registerRunHotkey();
    registerRecordHotkey();
    m_title = windowTitle();
    showModifiedState();
}

void Flowsmith::initDockWidgets() {
    m_propertyDock =
        makeDock(tr("属性设置"), new PropertyPanelWidget(nullptr), Qt::RightDockWidgetArea);
    m_propertyDock->setObjectName(QStringLiteral("propertyDock"));
    m_operationDock =
        makeDock(tr("操作选择"), new OperationPanelWidget(nullptr), Qt::LeftDockWidgetArea);
    m_operationDock->setObjectName(QStringLiteral("operationDock"));
}

void Flowsmith::initRibbonBar() {
    auto action = [this](const char* icon, const QString& text) {
        return new QAction(QIcon(QString::fromLatin1(icon)), text, this);
    };
    RibbonCategory* start = ribbonBar()->addCategoryPage(tr("开始"));
    RibbonPanel* file = start->addPanel(tr("文件"));
    m_saveAction = action(":res/images/save.svg", tr("保存"));
    m_saveAction->setObjectName(QStringLiteral("saveAction"));
    m_saveAction->setEnabled(false);
    m_saveAction->setShortcut(QKeySequence::Save);
    m_saveAction->setToolTip(
        tr("保存 (%1)").arg(m_saveAction->shortcut().toString(QKeySequence::NativeText)));
    connect(m_saveAction, &QAction::triggered, this, &Flowsmith::onBtnSaveClicked);
    file->addLargeAction(m_saveAction);
    addAction(m_saveAction);  // Ctrl+S from every ribbon page
    QAction* info = action(":res/images/flowprop.svg", tr("基本信息"));
    info->setObjectName(QStringLiteral("flowInfoAction"));
    connect(info, &QAction::triggered, this, &Flowsmith::onShowFlowInfo);
    file->addLargeAction(info);

    RibbonPanel* edit = start->addPanel(tr("编辑"));
    for (QAction* a :
         {m_editActions->undoAction(), m_editActions->redoAction(), m_editActions->copyAction(),
          m_editActions->pasteAction(), m_editActions->deleteAction()})
        edit->addLargeAction(a);

    RibbonPanel* debug = start->addPanel(tr("调试"));
    m_runAction = action(":res/images/run.svg", tr("启/停[F8]"));
    m_runAction->setObjectName(QStringLiteral("runAction"));
    connect(m_runAction, &QAction::triggered, this, &Flowsmith::onBtnRunClicked);
    debug->addLargeAction(m_runAction);
    m_recordAction = action(":res/images/record.svg", tr("录制[F9]"));
    m_recordAction->setObjectName(QStringLiteral("recordAction"));
    m_recordAction->setToolTip(tr("录制键盘和鼠标操作，插入到所选行之后；按 F9 停止"));
    connect(m_recordAction, &QAction::triggered, this, &Flowsmith::onBtnRecordClicked);
    debug->addLargeAction(m_recordAction);
    m_runOptions = new RunOptionsWidget(debug);
    debug->addWidget(m_runOptions);
    connect(m_runOptions, &RunOptionsWidget::changed, this, &Flowsmith::showRunState);

    RibbonCategory* view = ribbonBar()->addCategoryPage(tr("视图"));
    RibbonPanel* layout = view->addPanel(tr("界面布局"));
    QAction* defaults = action(":res/images/defaultlayout.svg", tr("默认布局"));
    defaults->setObjectName(QStringLiteral("defaultLayoutAction"));
    connect(defaults, &QAction::triggered, this, &Flowsmith::restoreDefaultLayout);
    layout->addLargeAction(defaults);
    QAction* operations = action(":res/images/operation.svg", tr("操作窗口"));
    operations->setObjectName(QStringLiteral("operationWindowAction"));
    connect(operations, &QAction::triggered, this, [this] { toggleDock(m_operationDock); });
    layout->addLargeAction(operations);
    QAction* properties = action(":res/images/property.svg", tr("属性窗口"));
    properties->setObjectName(QStringLiteral("propertyWindowAction"));
    connect(properties, &QAction::triggered, this, [this] { toggleDock(m_propertyDock); });
    layout->addLargeAction(properties);
}

void Flowsmith::initOperationTable() {
    // A failed load has been reported; the table shows what the flow holds.
    if (!m_document->filePath().isEmpty()) m_fileGuard.load(m_document->flow());
    connect(m_model, &OperationModel::sigDataChanged, this, &Flowsmith::onModelDataChanged);
    OperationTableView* table = m_ui->opTable;
    table->setModel(m_model);
    QHeaderView* header = table->horizontalHeader();
    const int columns = m_model->columnCount(QModelIndex());
    if (header && columns > 0) {
        if (columns > 1) header->setSectionResizeMode(1, QHeaderView::Stretch);
        table->setColumnWidth(0, 100);
        if (columns > 2) table->setColumnWidth(2, 110);
        if (columns > 3) table->setColumnWidth(3, 100);
    }
    auto* delegate = new ButtonDelegate(this);
    table->setItemDelegateForColumn(3, delegate);
    connect(delegate, &ButtonDelegate::iconClicked, this, &Flowsmith::onRowButtonClicked);
}

void Flowsmith::connectPanels() {
    PropertyPanelWidget* panel = propertyPanel();
    if (!panel) return;
    connect(m_ui->opTable, &OperationTableView::operationSelected, panel,
            &PropertyPanelWidget::setOperation);
    // An edit in the browser is a step of the document's history: the flow announces
    // the new value, the table shows it, and the window marks the flow modified.
    AutoPropertyBrowser* browser = panel->propertyBrowser();
    browser->setEditHandler(
        [this](QObject* object, const QVariantMap& values, const QString& label) {
            m_document->setValues(object, values, label);
        });
    // Values that change under the grid (an undo) show at once.
    Flow* flow = m_document->flow();
    connect(flow, &Flow::operationChanged, browser, [browser, flow](int row) {
        if (browser->object() == flow->operationAt(row)) browser->refreshValues();
    });
    connect(flow, &Flow::headerChanged, browser, [browser, flow] {
        if (browser->object() == flow) browser->refreshValues();
    });
}

void Flowsmith::registerRunHotkey() {
    m_runKey = new GlobalHotkey(QKeySequence(QStringLiteral("F8")), true, this);
    // Connected either way: a later run registers it again when it has become free.
    connect(m_runKey, &GlobalHotkey::activated, this, &Flowsmith::onBtnRunClicked);
    if (m_runKey->isRegistered())
        qCWarning(appLog) << "Flowsmith run hotkey registe successfully, hotkey is F8";
    else
        qCWarning(appLog) << "Flowsmith run hotkey registe fail, hotkey is F8";
    showRunState();
}

void Flowsmith::registerRecordHotkey() {
    m_recordKey = new GlobalHotkey(QKeySequence(QStringLiteral("F9")), true, this);
    // Only starts: the recording stops on the key by itself, and F9 during a run is
    // not for the designer.
    connect(m_recordKey, &GlobalHotkey::activated, this, [this] {
        if (!recording()) startRecording();
    });
}

void Flowsmith::showRunState() {
    const bool ours = m_runKey && m_runKey->isRegistered();
    const QString text = ours ? QString()
                              : tr("F8 已被其他程序占用：回放时 F8 不能停止，"
                                   "请点击屏幕右上角的回放提示来停止");
    if (m_runAction) {
        const RunOptions options = m_runOptions ? m_runOptions->options() : RunOptions();
        const QString tip = tr("启动或停止回放 (F8)：%1").arg(RunOptionsWidget::describe(options));
        m_runAction->setToolTip(ours ? tip : tip + QLatin1Char('\n') + text);
    }
    if (!m_runKeyNotice && !ours) {
        m_runKeyNotice = new QLabel(this);
        m_runKeyNotice->setObjectName(QStringLiteral("runKeyNotice"));
        statusBar()->addPermanentWidget(m_runKeyNotice, 1);
    }
    if (m_runKeyNotice) {
        m_runKeyNotice->setText(text);
        m_runKeyNotice->setVisible(!ours);
    }
}

void Flowsmith::onBtnRunClicked() {
    if (recording()) return;  // F8 is a key like any other while recording
    if (m_running) {
        stopRun();
        return;
    }
    if (QApplication::activeModalWidget()) return;  // a dialog waits for its answer first
    InputBackend& input = Platform::input();
    if (!input.isAvailable()) {
        // Hiding the window to replay nothing would look like a hang.
        m_notice(this, tr("无法回放：%1").arg(input.unavailableReason()));
        return;
    }
    // A pick left armed would rewrite a position at the first click after the run.
    PointPickState::instance().cancel();
    if (m_runKey && !m_runKey->isRegistered()) {
        m_runKey->setRegistered(true);  // the other program may have let go of F8
        showRunState();
    }
    // The flow may hold Shift or Ctrl down: F8 must stop it all the same.
    if (m_runKey) m_runKey->setAnyModifiers(true);
    hideWindowsForRun();
    m_running = true;
    const RunOptions options = m_runOptions ? m_runOptions->options() : RunOptions();
    // Before the start, so that it hears the run's first pass and step.
    activityIndicator()->showRun(m_runKey && m_runKey->isRegistered(),
                                 m_document->flow()->operationCount(), options.repeat);
    QString whyNot;
    // Also asks the system to stay awake.
    if (!m_runner.start(FlowRunner::snapshot(*m_document->flow()), options, &whyNot)) {
        stopRun();
        m_notice(this, tr("无法开始回放：%1").arg(whyNot));
    }
}

void Flowsmith::stopRun() {
    m_runner.stop();  // joins the worker and lifts the keep-awake request
    if (m_runKey) m_runKey->setAnyModifiers(false);  // other programs' Ctrl+F8 is theirs again
    if (m_indicator) m_indicator->hide();
    m_running = false;
    showWindowsAfterRun();
}

ActivityIndicator* Flowsmith::activityIndicator() {
    if (!m_indicator) {
        m_indicator = new ActivityIndicator(this);
        connect(m_indicator, &ActivityIndicator::clicked, this, [this] {
            if (recording())
                stopRecording();
            else if (m_running)
                stopRun();
        });
        connect(&m_runner, &FlowRunner::sigPassStarted, m_indicator,
                &ActivityIndicator::setRunPass);
        connect(&m_runner, &FlowRunner::sigStepStarted, m_indicator,
                [this](int index, int count) { m_indicator->setRunStep(index, count); });
    }
    return m_indicator;
}

bool Flowsmith::recording() const {
    return m_recording && m_recording->isRecording();
}

void Flowsmith::onBtnRecordClicked() {
    if (recording())
        stopRecording();
    else
        startRecording();
}

void Flowsmith::startRecording() {
    // A dialog waits for its answer first; a run types into other programs.
    if (m_running || QApplication::activeModalWidget()) return;
    InputRecorder& recorder = Platform::inputRecorder();
    if (!recorder.isAvailable()) {
        m_notice(this, tr("无法录制：%1").arg(recorder.unavailableReason()));
        return;
    }
    PointPickState::instance().cancel();
    if (!m_recording) {
        m_recording = new RecordingSession(&recorder, this);
        m_recording->setStopHotkey(m_recordKey);
        connect(m_recording, &RecordingSession::sigStopKeyPressed, this, &Flowsmith::stopRecording);
    }
    hideWindowsForRun();
    ActivityIndicator* indicator = activityIndicator();
    connect(m_recording, &RecordingSession::sigStepCountChanged, indicator,
            &ActivityIndicator::setRecordedSteps, Qt::UniqueConnection);
    m_recording->setExcludedWindow(indicator->winId());  // clicks on it stop, not record
    QString whyNot;
    if (!m_recording->start(&whyNot)) {
        showWindowsAfterRun();
        m_notice(this, tr("无法录制：%1").arg(whyNot));
        return;
    }
    // Shown once the recorder listens: what the user does when it appears is recorded.
    indicator->showRecording();
}

void Flowsmith::stopRecording() {
    if (!recording()) return;
    RecordingResult result = m_recording->stop();
    m_indicator->hide();
    showWindowsAfterRun();
    activateWindow();  // the keyboard is in another program: editing the recording comes next
    const QList<int> selected = m_editActions->selectedRows();
    const int at = selected.isEmpty() ? m_document->flow()->operationCount() : selected.last() + 1;
    const int steps = int(result.operations.size());
    QString report =
        steps == 0 ? tr("没有录到操作")
                   : tr("已录制 %1 步，插入为第 %2–%3 行").arg(steps).arg(at + 1).arg(at + steps);
    m_document->insertOperations(at, std::move(result.operations), tr("录制 %1 步").arg(steps));
    // What the flow cannot hold was left out; the user should know how much.
    const QString skippedNames[kSkippedInputKinds] = {tr("拖动 %1 次"), tr("滚轮 %1 格"),
                                                      tr("侧键 %1 次"), tr("没有名称的按键 %1 次"),
                                                      tr("录制前按下的键或按钮松开 %1 次")};
    QStringList skipped;
    for (int kind = 0; kind < kSkippedInputKinds; ++kind)
        if (const int n = result.skipped[size_t(kind)]) skipped << skippedNames[kind].arg(n);
    if (!skipped.isEmpty())
        report += tr("；未录入（操作流无法表示）：%1").arg(skipped.join(tr("、")));
    statusBar()->showMessage(report, 15000);
}

void Flowsmith::hideWindowsForRun() {
    m_hiddenForRun.clear();
    // Floating docks are windows of their own: left visible, they could edit the flow.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        const Qt::WindowType type = w->windowType();
        if (w != this && w->isVisible() && type != Qt::ToolTip && type != Qt::Popup)
            m_hiddenForRun.append(w);
    }
    for (const QPointer<QWidget>& w : qAsConst(m_hiddenForRun)) w->hide();
    hide();
}

void Flowsmith::showWindowsAfterRun() {
    show();
    for (const QPointer<QWidget>& w : qAsConst(m_hiddenForRun))
        if (w) w->show();
    m_hiddenForRun.clear();
}

void Flowsmith::onStopSignal() {
    qCWarning(appLog).noquote() << "Flowsmith ends on a signal" << (m_running ? "during a run" : "")
                                << (modified() ? "with unsaved changes" : "");
    if (m_running) stopRun();
    stopRecording();  // what was recorded shows in the question that follows, if any
    QCoreApplication::quit();
}

void Flowsmith::onStopFlowRuning() {
    if (!m_running) return;  // the user stopped the run already
    // Gives the last operation's input time to land before the window covers it.
    QThread::msleep(500);
    stopRun();
}

bool Flowsmith::saveFlow() {
    if (m_document->filePath().isEmpty() || !m_fileGuard.maySave(this, *m_document->flow()) ||
        !m_document->save())
        return false;
    m_fileGuard.saved();
    return true;
}

void Flowsmith::onBtnSaveClicked() {
    if (!saveFlow()) return;
    showModifiedState();
    statusBar()->showMessage(tr("已保存到 %1").arg(m_document->filePath()), 5000);
}

void Flowsmith::onModelDataChanged() {
    showModifiedState();
}

bool Flowsmith::modified() const {
    return m_document->isModified();
}

void Flowsmith::showModifiedState() {
    const bool changed = m_document->isModified();
    if (m_saveAction) m_saveAction->setEnabled(changed);
    if (!m_title.isNull()) setWindowTitle(changed ? m_title + QStringLiteral(" *") : m_title);
}

void Flowsmith::onShowFlowInfo() {
    if (PropertyPanelWidget* panel = propertyPanel())
        panel->propertyBrowser()->setObject(m_document->flow());
    if (m_propertyDock && !m_propertyDock->isVisible()) m_propertyDock->show();
}

void Flowsmith::onRowButtonClicked(int row, ButtonDelegate::BtnType type) {
    switch (type) {
        case ButtonDelegate::Copy:
            m_document->duplicateOperations({row});  // ignores rows outside the table
            break;
        case ButtonDelegate::Delete:
            m_document->removeOperations({row});
            break;
    }
}

void Flowsmith::toggleDock(QDockWidget* dock) {
    if (!dock) return;
    dock->setVisible(!dock->isVisible());
}

void Flowsmith::restoreDefaultLayout() {
    const std::pair<QDockWidget*, Qt::DockWidgetArea> docks[] = {
        {m_propertyDock, Qt::RightDockWidgetArea}, {m_operationDock, Qt::LeftDockWidgetArea}};
    for (const auto& [dock, area] : docks) {
        if (!dock) continue;
        dock->hide();
        removeDockWidget(dock);
        dock->setFloating(false);
        addDockWidget(area, dock);
        // A dock that was floating when it was removed floats again once added back.
        if (dock->isFloating()) dock->setFloating(false);
        dock->show();
    }
}

void Flowsmith::closeEvent(QCloseEvent* event) {
    // No input may go on behind the question, nor the window go while a thread reads.
    if (m_running) stopRun();
    stopRecording();  // its steps are unsaved changes like any other
    if (modified()) {
        switch (m_askToSave(this)) {
            case QMessageBox::Save:
                if (!saveFlow()) {
                    event->ignore();
                    return;
                }
                break;
            case QMessageBox::Discard:
                break;
            default:
                event->ignore();
                return;
        }
    }
    event->accept();
}
