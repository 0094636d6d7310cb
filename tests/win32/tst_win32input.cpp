// SendInput as the flows use it: keys and UTF-16 characters typed into a real EDIT
// control, and absolute moves that must land on the very pixel they name.
#include <cstdio>

#include "platform/win32/Win32Input.h"
#include "win32/support/InputRecords.h"
#include "win32/support/TestWindow.h"
#include "win32/support/WineTest.h"

namespace {

using Batches = std::vector<std::vector<INPUT>>;

// One batch per key step: a virtual key pressed (+), released (-) or tapped (0).
Batches keys(std::initializer_list<std::pair<char, WORD>> steps) {
    Batches out;
    for (const auto& [action, virtualKey] : steps) {
        out.emplace_back();
        if (action != '-') out.back().push_back(keyRecord(virtualKey, false));
        if (action != '+') out.back().push_back(keyRecord(virtualKey, true));
    }
    return out;
}

// One batch per UTF-16 code unit, as the text operation sends.
Batches characters(const std::wstring& text) {
    Batches out;
    for (wchar_t unit : text)
        out.push_back({characterRecord(unit, false), characterRecord(unit, true)});
    return out;
}

void typing() {
    std::wstring ascii;
    for (wchar_t c = 0x20; c < 0x7f; ++c) ascii += c;
    const struct {
        const char* name;
        Batches batches;
        std::wstring typed;
    } rows[] = {
        {"letters and digits", keys({{0, 'F'}, {0, 'L'}, {0, '7'}}), L"fl7"},
        {"Shift held across two keys",
         keys({{'+', VK_SHIFT}, {0, 'A'}, {0, '1'}, {'-', VK_SHIFT}, {0, 'B'}}), L"A!b"},
        {"Backspace and Space", keys({{0, 'X'}, {0, 'Y'}, {0, VK_BACK}, {0, VK_SPACE}, {0, 'Z'}}),
         L"x z"},
        {"every printable ASCII character", characters(ascii), ascii},
        {"Chinese", characters(L"自动化输入测试，你好世界。"), L"自动化输入测试，你好世界。"},
        {"an emoji between letters (a surrogate pair)", characters(L"a\U0001F600b"),
         L"a\U0001F600b"},
    };
    TestWindow window;
    for (const auto& row : rows) {
        window.clear();
        if (!CHECK(window.focus())) return;
        for (const std::vector<INPUT>& batch : row.batches) CHECK(Win32Input::send(batch));
        pumpUntil([&] { return window.text() == row.typed; }, 3000);
        if (!CHECK_EQUAL(window.text(), row.typed)) std::printf("    in: %s\n", row.name);
    }
}

// Every column along one row and every row along one column of the primary screen.
void absoluteMoves() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::printf("  screen %dx%d\n", w, h);
    int wrong = 0;
    auto moveAndCheck = [&](int x, int y) {
        Win32Input::send({moveRecord(x, y)});
        const POINT p = cursor();
        if (p.x == x && p.y == y) return;
        if (++wrong <= 5)
            failCheck(__FILE__, __LINE__,
                      "move to (" + std::to_string(x) + "," + std::to_string(y) + ") landed on (" +
                          std::to_string(p.x) + "," + std::to_string(p.y) + ")");
    };
    for (int x = 0; x < w; ++x) moveAndCheck(x, (x * 7) % h);
    for (int y = 0; y < h; ++y) moveAndCheck((y * 13) % w, y);
    if (wrong > 5) failCheck(__FILE__, __LINE__, std::to_string(wrong) + " moves missed in all");
}

}  // namespace

int main(int argc, char** argv) {
    return runWineTests(argc, argv, {{"typing", typing}, {"absoluteMoves", absoluteMoves}});
}
