#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

#include "runner/FlowRunner.h"
#include "ui/ButtonDelegate.h"
#include "ui/FlowFileGuard.h"
#include "widgets/ribbon/RibbonMainWindow.h"

class ActivityIndicator;
class EditActions;
class FlowDocument;
class GlobalHotkey;
class OperationModel;
class PropertyPanelWidget;
class QAction;
class QDockWidget;
class QLabel;
class RecordingSession;
class RunOptionsWidget;

namespace Ui {
class FlowsmithClass;
}

// The designer's main window: the operation table in the centre, the palette on
// the left, the property browser on the right, the ribbon on top. It owns the
// document (the flow and its file) and the table model over it, saves the flow,
// replays it and asks before closing with unsaved changes.
class Flowsmith : public RibbonMainWindow {
    Q_OBJECT
public:
    explicit Flowsmith(const QString& filePath, QWidget* parent = nullptr);
    ~Flowsmith() override;

    // The set-up steps below, in their order: docks, ribbon, table (which loads the
    // flow), cross-panel connections, the F8 and F9 hotkeys. Run once, after title and
    // size.
    void setUp();

    void initDockWidgets();
    void initRibbonBar();
    void initOperationTable();
    void connectPanels();
    void registerRunHotkey();
    void registerRecordHotkey();

    // The unsaved-changes question; tests answer it without a modal box.
    using SaveQuestion = std::function<QMessageBox::StandardButton(QWidget* parent)>;
    void setSaveQuestion(SaveQuestion question);
    // Tells the user why something cannot work here (no desktop to replay on).
    using Notice = std::function<void(QWidget* parent, const QString& text)>;
    void setNotice(Notice notice);

    FlowDocument* document() const { return m_document; }
    // Asks before a save would overwrite what the designer could not read or did not write.
    FlowFileGuard& fileGuard() { return m_fileGuard; }
    EditActions* editActions() const { return m_editActions; }
    OperationModel* operationModel() const { return m_model; }
    QAction* saveButton() const { return m_saveAction; }
    QDockWidget* propertyDockWidget() const { return m_propertyDock; }
    QDockWidget* operationDockWidget() const { return m_operationDock; }
    PropertyPanelWidget* propertyPanel() const;
    // Away from the state last loaded or saved, as the document's history says.
    bool modified() const;
    bool running() const { return m_running; }
    bool recording() const;
    GlobalHotkey* runHotkey() const { return m_runKey; }
    GlobalHotkey* recordHotkey() const { return m_recordKey; }
    FlowRunner& runner() { return m_runner; }
    QAction* runAction() const { return m_runAction; }
    QAction* recordAction() const { return m_recordAction; }
    RunOptionsWidget* runOptions() const { return m_runOptions; }
    // Shown in place of the hidden window during a run or a recording; a click stops.
    ActivityIndicator* indicator() const { return m_indicator; }

public slots:
    void onBtnRunClicked();
    // Starts a recording, or stops the one going on.
    void onBtnRecordClicked();
    void onBtnSaveClicked();
    void onModelDataChanged();
    void onStopFlowRuning();
    void onShowFlowInfo();

    // SIGTERM, SIGHUP or Ctrl+C: a run stops as the user would stop it, then the
    // program quits without the save question, as nobody is there to answer it.
    void onStopSignal();

    void onRowButtonClicked(int row, ButtonDelegate::BtnType type);
    void restoreDefaultLayout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void stopRun();
    void startRecording();
    // Inserts what was recorded after the selection as one step and selects it.
    void stopRecording();
    // Made on first use, not shown: a run or a recording shows it with its own texts.
    ActivityIndicator* activityIndicator();
    // Every visible window of the designer goes and comes back with the main window.
    void hideWindowsForRun();
    void showWindowsAfterRun();
    // Says in the run action's tool tip how a run will go, and there and in the status
    // bar when F8 is not ours.
    void showRunState();
    bool saveFlow();
    void toggleDock(QDockWidget* dock);
    QDockWidget* makeDock(const QString& title, QWidget* content, Qt::DockWidgetArea area);
    void showModifiedState();

    Ui::FlowsmithClass* m_ui;
    FlowDocument* m_document;
    EditActions* m_editActions = nullptr;
    QString m_title;  // the title given at start-up, without the unsaved-changes mark
    QDockWidget* m_propertyDock = nullptr;
    QDockWidget* m_operationDock = nullptr;
    OperationModel* m_model;
    QAction* m_saveAction = nullptr;
    QAction* m_runAction = nullptr;
    QAction* m_recordAction = nullptr;
    RunOptionsWidget* m_runOptions = nullptr;
    GlobalHotkey* m_runKey = nullptr;
    GlobalHotkey* m_recordKey = nullptr;
    QLabel* m_runKeyNotice = nullptr;
    ActivityIndicator* m_indicator = nullptr;
    RecordingSession* m_recording = nullptr;  // made at the first recording
    QList<QPointer<QWidget>> m_hiddenForRun;
    bool m_running = false;
    FlowRunner m_runner;  // the worker thread and the mutex of start and stop
    SaveQuestion m_askToSave;
    FlowFileGuard m_fileGuard;
    Notice m_notice;
};
