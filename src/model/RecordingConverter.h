#pragma once

#include <QVector>
#include <array>
#include <memory>
#include <vector>

#include "model/Operation.h"
#include "platform/RecordedEvent.h"

// How recorded input becomes operations.
struct RecordingOptions {
    // Pointer movement between clicks: a move at most every moveInterval ms, and only
    // once the pointer went moveDistance pixels; 0 keeps none (a click still moves
    // the pointer to where it was pressed).
    int moveInterval = 0;
    int moveDistance = 1;
    // Two clicks of a button this close in time (ms) and place (pixels each way) are
    // one double click.
    int doubleClickTime = 400;
    int doubleClickDistance = 5;
    // A button released this far (pixels) from its press, or moved that far while held,
    // was dragged.
    int dragDistance = 5;
    // A pause this long (ms) while typing ends a text row.
    int typingPause = 1000;
};

// What the flow format cannot hold and a recording therefore leaves out, by kind.
enum class SkippedInput {
    Drag,          // a button held down while the pointer moved
    Wheel,         // a wheel notch
    SideButton,    // a press of a button other than left, right and middle
    UnnamedKey,    // a key that typed no text and has no name in flows
    EarlyRelease,  // the release of a key or button pressed before the recording
};
constexpr int kSkippedInputKinds = 5;

struct RecordingResult {
    std::vector<std::unique_ptr<Operation>> operations;
    std::array<int, kSkippedInputKinds> skipped{};

    int skippedCount(SkippedInput kind) const { return skipped[size_t(kind)]; }
};

// Turns the events of a recording into the operations that replay it: the real gap
// between the last event of one operation and the first of the next becomes the next
// one's interval; a key pressed and released with
// nothing between is one tap with the modifiers held, other keys a press and a
// release; characters typed without Ctrl, Alt or Win one text; a click a move to
// where it was pressed and a click; two quick clicks one double click.
class RecordingConverter {
public:
    explicit RecordingConverter(const RecordingOptions& options = RecordingOptions());

    // Event times count from the start of the recording.
    RecordingResult convert(const QVector<RecordedEvent>& events) const;
    // How many operations convert() makes, without making them.
    int countSteps(const QVector<RecordedEvent>& events) const;

    struct Step;

private:
    std::vector<Step> plan(const QVector<RecordedEvent>& events,
                           std::array<int, kSkippedInputKinds>* skipped) const;

    RecordingOptions m_options;
};
