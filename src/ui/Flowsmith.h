#pragma once

#include <QMessageBox>
#include <QPointer>
#include <functional>

#include "runner/FlowRunner.h"
#include "ui/ButtonDelegate.h"
#include "ui/FlowFileGuard.h"
#include "widgets/ribbon/RibbonMainWindow.h"

class EditActions;
class FlowDocument;
class GlobalHotkey;
class OperationModel;
class PropertyPanelWidget;
class QAction;
class QDockWidget;
class QLabel;
class ActivityIndicator;

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
    // flow), cross-panel connections, the F8 hotkey. Run once, after title and size.
    void setUp();

    void initDockWidgets();
    void initRibbonBar();
    void initOperationTable();
    void connectPanels();
    void registerRunHotkey();

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
    GlobalHotkey* runHotkey() const { return m_runKey; }
    FlowRunner& runner() { return m_runner; }
    // The run action, and the stop button shown during a run that F8 cannot stop.
    QAction* runAction() const { return m_runAction; }
    ActivityIndicator* stopButton() const { return m_stopButton; }

public slots:
    void onBtnRunClicked();
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
    // Every visible window of the designer goes and comes back with the main window.
    void hideWindowsForRun();
    void showWindowsAfterRun();
    // Says in the run action's tool tip and in the status bar when F8 is not ours.
    void showRunKeyState();
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
    GlobalHotkey* m_runKey = nullptr;
    QLabel* m_runKeyNotice = nullptr;
    ActivityIndicator* m_stopButton = nullptr;
    QList<QPointer<QWidget>> m_hiddenForRun;
    bool m_running = false;
    FlowRunner m_runner;  // the worker thread and the mutex of start and stop
    SaveQuestion m_askToSave;
    FlowFileGuard m_fileGuard;
    Notice m_notice;
};
