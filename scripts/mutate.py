#!/usr/bin/env python3
"""Shows what the tests catch: applies small deliberate faults to the code one at a time
(a flipped comparison, a dropped step, an off-by-one, a wrong constant), rebuilds what
depends on the changed file, runs the tests whose programs changed and reports which
of them failed. A fault that no test catches is a test to write; a test that catches
nothing the others catch is a candidate to cut.

Each fault names a file, the exact text it changes and the replacement. When the code
has moved and the text is not found exactly once, the fault is reported as not
applicable instead of passing silently.

  scripts/mutate.py                      every fault, table on stdout
  scripts/mutate.py --only 'x11-*,core-*' a subset (ids or shell patterns)
  scripts/mutate.py --list               the faults and whether each still applies
  scripts/mutate.py --json after.json --compare before.json --markdown docs/mutations.md
  scripts/mutate.py --results after.json --compare before.json   the table again, no run
  scripts/mutate.py --results part1.json part2.json ...           runs over parts as one
  scripts/mutate.py --uniques after.json  the test functions by the faults only they catch

Works in its own build directory (build-mutate), runs the tests under xvfb-run as
scripts/test.sh does, and always puts the changed file back, also when interrupted.
Not part of scripts/test.sh: a full run takes the better part of an hour.
"""

import argparse
import fnmatch
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


@dataclass
class Mutation:
    id: str
    file: str  # below src/
    text: str
    replacement: str
    fault: str


M = Mutation
MUTATIONS = [
    # core
    M("core-default-level", "core/AppConfig.cpp",
      "settings.setValue(key, 1);\n        logLevel = 1;",
      "settings.setValue(key, 1);\n        logLevel = 0;",
      "a missing log level reads as 0 instead of the stored default 1"),
    M("core-default-not-stored", "core/AppConfig.cpp", "settings.setValue(key, 1);\n", "",
      "the default log level is not written to the store"),
    M("core-level4-rules", "core/AppLogger.cpp",
      'return QStringLiteral("tapwise.debug=false\\ntapwise.info=true\\ntapwise.warning=true\\n");',
      'return QStringLiteral("tapwise.debug=false\\ntapwise.info=false\\ntapwise.warning=true\\n");',
      "level 4 drops info lines"),
    M("core-warn-tag", "core/AppLogger.cpp", '"[WARN]    "', '"[WARN]   "',
      "the warning tag is one blank short"),
    M("core-day-change", "core/AppLogger.cpp",
      "if (today == s.logDate && !s.logFilePath.isEmpty()) return;",
      "if (!s.logFilePath.isEmpty()) return;",
      "the log file is not switched when the day changes"),
    M("core-temp-fallback", "core/AppLogger.cpp",
      "dir = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation));", "",
      "no fall-back to the temporary folder"),
    M("core-init-twice", "core/AppLogger.cpp", "if (s.initialised) return;\n", "",
      "a second init applies the level again"),
    # platform
    M("platform-chunk-size", "platform/InterruptibleWait.h", "kChunkMs = 50;", "kChunkMs = 500;",
      "waits in 500 ms chunks, so a stop takes up to half a second"),
    M("platform-early-wake", "platform/InterruptibleWait.cpp", "         now = Clock::now()) {",
      "         now = deadline) {", "a sleep that wakes early is not resumed"),
    M("platform-stop-ignored", "platform/InterruptibleWait.cpp",
      "while (m_running.load() && remaining >= 1)", "while (remaining >= 1)",
      "a wait does not notice a stop"),
    M("platform-resolution-end", "platform/InterruptibleWait.cpp",
      "if (raised) r.end();", "r.end();", "the timer resolution is put back without being raised"),
    M("platform-release-order", "platform/InputBackend.cpp",
      "for (int i = m_heldKeys.size() - 1; i >= 0; --i)",
      "for (int i = 0; i < m_heldKeys.size(); ++i)",
      "held keys come up in press order, modifiers before their key"),
    M("platform-refused-held", "platform/InputBackend.cpp", "if (ok) {", "{",
      "a refused batch counts as held"),
    M("platform-button-up", "platform/InputBackend.cpp",
      "if (r.flags & b.up) m_heldButtons &= ~b.down;", "",
      "a released button stays held"),
    M("platform-hotkey-regrab", "platform/GlobalHotkey.cpp",
      "if (registerIt == m_registered) return true;\n", "",
      "registering twice grabs twice"),
    M("platform-hotkey-dtor", "platform/GlobalHotkey.cpp",
      "if (m_registered) Platform::hotkeys().ungrab(this);", "",
      "a destroyed hotkey keeps its key grabbed"),
    M("platform-hotkey-replace", "platform/GlobalHotkey.cpp",
      "if (m_registered) setRegistered(false);\n    m_shortcut = shortcut;",
      "m_shortcut = shortcut;",
      "a new shortcut leaves the old key grabbed"),
    M("platform-wayland", "platform/Platform.cpp",
      '!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")',
      'qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")',
      "Wayland is not recognised as the reason"),
    M("platform-refusal-logged-always", "platform/UnavailableInputBackend.cpp",
      "testAndSetOrdered(0, 1)", "testAndSetOrdered(0, 0)",
      "every refused batch is logged, not the first"),
    # platform/x11
    M("x11-abs-rounding", "platform/AbsoluteCoordinates.cpp",
      "(std::int64_t(absolute) * size + kRange - 1) / kRange",
      "(std::int64_t(absolute) * size) / kRange",
      "absolute coordinates back to pixels round down"),
    M("x11-abs-clamp", "platform/AbsoluteCoordinates.cpp",
      "std::min<std::int64_t>(pixel, size - 1)", "std::min<std::int64_t>(pixel, size)",
      "a point past the edge lands one pixel off the screen"),
    M("x11-f-keys", "platform/x11/X11KeyTable.cpp",
      "t.insert(111 + n, XK_F1 + (n - 1));", "t.insert(111 + n, XK_F1 + n);",
      "F1..F24 press the next function key"),
    M("x11-latin1", "platform/x11/X11KeyTable.cpp",
      "if (c < 0x100) return quint32(c);", "if (c < 0x80) return quint32(c);",
      "Latin-1 characters go to the Unicode keysym range"),
    M("x11-c1-controls", "platform/x11/X11KeyTable.cpp",
      "if (c < 0x20 || (c >= 0x80 && c < 0xa0)) return 0;", "if (c < 0x20) return 0;",
      "C1 control codes are typed"),
    M("x11-qt-letters", "platform/x11/X11KeyTable.cpp",
      "return XK_a + (key - Qt::Key_A);", "return quint32(key);",
      "letter hotkeys grab the shifted keysym"),
    M("x11-surrogate-replaced", "platform/x11/SurrogateJoiner.cpp",
      "e.dropped = m_pendingHigh != 0;", "e.dropped = false;",
      "a high surrogate replaced by another is not reported"),
    M("x11-spare-guard", "platform/x11/SpareKeycodePool.cpp", "rested > now", "rested < now",
      "a spare keycode is rebound before it has rested"),
    M("x11-spare-lru", "platform/x11/SpareKeycodePool.cpp",
      "e.lastUse < oldest->lastUse", "e.lastUse > oldest->lastUse",
      "the most recently used spare keycode is rebound first"),
    M("x11-spare-held-restored", "platform/x11/SpareKeycodePool.cpp",
      "if (e.keysym != 0 && e.held == 0 && e.lastUse < cutoff)",
      "if (e.keysym != 0 && e.lastUse < cutoff)",
      "a held spare keycode is restored"),
    M("x11-caps-lock", "platform/x11/X11InputBackend.cpp",
      "if ((state & LockMask) && isAlphabetic(place.keycode)) wantShift = !wantShift;\n", "",
      "text typed with Caps Lock on comes out in the wrong case"),
    M("x11-keypad-numlock", "platform/x11/X11InputBackend.cpp",
      "place.level != 0 && IsKeypadKey(keysym)", "false && IsKeypadKey(keysym)",
      "keypad digits with Num Lock off arrive as their twins"),
    M("x11-restore-loop", "platform/x11/X11InputBackend.cpp",
      "restoreKeycodes(m_spares.restorable(Clock::now() - m_restoreDelay));", "",
      "borrowed keycodes are never given back"),
    M("x11-middle-button", "platform/x11/X11InputBackend.cpp",
      "return Button2;", "return Button3;", "the middle button clicks the right one"),
    M("x11-hotkey-locks", "platform/x11/X11HotkeyBackend.cpp",
      "unsigned(LockMask), m_numLockMask, unsigned(LockMask) | m_numLockMask}",
      "unsigned(LockMask), m_numLockMask}",
      "a hotkey does not fire with both Caps Lock and Num Lock on"),
    M("x11-hotkey-repeat", "platform/x11/X11HotkeyBackend.cpp",
      "if (m_keysDown.contains(keycode)) continue;", "",
      "a held hotkey fires on every repeat"),
    M("x11-hotkey-shared-grab", "platform/x11/X11HotkeyBackend.cpp",
      "if (--m_grabCount[combo] > 0) continue;", "--m_grabCount[combo];",
      "dropping one of two hotkeys on a key ungrabs it for both"),
    M("x11-watch-buttons", "platform/x11/X11ButtonWatch.cpp",
      "if (button != Button1 && button != Button3) continue;", "if (button == Button2) continue;",
      "wheel clicks end a point pick"),
    M("x11-keepawake-nesting", "platform/x11/X11KeepAwake.cpp",
      "if (m_depth == 0 || --m_depth > 0) return;", "if (m_depth == 0) return;\n    --m_depth;",
      "an inner release ends the screen saver suspension"),
    M("x11-timer-slack", "platform/x11/LinuxTimerResolution.cpp",
      "prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0)", "prctl(PR_SET_TIMERSLACK, 50000UL, 0, 0, 0)",
      "the timer slack is not cut during a wait"),
    # model
    M("model-magic", "model/Flow.h", "kFileMagic = 0x8E62D879;", "kFileMagic = 0x8E62D87A;",
      "a wrong file magic"),
    M("model-trailing-bytes", "model/Flow.cpp", "if (!in.atEnd()) {", "if (false) {",
      "bytes after the last operation are accepted"),
    M("model-load-keeps-old", "model/Flow.cpp",
      "    clearOperations();\n    in >> m_name", "    in >> m_name",
      "a load appends to the operations already there"),
    M("model-negative-count", "model/Flow.cpp", "if (declared < 0)", "if (false)",
      "a negative operation count is reported as bytes after the last operation"),
    M("model-fifo", "model/Flow.cpp", "const bool special = info.exists() && !info.isFile();",
      "const bool special = false;", "loading a FIFO waits for a writer forever"),
    M("model-save-unchecked", "model/FileSaver.cpp",
      "if (!writeAll(file, bytes, error)) {\n        file.cancelWriting();\n        return false;\n    }",
      "file.write(bytes);",
      "a save on a full disk renames a cut-short file over the old one"),
    M("model-no-write-in-place", "model/FileSaver.cpp",
      "return folderRefuses && isWritableFile(target) && writeInPlace(path, bytes, error);",
      "return false;", "a writable file in a read-only folder cannot be saved"),
    M("ui-overwrite-changed-file", "ui/FlowFileGuard.cpp", "if (fingerprint() != m_known &&",
      "if (false &&", "a file another program changed is overwritten without asking"),
    M("model-hotkey-not-registered", "model/Flow.cpp",
      "if (!hotkey.isEmpty()) registerHotkey();", "",
      "a loaded flow's hotkey is not registered"),
    M("model-release-order", "model/KeyboardOperation.cpp",
      "if (hasKey) sendBatch({InputRecord::key(vk, true)});\n            releaseModifiers(m_modifiers);",
      "releaseModifiers(m_modifiers);\n            if (hasKey) sendBatch({InputRecord::key(vk, true)});",
      "a release lifts the modifiers before the key"),
    M("model-blank-key", "model/KeyboardOperation.cpp",
      "const bool hasKey = !m_key.isEmpty();", "const bool hasKey = !m_key.trimmed().isEmpty();",
      "a key of blanks sends nothing"),
    M("model-f-key-codes", "model/KeyNames.cpp", "quint16(111 + n)", "quint16(112 + n)",
      "F-key names map one code too high"),
    M("model-key-trim", "model/KeyNames.cpp", "name.trimmed().toUpper()", "name.toUpper()",
      "key names with blanks around are not found"),
    M("model-double-click", "model/MouseClickOperation.cpp",
      "InputRecord::mouse(twice ? down : 0)", "InputRecord::mouse(down)",
      "a single click clicks twice"),
    M("model-bad-click-type", "model/MouseClickOperation.cpp",
      "    if (m_clickType != Single && m_clickType != Double) down = up = 0;\n", "",
      "an unknown click type still clicks"),
    M("model-zero-height", "model/InputHelpers.cpp",
      "if (screen.width() <= 0 || screen.height() <= 0) return false;",
      "if (screen.width() <= 0) return false;",
      "a screen of zero height divides by zero"),
    M("model-win-key", "model/InputHelpers.cpp", "{Qt::MetaModifier, 91, \"Win\"}",
      "{Qt::MetaModifier, 92, \"Win\"}", "the Win modifier presses the right Win key"),
    M("model-clone-interval", "model/KeyboardOperation.cpp",
      "    copy->setInterval(interval());\n", "", "a copied key operation loses its interval"),
    M("model-factory-parent", "model/Flow.cpp",
      "    for (std::unique_ptr<Operation>& op : ops) {\n        op->setParent(this);\n",
      "    for (std::unique_ptr<Operation>& op : ops) {\n",
      "inserted operations are not owned by their flow"),
    M("model-run-after-stop", "model/Operation.cpp",
      "    if (!wait.wait(m_interval)) return;\n", "    wait.wait(m_interval);\n",
      "an operation still executes after the run was stopped"),
    M("model-record-double-button", "model/RecordingConverter.cpp",
      "if (first.button == button && time - first.time", "if (time - first.time",
      "a recorded click of another button makes a double click"),
    M("model-record-modifier-around-click", "model/RecordingConverter.cpp",
      "else if (!pointerBetween && plainPresses[j]", "else if (plainPresses[j]",
      "a modifier held around a recorded click is folded into the keys instead of its own rows"),
    # runner
    M("runner-no-release", "runner/FlowRunner.cpp",
      "if (interrupted) Platform::input().releaseHeld();", "",
      "a stopped run leaves keys pressed"),
    M("runner-awake-kept", "runner/FlowRunner.cpp",
      "    if (m_keptAwake) {\n        Platform::keepAwake().release();\n",
      "    if (m_keptAwake) {\n", "the keep-awake request outlives the run"),
    M("runner-second-start", "runner/FlowRunner.cpp",
      "    if (running.exchange(true)) {\n", "    if (running.exchange(true) && false) {\n",
      "a second start while running starts another worker"),
    M("runner-no-end", "runner/FlowRunner.cpp",
      "    QMetaObject::invokeMethod(this, &FlowRunner::sigEndOfFlow, Qt::QueuedConnection);\n",
      "", "the end of a flow is never announced"),
    M("runner-step-index", "runner/FlowRunner.cpp",
      "emit sigStepStarted(i, ", "emit sigStepStarted(i + 1, ",
      "steps are announced one index too high"),
    # widgets/ribbon
    M("ribbon-button-order", "widgets/ribbon/RibbonPanel.cpp",
      "m_buttonRow->insertWidget(actions().indexOf(action), button);",
      "m_buttonRow->insertWidget(0, button);",
      "large buttons appear in reverse order"),
    M("ribbon-hidden-action", "widgets/ribbon/RibbonPanel.cpp",
      "            if (QToolButton* button = m_buttons.value(action))\n"
      "                button->setVisible(action->isVisible());\n",
      "", "hiding an action leaves its button shown"),
    M("ribbon-separator", "widgets/ribbon/RibbonCategory.cpp",
      "if (!m_panels.isEmpty()) {", "if (true) {",
      "a separator line before the first panel"),
    M("ribbon-tab-page", "widgets/ribbon/RibbonBar.cpp",
      "    m_pages->setCurrentIndex(index);\n", "",
      "a tab click does not show its page"),
    M("ribbon-menu-widget", "widgets/ribbon/RibbonMainWindow.cpp",
      "    setMenuWidget(m_ribbonBar);\n", "", "the ribbon is not placed on top of the window"),
    # widgets/propertybrowser
    M("grid-int-bounds", "widgets/propertybrowser/VariantPropertyManager.cpp",
      "return qBound(property->m_attributes.value(kMinimum).toInt(), number,\n"
      "                          property->m_attributes.value(kMaximum).toInt());",
      "return number;", "integers ignore their bounds"),
    M("grid-flag-mask", "widgets/propertybrowser/VariantPropertyManager.cpp",
      "(1 << count) - 1", "(1 << count)", "flags keep a bit past the named ones"),
    M("grid-parent-value", "widgets/propertybrowser/VariantPropertyManager.cpp",
      "            parent->m_value = whole;\n", "",
      "a sub-row edit does not reach its row's value"),
    M("grid-bounds-give-way", "widgets/propertybrowser/VariantPropertyManager.cpp",
      "        if (name == kMaximum && attrs.value(kMinimum).toInt() > bound)\n"
      "            attrs.insert(kMinimum, bound);\n",
      "", "a maximum below the minimum makes an empty range"),
    M("grid-disabled-editor", "widgets/propertybrowser/PropertyItemDelegate.cpp",
      "if (!property || !property->isEffectivelyEnabled()) return nullptr;",
      "if (!property) return nullptr;", "disabled rows can be edited"),
    M("grid-escape", "widgets/propertybrowser/PropertyItemDelegate.cpp",
      "        case Qt::Key_Escape:\n", "", "Escape does not end an edit"),
    M("grid-takes-all-keys", "widgets/propertybrowser/PropertyItemDelegate.cpp",
      "    if (widget->property(kTakesAllKeys).toBool()) return false;\n", "",
      "the key capture editor loses Escape, Return and Tab"),
    M("grid-inactive-closes", "widgets/propertybrowser/TreePropertyBrowser.cpp",
      "if (!editor || !now) return;", "if (!editor) return;",
      "hiding the window (a point pick) ends the edit"),
    M("grid-right-click", "widgets/propertybrowser/TreePropertyBrowser.cpp",
      "if (column != 1 || m_pressedButton != Qt::LeftButton) return;",
      "if (column != 1) return;",
      "a right click opens an editor"),
    M("grid-editor-follows", "widgets/propertybrowser/VariantEditorFactory.cpp",
      "for (QWidget* editor : open) showValue(editor, property);", "",
      "an open editor does not follow a change made elsewhere"),
    # ui
    M("ui-move-target", "document/MoveOperationsCommand.cpp", "m_first = to - above;",
      "m_first = to;", "a row dragged down lands one row too low"),
    M("ui-drop-onto", "ui/OperationModel.cpp", "toRow = parent.row();", "toRow = parent.row() + 1;",
      "a drop onto a row lands below it"),
    M("ui-insert-end", "document/FlowDocument.cpp",
      "row < 0 || row > m_flow->operationCount()) return false;",
      "row < 0 || row >= m_flow->operationCount()) return false;", "nothing can be appended"),
    M("ui-move-not-modified", "ui/OperationModel.cpp",
      "    connect(this, &QAbstractItemModel::rowsMoved, this, &OperationModel::sigDataChanged);\n",
      "", "moving a row does not mark the flow changed"),
    M("ui-drag-source", "ui/OperationTableView.cpp",
      'source->inherits("QTreeWidget")', 'source->inherits("QAbstractItemView")',
      "drags from any item view are taken"),
    M("ui-selection-kept", "ui/OperationTableView.cpp",
      "                selectionModel()->clear();\n", "",
      "deleting the selected row selects a neighbour"),
    M("ui-copy-button-rect", "ui/ButtonDelegate.cpp",
      "c.x() - kButtonGap / 2 - buttonSize,", "c.x() - kButtonGap / 2,",
      "the copy button overlaps the delete button"),
    M("ui-right-release", "ui/ButtonDelegate.cpp",
      "            if (mouse->button() != Qt::LeftButton) return false;\n", "",
      "a right click on a row button acts"),
    M("ui-modifier-flags", "ui/AutoPropertyBrowser.cpp",
      "if (modifiers & kModifierKeys[i].flag) flags |= 1 << i;",
      "if (modifiers & kModifierKeys[i].flag) flags |= 1 << (i + 1);",
      "the modifier check boxes are shifted by one"),
    M("ui-read-only-editable", "ui/AutoPropertyBrowser.cpp",
      "row->setEnabled(p.isWritable());", "row->setEnabled(true);",
      "read-only properties can be edited"),
    M("ui-build-writes", "ui/AutoPropertyBrowser.cpp",
      "        m_manager->setValue(row, rowValue(object, row, p));\n",
      "        m_rows.insert(row, p);\n        m_manager->setValue(row, rowValue(object, row, p));\n",
      "showing an object writes its values back as edits"),
    M("ui-save-stays-modified", "document/FlowDocument.cpp", "    m_undoStack->setClean();\n",
      "", "a saved flow still counts as changed"),
    M("ui-cancel-closes", "ui/Flowsmith.cpp",
      "            default:\n                event->ignore();\n                return;",
      "            default:\n                break;",
      "cancelling the close question closes the window"),
    M("ui-f8-no-stop", "ui/Flowsmith.cpp",
      "    if (m_running) {\n        stopRun();", "    if (false) {\n        stopRun();",
      "F8 during a run does not stop it"),
    M("ui-end-delay", "ui/Flowsmith.cpp", "QThread::msleep(500);", "QThread::msleep(0);",
      "the window covers the last operation's input at once"),
    M("ui-pick-no-hide", "ui/PointPickState.cpp",
      "    if (QMainWindow* main = findMainWindow()) main->hide();\n", "",
      "a point pick leaves the window over the desktop"),
    M("ui-pick-right-button", "ui/PointPickState.cpp",
      "(button != Qt::LeftButton && button != Qt::RightButton)", "(button != Qt::LeftButton)",
      "a right press does not end a point pick"),
    M("ui-key-control-alone", "ui/KeyInputWidget.cpp", "        case Qt::Key_Control:\n", "",
      "Ctrl alone is captured as a key"),
    M("ui-key-shortcut", "ui/KeyInputWidget.cpp",
      "            e->accept();\n            return true;\n        case QEvent::KeyPress:",
      "            return QLineEdit::event(e);\n        case QEvent::KeyPress:",
      "a key that is a window shortcut triggers it instead of being captured"),
    M("ui-overlay-offset", "ui/GlobalMouseWidget.h", "kOffset = 30;", "kOffset = 20;",
      "the pick label sits too close to the pointer"),
    M("ui-key-editor-label", "ui/OperationEditorFactory.cpp",
      'property->propertyName() == QStringLiteral("按键")',
      'property->propertyName().contains(QStringLiteral("按键"))',
      "the click button row gets the key capture editor"),
    M("ui-palette-category-drag", "ui/OperationTreeWidget.cpp",
      "if (!item || item->childCount() > 0) return nullptr;", "if (!item) return nullptr;",
      "a category of the palette can be dragged"),
    M("ui-panels-unconnected", "ui/Flowsmith.cpp",
      "    connect(m_ui->opTable, &OperationTableView::operationSelected, panel,\n"
      "            &PropertyPanelWidget::setOperation);\n",
      "", "selecting a row does not show its properties"),
    # app
    M("app-last-f", "app/StartupArguments.cpp", 'arguments.indexOf(QStringLiteral("-f"))',
      'arguments.lastIndexOf(QStringLiteral("-f"))', "the last -f wins"),
    M("app-path-latin1", "app/QuitNotifier.cpp", "filePath.toUtf8()", "filePath.toLatin1()",
      "the quit notification mangles non-ASCII paths"),
    M("app-window-without-flow", "app/main.cpp",
      "    if (StartupArguments::flowPath(arguments).isEmpty()) return 0;", "",
      "without a flow the designer starts its GUI before it quits (and needs a display)"),
    M("app-no-quit-notice", "app/main.cpp", "[&filePath] { QuitNotifier::send(filePath); }",
      "[] {}", "the launching program is not told the path on quit"),
    # tools/flowctl
    M("flowctl-backslash", "model/FlowJson.cpp", "u == '\"' || u == '\\\\'",
      "u == '\"'", "a backslash is written unescaped"),
    M("flowctl-null-string", "model/FlowJson.cpp", 'if (s.isNull()) return "null";',
      'if (false) return "null";', "null strings are written as empty"),
    M("flowctl-extra-modifier-bits", "model/FlowJson.cpp",
      "    if (rest) items << QByteArray::number(qint32(rest));\n", "",
      "modifier bits without a name are lost"),
    M("flowctl-32-bit-range", "model/FlowJson.cpp",
      " ||\n            d > std::numeric_limits<qint32>::max())", ")",
      "numbers beyond 32 bits are accepted"),
    M("flowctl-unknown-field", "model/FlowJson.cpp",
      'if (!known) return fail(k, "unknown field");', "",
      "a misspelt field is ignored"),
    M("flowctl-empty-is-null", "model/FlowJson.cpp",
      'if (out->isNull()) *out = QLatin1String("");', "",
      "an empty string is read back as null"),
    M("flowctl-exit-status", "tools/flowctl/main.cpp",
      "    err << \"flowctl: \" << flow.lastError() << Qt::endl;\n    return BadContent;",
      "    err << \"flowctl: \" << flow.lastError() << Qt::endl;\n    return CannotRead;",
      "a damaged file exits as an unreadable one"),
    M("flowctl-interrupt-exit", "tools/flowctl/FlowPlayer.cpp", "m_exitCode = 130;",
      "m_exitCode = 1;", "a stopped play exits as a failure"),
    M("flowctl-no-sigint", "platform/StopSignals.cpp",
      "    for (int s : kSignals) std::signal(s, onSignal);\n", "",
      "Ctrl+C kills play without releasing keys"),
]


def check_unique_ids():
    seen = set()
    for m in MUTATIONS:
        if m.id in seen:
            sys.exit(f"mutate: duplicate id {m.id}")
        seen.add(m.id)


def applicability(m):
    """None when the mutation applies, otherwise why not."""
    path = ROOT / "src" / m.file
    if not path.exists():
        return f"not applicable: {m.file} is gone"
    count = path.read_text(encoding="utf-8").count(m.text)
    if count != 1:
        return f"not applicable: text found {count} times in {m.file}"
    return None


class Restorer:
    """Puts the changed file back: on exit, on Ctrl+C or SIGTERM, and on the next start
    when a previous run was killed outright (the original is kept in the build folder)."""

    def __init__(self, build):
        self.backup = build / "mutate-backup.json"
        self.current = None

    def recover(self):
        if self.backup.exists():
            saved = json.loads(self.backup.read_text(encoding="utf-8"))
            Path(saved["path"]).write_text(saved["text"], encoding="utf-8")
            self.backup.unlink()
            print(f"mutate: restored {saved['path']} left changed by an earlier run")

    def apply(self, path, text, mutated):
        self.backup.write_text(json.dumps({"path": str(path), "text": text}), encoding="utf-8")
        self.current = (path, text)
        path.write_text(mutated, encoding="utf-8")

    def restore(self):
        if self.current:
            path, text = self.current
            path.write_text(text, encoding="utf-8")
            self.current = None
        if self.backup.exists():
            self.backup.unlink()


def run(cmd, **kwargs):
    return subprocess.run(cmd, text=True, capture_output=True, **kwargs)


class Suite:
    def __init__(self, build, jobs, timeout):
        self.build = build
        self.jobs = jobs
        self.timeout = timeout
        home = build / "test-home"
        self.env = dict(os.environ)
        for name, sub in (("XDG_CONFIG_HOME", "config"), ("XDG_DATA_HOME", "data"),
                          ("XDG_RUNTIME_DIR", "runtime")):
            (home / sub).mkdir(parents=True, exist_ok=True)
            self.env[name] = str(home / sub)
        os.chmod(home / "runtime", 0o700)

    def configure(self):
        # Configured every time, so that the tests listed below are those of the code as it
        # is now, not those of the last run in this build folder.
        # Optimised as scripts/test.sh builds, but without debug information and linked by
        # lld: most of the time a fault takes is relinking the tests.
        r = run(["cmake", "-S", str(ROOT), "-B", str(self.build), "-G", "Ninja",
                 "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -DNDEBUG",
                 "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld",
                 f"-DFLOWSMITH_TEST_TIMEOUT={self.timeout}"])
        if r.returncode != 0:
            sys.exit("mutate: cmake failed\n" + r.stdout + r.stderr)
        # Each test is the program of the same name (flowsmith_add_test).
        r = run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"])
        names = [t["name"] for t in json.loads(r.stdout)["tests"]]
        self.targets = sorted(set(names) | {"flowctl", "flowsmith", "x11_textreceiver"})
        self.tests = names
        # Tests that start one of our programs as a process depend on it too.
        self.launches = {}
        for name in names:
            sources = list((ROOT / "tests").rglob(name + ".cpp"))
            text = sources[0].read_text(encoding="utf-8") if sources else ""
            self.launches[name] = [p for key, p in (("FLOWCTL_PATH", "flowctl"),
                                                    ("FLOWSMITH_PATH", "flowsmith"))
                                   if key in text]

    def build_targets(self):
        r = run(["cmake", "--build", str(self.build), "-j", str(self.jobs), "--target",
                 *self.targets])
        if r.returncode == 0 and not hasattr(self, "files"):
            found = {p.name: p for p in self.build.rglob("*") if p.name in self.targets}
            self.files = {n: found.get(n) for n in self.targets}
        return r.returncode == 0, r.stdout + r.stderr

    def stamps(self):
        """The modification time of every test program and of the programs tests start."""
        return {n: (p.stat().st_mtime_ns if p and p.exists() else 0)
                for n, p in self.files.items()}

    def affected(self, before, after):
        changed = {n for n in before if before[n] != after[n]}
        return sorted(t for t in self.tests
                      if t in changed or any(p in changed for p in self.launches[t]))

    def run_tests(self, names, runs=3):
        """The tests among `names` that failed (crashed, timed out or reported a failure),
        each with the functions that failed. A failure counts only when the test fails every
        time it is run again, so that a test that fails now and then under load is not taken
        for one that catches the fault."""
        failed = self.run_once(names)
        for _ in range(runs - 1):
            again = {t.split(" ")[0] for t in self.run_once([t.split(" ")[0] for t in failed])}
            failed = [t for t in failed if t.split(" ")[0] in again]
        return failed

    def run_once(self, names):
        if not names:
            return []
        failed_log = self.build / "Testing" / "Temporary" / "LastTestsFailed.log"
        if failed_log.exists():
            failed_log.unlink()
        pattern = "^(" + "|".join(re.escape(n) for n in names) + ")$"
        run(["xvfb-run", "-a", "-s", "-screen 0 1366x768x24 -nolisten tcp",
             "ctest", "--test-dir", str(self.build), "-j", str(self.jobs), "-R", pattern],
            env=self.env)
        if not failed_log.exists():
            return []
        failed = sorted(line.split(":", 1)[1].strip()
                        for line in failed_log.read_text().splitlines() if ":" in line)
        return [t + self.failed_functions(t) for t in failed]

    def failed_functions(self, test):
        """" (function, function)" of the QtTest functions that failed, from CTest's log;
        empty when the program crashed or timed out before reporting one."""
        log = (self.build / "Testing" / "Temporary" / "LastTest.log").read_text(errors="replace")
        start = log.find(f"Testing: {test}\n")
        output = log[start:log.find("<end of output>", start)] if start >= 0 else ""
        functions = []
        for name in re.findall(r"^FAIL!  : \w+::(\w+)\(", output, re.MULTILINE):
            if name not in functions:
                functions.append(name)
        return f" ({', '.join(functions)})" if functions else ""


def short(test):
    return test[4:] if test.startswith("tst_") else test


def table(results, before=None):
    lines = []
    if before is None:
        lines += ["| fault | file | what it breaks | failing tests |", "|---|---|---|---|"]
    else:
        lines += ["| fault | what it breaks | caught before | caught after |", "|---|---|---|---|"]
    for m in MUTATIONS:
        r = results.get(m.id)
        if r is None:
            continue
        if before is None:
            lines.append(f"| {m.id} | {m.file} | {m.fault} | {describe(r)} |")
        else:
            earlier = describe(before[m.id]) if m.id in before else "*not in that run*"
            lines.append(f"| {m.id} | {m.fault} | {earlier} | {describe(r)} |")
    return "\n".join(lines)


def describe(r):
    if r["status"] != "ran":
        return f"*{r['status']}*"
    if not r["failed"]:
        return "**none** (ran " + ", ".join(short(t) for t in r["ran"]) + ")"
    return ", ".join(short(t) for t in r["failed"])


def summary(results):
    ran = [r for r in results.values() if r["status"] == "ran"]
    caught = [r for r in ran if r["failed"]]
    return (f"{len(results)} faults: {len(caught)} caught, {len(ran) - len(caught)} not caught, "
            f"{len(results) - len(ran)} not applicable or not building")


def catchers(results):
    """For each test function ("test::function", or the test alone when it crashed), the
    faults it caught."""
    caught = {}
    for fault, r in results.items():
        for entry in r["failed"]:
            test, _, functions = entry.partition(" (")
            names = [f"{test}::{f}" for f in functions.rstrip(")").split(", ") if f] or [test]
            for name in names:
                caught.setdefault(name, set()).add(fault)
    return caught


def uniques(results):
    """Test functions by the faults that no other function caught: a function with none is a
    candidate to cut, one with some is what stands between those faults and the user."""
    caught = catchers(results)
    lines = []
    for name in sorted(caught, key=lambda n: (-len(caught[n]), n)):
        others = set().union(*(caught[o] for o in caught if o != name))
        alone = sorted(caught[name] - others)
        lines.append(f"{short(name):60} {len(caught[name]):3} caught, alone: "
                     + (", ".join(alone) if alone else "-"))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--only", help="comma-separated ids or shell patterns")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    parser.add_argument("--build-dir", default=str(ROOT / "build-mutate"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--timeout", type=int, default=90, help="seconds per test")
    parser.add_argument("--json", help="also write the results as JSON here")
    parser.add_argument("--compare", help="results of an earlier run (JSON) to set beside")
    parser.add_argument("--markdown", help="also write the table here")
    parser.add_argument("--results", metavar="RESULTS", nargs="+",
                        help="print the table of earlier results (JSON) instead of running; "
                             "several files (runs over parts of the list) count as one run")
    parser.add_argument("--uniques", metavar="RESULTS",
                        help="list the test functions of earlier results (JSON) by the faults "
                             "only they caught, and stop")
    args = parser.parse_args()
    check_unique_ids()

    chosen = MUTATIONS
    if args.only:
        patterns = [p.strip() for p in args.only.split(",") if p.strip()]
        chosen = [m for m in MUTATIONS if any(fnmatch.fnmatch(m.id, p) for p in patterns)]
    if args.uniques:
        print(uniques(json.loads(Path(args.uniques).read_text(encoding="utf-8"))))
        return 0
    if args.results:
        results = {}
        for part in args.results:
            results.update(json.loads(Path(part).read_text(encoding="utf-8")))
        return report(results, args)
    if args.list:
        for m in chosen:
            print(f"{m.id:32} {m.file:48} {applicability(m) or 'applies'}")
        return 0

    build = Path(args.build_dir).resolve()
    build.mkdir(parents=True, exist_ok=True)
    restorer = Restorer(build)
    restorer.recover()

    def on_signal(signum, _frame):
        raise KeyboardInterrupt(f"signal {signum}")

    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGHUP, on_signal)

    suite = Suite(build, args.jobs, args.timeout)
    suite.configure()
    ok, log = suite.build_targets()
    if not ok:
        sys.exit("mutate: the unchanged code does not build\n" + log[-3000:])
    baseline = [t.split(" ")[0] for t in suite.run_tests(suite.tests)]
    if baseline:
        print("mutate: failing without any fault, not counted: " + ", ".join(baseline))

    results = {}
    started = time.monotonic()
    try:
        for n, m in enumerate(chosen, 1):
            t0 = time.monotonic()
            reason = applicability(m)
            if reason:
                results[m.id] = {"status": reason, "failed": [], "ran": []}
            else:
                # The previous fault is taken back by the build below: the tests that run
                # are then those of both files, which changes no result.
                before = suite.stamps()
                path = ROOT / "src" / m.file
                original = path.read_text(encoding="utf-8")
                try:
                    restorer.apply(path, original, original.replace(m.text, m.replacement))
                    ok, log = suite.build_targets()
                    if not ok:
                        results[m.id] = {"status": "does not build", "failed": [], "ran": []}
                    else:
                        ran = suite.affected(before, suite.stamps())
                        failed = [t for t in suite.run_tests(ran)
                                  if t.split(" ")[0] not in baseline]
                        results[m.id] = {"status": "ran", "failed": failed, "ran": ran}
                finally:
                    restorer.restore()
            print(f"[{n}/{len(chosen)}] {m.id}: {describe(results[m.id])} "
                  f"({time.monotonic() - t0:.0f} s)", flush=True)
    except KeyboardInterrupt:
        print("mutate: interrupted; the changed file is back as it was")
    finally:
        restorer.restore()
        suite.build_targets()

    print(f"\n{time.monotonic() - started:.0f} s")
    if args.json:
        Path(args.json).write_text(json.dumps(results, indent=1, ensure_ascii=False) + "\n",
                                   encoding="utf-8")
    return report(results, args)


def report(results, args):
    before = None
    if args.compare:
        before = json.loads(Path(args.compare).read_text(encoding="utf-8"))
    text = table(results, before) + "\n\n" + summary(results)
    if before is not None:
        # Only the faults of this list, so that both lines count the same faults.
        earlier = {k: v for k, v in before.items() if k in results}
        lost = [k for k in results if earlier.get(k, {}).get("failed") and not results[k]["failed"]]
        text += (" (this run)\n\n" + summary(earlier) + " (the earlier run)\n\n"
                 + "caught before, not now: " + (", ".join(lost) if lost else "none"))
    print("\n" + text)
    if args.markdown:
        Path(args.markdown).write_text(text + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
