#include "model/RecordingConverter.h"

#include <QHash>
#include <algorithm>
#include <functional>
#include <limits>
#include <optional>

#include "model/InputHelpers.h"
#include "model/KeyNames.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/TextInputOperation.h"

// One operation to be: what it does, and the times of the first and the last event it
// stands for.
struct RecordingConverter::Step {
    enum Kind { Tap, Press, Release, Text, Move, Click, DoubleClick };
    Step(Kind k, qint64 t) : kind(k), time(t), end(t) {}

    Kind kind;
    qint64 time;
    qint64 end;
    quint16 virtualKey = 0;
    Qt::KeyboardModifiers modifiers;
    QString text;
    QPoint position;
    int button = 0;
};

namespace {

using Skipped = std::array<int, kSkippedInputKinds>;
constexpr Qt::KeyboardModifiers kCommandModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// The keys and clicks of a recording in order, each key event still on its own; the
// pointer's moves already chosen.
struct Item {
    enum Kind { KeyDown, KeyUp, Click, Move };
    Item(Kind k, qint64 t, const QPoint& at = QPoint()) : kind(k), time(t), end(t), position(at) {}

    Kind kind;
    qint64 time;
    qint64 end;  // a click's (last) release
    // Keys.
    quint32 keyCode = 0;
    quint16 virtualKey = 0;
    QString text;
    Qt::KeyboardModifiers modifiers;
    int partner = -1;       // the release of a press, the press of a release
    bool repeated = false;  // the key repeated while held
    bool dead = false;      // makes no operation and counts as nothing between others
    // Clicks and moves.
    QPoint position;
    int button = 0;  // as the click operation numbers them: left, right, middle
    bool doubleClick = false;
};

// What a key press becomes.
enum class Role { Text, Tap, PressRelease, Absorbed };

bool isModifier(quint16 virtualKey) {
    return RecordedEvent::modifierForKey(virtualKey) != Qt::NoModifier;
}

bool typesText(const Item& down) {
    return !down.text.isEmpty() && !(down.modifiers & kCommandModifiers);
}

int clickButton(RecordedEvent::Button button) {
    return button == RecordedEvent::Right    ? MouseClickOperation::Right
           : button == RecordedEvent::Middle ? MouseClickOperation::Middle
                                             : MouseClickOperation::Left;
}

// Clicks, moves and key events in order; drags, wheel notches and side buttons counted.
class PointerPass {
public:
    PointerPass(const RecordingOptions& options, Skipped* skipped)
        : m_options(options), m_skipped(*skipped) {}

    std::vector<Item> run(const QVector<RecordedEvent>& events) {
        for (const RecordedEvent& e : events) {
            switch (e.kind) {
                case RecordedEvent::Motion:
                    onMotion(e);
                    break;
                case RecordedEvent::ButtonDown:
                    if (e.button == RecordedEvent::Side) {
                        ++m_skipped[size_t(SkippedInput::SideButton)];
                        break;
                    }
                    m_held[clickButton(e.button)] = Press{e.position, e.time, false};
                    break;
                case RecordedEvent::ButtonUp:
                    if (e.button != RecordedEvent::Side) onRelease(e);
                    break;
                case RecordedEvent::Wheel:
                    ++m_skipped[size_t(SkippedInput::Wheel)];
                    break;
                case RecordedEvent::KeyDown:
                case RecordedEvent::KeyUp: {
                    keepRest();
                    m_lastClick = -1;
                    Item key(e.kind == RecordedEvent::KeyDown ? Item::KeyDown : Item::KeyUp,
                             e.time);
                    key.keyCode = e.keyCode;
                    key.virtualKey = e.virtualKey;
                    key.text = e.text;
                    key.modifiers = e.modifiers;
                    m_items.push_back(key);
                    break;
                }
            }
        }
        keepRest();
        for (const auto& held : m_held)
            if (held) ++m_skipped[size_t(SkippedInput::Drag)];
        return std::move(m_items);
    }

private:
    struct Press {
        QPoint position;
        qint64 time;
        bool dragged;
    };

    bool anyHeld() const { return m_held[0] || m_held[1] || m_held[2]; }

    void onMotion(const RecordedEvent& e) {
        if (anyHeld()) {
            for (auto& held : m_held)
                if (held &&
                    (e.position - held->position).manhattanLength() > m_options.dragDistance)
                    held->dragged = true;
            return;
        }
        if (m_options.moveInterval <= 0) return;
        if (!m_pointer || (e.time - m_pointerTime >= m_options.moveInterval &&
                           (e.position - *m_pointer).manhattanLength() >= m_options.moveDistance)) {
            keepMove(e.position, e.time);
            return;
        }
        // Where the pointer came to rest is kept too, when nothing sampled it.
        m_rest = Item(Item::Move, e.time, e.position);
    }

    void onRelease(const RecordedEvent& e) {
        std::optional<Press>& held = m_held[clickButton(e.button)];
        if (!held) {
            ++m_skipped[size_t(SkippedInput::EarlyRelease)];
            return;
        }
        const Press press = *held;
        held.reset();
        if (press.dragged ||
            (e.position - press.position).manhattanLength() > m_options.dragDistance) {
            ++m_skipped[size_t(SkippedInput::Drag)];
            return;
        }
        click(clickButton(e.button), press.position, press.time, e.time);
    }

    void click(int button, const QPoint& at, qint64 time, qint64 released) {
        m_rest.reset();
        if (m_lastClick >= 0) {
            Item& first = m_items[size_t(m_lastClick)];
            const QPoint d = at - first.position;
            if (first.button == button && time - first.time <= m_options.doubleClickTime &&
                qAbs(d.x()) <= m_options.doubleClickDistance &&
                qAbs(d.y()) <= m_options.doubleClickDistance) {
                first.doubleClick = true;
                first.end = released;
                // Only moves follow it, and they stayed within reach of the first click.
                m_items.erase(m_items.begin() + m_lastClick + 1, m_items.end());
                m_pointer = first.position;
                m_lastClick = -1;
                return;
            }
        }
        // The click operation clicks where the pointer is, so a move takes it there.
        if (!m_pointer || *m_pointer != at) keepMove(at, time);
        Item c(Item::Click, time, at);
        c.end = released;
        c.button = button;
        m_items.push_back(c);
        m_lastClick = int(m_items.size()) - 1;
        m_pointerTime = time;
    }

    void keepMove(const QPoint& at, qint64 time) {
        m_items.push_back(Item(Item::Move, time, at));
        m_pointer = at;
        m_pointerTime = time;
        m_rest.reset();
    }

    void keepRest() {
        if (m_rest && (m_rest->position - *m_pointer).manhattanLength() >= m_options.moveDistance)
            keepMove(m_rest->position, m_rest->time);
        m_rest.reset();
    }

    const RecordingOptions& m_options;
    Skipped& m_skipped;
    std::vector<Item> m_items;
    std::optional<Press> m_held[3];
    std::optional<QPoint> m_pointer;  // where the replay will have put the pointer
    qint64 m_pointerTime = 0;
    std::optional<Item> m_rest;
    int m_lastClick = -1;  // a single click that a second one may make double
};

// Pairs each key press with its release. A press of a key already down is the key
// repeating: more text for a text key, otherwise a sign the key was held.
void pairKeys(std::vector<Item>& items, Skipped* skipped) {
    QHash<quint32, int> down;
    const qint64 end = items.empty() ? 0 : items.back().time;
    for (int i = 0; i < int(items.size()); ++i) {
        Item& item = items[size_t(i)];
        if (item.kind == Item::KeyDown) {
            auto it = down.find(item.keyCode);
            if (it == down.end()) {
                down.insert(item.keyCode, i);
                continue;
            }
            Item& first = items[size_t(it.value())];
            if (typesText(first)) {
                item.text = first.text;
                item.modifiers = first.modifiers;
            } else {
                first.repeated = true;
                item.dead = true;
            }
        } else if (item.kind == Item::KeyUp) {
            auto it = down.find(item.keyCode);
            if (it == down.end()) {
                ++(*skipped)[size_t(SkippedInput::EarlyRelease)];
                item.dead = true;
                continue;
            }
            item.partner = it.value();
            items[size_t(it.value())].partner = i;
            down.erase(it);
        }
    }
    // Keys still down at the stop come up at the end, so the replay leaves none held;
    // the last pressed first.
    QList<int> held = down.values();
    std::sort(held.begin(), held.end(), std::greater<int>());
    for (int press : held) {
        Item up = items[size_t(press)];
        up.kind = Item::KeyUp;
        up.time = end;
        up.partner = press;
        items[size_t(press)].partner = int(items.size());
        items.push_back(up);
    }
}

// Decides what each key press becomes. A modifier held only around other keys is
// absorbed into their modifiers; held around a click or a move, which carry no
// modifiers, it is pressed and released in rows of its own.
std::vector<Role> keyRoles(std::vector<Item>& items, Skipped* skipped) {
    const size_t n = items.size();
    for (Item& item : items) {
        if (item.kind != Item::KeyDown || item.dead || typesText(item)) continue;
        if (KeyNames::nameForVirtualKey(item.virtualKey).isEmpty()) {
            ++(*skipped)[size_t(SkippedInput::UnnamedKey)];
            item.dead = true;
            if (item.partner >= 0) items[size_t(item.partner)].dead = true;
        }
    }
    // Running counts, so that what lies between a press and its release is a subtraction.
    std::vector<int> pointer(n + 1, 0), presses(n + 1, 0), plainPresses(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        const Item& item = items[i];
        const bool live = !item.dead;
        pointer[i + 1] =
            pointer[i] + (live && (item.kind == Item::Click || item.kind == Item::Move));
        const bool press = live && item.kind == Item::KeyDown;
        presses[i + 1] = presses[i] + press;
        plainPresses[i + 1] = plainPresses[i] + (press && !isModifier(item.virtualKey));
    }
    std::vector<Role> roles(n, Role::Absorbed);
    for (size_t i = 0; i < n; ++i) {
        const Item& item = items[i];
        if (item.kind != Item::KeyDown || item.dead) continue;
        if (typesText(item)) {
            roles[i] = Role::Text;
            continue;
        }
        const size_t j = size_t(item.partner);
        const bool pointerBetween = pointer[j] - pointer[i + 1] > 0;
        const bool pressBetween = presses[j] - presses[i + 1] > 0;
        if (!isModifier(item.virtualKey))
            roles[i] =
                pointerBetween || pressBetween || item.repeated ? Role::PressRelease : Role::Tap;
        else if (!pointerBetween && !pressBetween)
            roles[i] = Role::Tap;
        else if (!pointerBetween && plainPresses[j] - plainPresses[i + 1] > 0)
            roles[i] = Role::Absorbed;
        else
            roles[i] = Role::PressRelease;
    }
    return roles;
}

// Modifiers that press rows hold down, counted per modifier since two rows may hold one.
class HeldModifiers {
public:
    Qt::KeyboardModifiers flags() const {
        Qt::KeyboardModifiers f;
        for (int i = 0; i < 4; ++i)
            if (m_count[i] > 0) f |= kModifierKeys[i].flag;
        return f;
    }
    void add(Qt::KeyboardModifiers m, int delta) {
        for (int i = 0; i < 4; ++i)
            if (m & kModifierKeys[i].flag) m_count[i] += delta;
    }

private:
    int m_count[4] = {};
};

}  // namespace

RecordingConverter::RecordingConverter(const RecordingOptions& options) : m_options(options) {}

std::vector<RecordingConverter::Step> RecordingConverter::plan(const QVector<RecordedEvent>& events,
                                                               Skipped* skipped) const {
    std::vector<Item> items = PointerPass(m_options, skipped).run(events);
    pairKeys(items, skipped);
    const std::vector<Role> roles = keyRoles(items, skipped);

    std::vector<Step> steps;
    HeldModifiers held;
    std::vector<Qt::KeyboardModifiers> rowModifiers(items.size());
    int textStep = -1;  // the text row that typing goes on
    qint64 lastTyped = 0;
    // Absorbed modifiers belong to the keys they modify: the first one down starts the
    // next row, and one coming up lengthens the row before it.
    bool modifierWaits = false;
    qint64 modifierDown = 0;
    auto begin = [&](Step& s) {
        if (modifierWaits) s.time = qMin(s.time, modifierDown);
        modifierWaits = false;
    };
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        if (item.dead) continue;
        Step step(Step::Move, item.time);
        step.position = item.position;
        step.virtualKey = item.virtualKey;
        // Taps and typing last until their keys come up.
        const qint64 released = item.partner >= 0 ? items[size_t(item.partner)].time : item.time;
        if (item.kind == Item::Click) {
            step.kind = item.doubleClick ? Step::DoubleClick : Step::Click;
            step.end = item.end;
            step.button = item.button;
        } else if (item.kind == Item::KeyDown) {
            const Role role = roles[i];
            if (role == Role::Absorbed) {
                if (!modifierWaits) modifierDown = item.time;
                modifierWaits = true;
                continue;
            }
            if (role == Role::Text) {
                if (textStep >= 0 && item.time - lastTyped <= m_options.typingPause) {
                    Step& typing = steps[size_t(textStep)];
                    typing.text += item.text;
                    typing.end = qMax(typing.end, released);
                    modifierWaits = false;
                } else {
                    step.kind = Step::Text;
                    step.text = item.text;
                    step.end = released;
                    begin(step);
                    steps.push_back(step);
                    textStep = int(steps.size()) - 1;
                }
                lastTyped = item.time;
                continue;
            }
            // What a press row holds down is not pressed again by the rows within.
            step.modifiers = item.modifiers & ~held.flags();
            step.kind = role == Role::Tap ? Step::Tap : Step::Press;
            if (role == Role::Tap) step.end = released;
            if (role == Role::PressRelease) {
                rowModifiers[i] = step.modifiers | RecordedEvent::modifierForKey(item.virtualKey);
                held.add(rowModifiers[i], +1);
            }
        } else if (item.kind == Item::KeyUp) {
            const size_t press = size_t(item.partner);
            if (roles[press] == Role::Absorbed && !steps.empty())
                steps.back().end = qMax(steps.back().end, item.time);
            if (roles[press] != Role::PressRelease) continue;
            held.add(rowModifiers[press], -1);
            step.kind = Step::Release;
            step.modifiers = rowModifiers[press] & ~RecordedEvent::modifierForKey(item.virtualKey);
        }
        begin(step);
        steps.push_back(step);
        textStep = -1;
    }
    return steps;
}

int RecordingConverter::countSteps(const QVector<RecordedEvent>& events) const {
    Skipped skipped{};
    return int(plan(events, &skipped).size());
}

RecordingResult RecordingConverter::convert(const QVector<RecordedEvent>& events) const {
    RecordingResult result;
    qint64 previous = 0;
    for (const Step& step : plan(events, &result.skipped)) {
        std::unique_ptr<Operation> op;
        switch (step.kind) {
            case Step::Tap:
            case Step::Press:
            case Step::Release: {
                auto key = std::make_unique<KeyboardOperation>();
                key->setEventType(step.kind == Step::Press     ? KeyboardOperation::Press
                                  : step.kind == Step::Release ? KeyboardOperation::Release
                                                               : KeyboardOperation::Tap);
                key->setKey(KeyNames::nameForVirtualKey(step.virtualKey));
                key->setModifiers(step.modifiers);
                op = std::move(key);
                break;
            }
            case Step::Text: {
                auto text = std::make_unique<TextInputOperation>();
                text->setText(step.text);
                op = std::move(text);
                break;
            }
            case Step::Move: {
                auto move = std::make_unique<MouseMoveOperation>();
                move->setPosition(step.position);
                op = std::move(move);
                break;
            }
            case Step::Click:
            case Step::DoubleClick: {
                auto click = std::make_unique<MouseClickOperation>();
                click->setPosition(step.position);
                click->setClickType(step.kind == Step::DoubleClick ? MouseClickOperation::Double
                                                                   : MouseClickOperation::Single);
                click->setClickButton(step.button);
                op = std::move(click);
                break;
            }
        }
        // The real gap: from the last event of the step before to the first of this one.
        const qint64 gap = qBound<qint64>(0, step.time - previous, std::numeric_limits<int>::max());
        op->setInterval(int(gap));
        previous = step.end;
        result.operations.push_back(std::move(op));
    }
    return result;
}
