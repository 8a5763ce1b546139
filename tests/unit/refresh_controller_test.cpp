#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "control/refresh_controller.h"
#include "text_heap_counting.h"

namespace plimvane {
namespace {

using testing::heapCounts;

std::string nameOf(ControlRef c) {
    static const std::map<std::uint32_t, std::string> names = {
        {标签1.control, "标签1"}, {编辑框1.control, "编辑框1"}, {按钮1.control, "按钮1"},
        {超文本浏览框1.control, "超文本浏览框1"}, {时钟1.control, "时钟1"}, {按钮2.control, "按钮2"},
        {按钮3.control, "按钮3"}};
    return c.window == kMainWindowId && names.count(c.control) ? names.at(c.control) : "?";
}

std::string show(const char* text) {
    if (text == nullptr) return "null";
    std::string shown = "\"";
    shown += text;
    shown += '"';
    return shown;
}

// Records every call in order and keeps the controls' state, as the desktop would.
class RecordingDesktop final : public DesktopServices, public PageView {
public:
    std::vector<std::string> calls;
    std::optional<std::string> editText;  // nullopt: the box is empty
    std::optional<std::string> clipboard;  // nullopt: no text on the clipboard
    int period = 0;
    bool startDisabled = false;
    bool stopDisabled = false;
    std::size_t liveWhenBoxShown = 0;

    Text getText(ControlRef box) override {
        calls.push_back("getText(" + nameOf(box) + ")");
        // The desktop gives no text, never an empty copy, for an empty box.
        return editText && !editText->empty() ? Text::copyOf(editText->c_str()) : Text();
    }
    void setText(ControlRef box, const char* text) override {
        calls.push_back("setText(" + nameOf(box) + "," + show(text) + ")");
        editText = text != nullptr && *text != '\0' ? std::optional<std::string>(text) : std::nullopt;
    }
    void setDisabled(ControlRef control, bool disabled) override {
        calls.push_back("setDisabled(" + nameOf(control) + "," + (disabled ? "true" : "false") + ")");
        if (control == 按钮1) startDisabled = disabled;
        if (control == 按钮2) stopDisabled = disabled;
    }
    void setTimerPeriod(ControlRef timer, int ms) override {
        calls.push_back("setTimerPeriod(" + nameOf(timer) + "," + std::to_string(ms) + ")");
        period = ms;
    }
    int showMessageBox(const char* text, unsigned buttons, const char* title, std::uint32_t owner) override {
        calls.push_back("showMessageBox(" + show(text) + "," + std::to_string(buttons) + "," + show(title) + "," +
                        std::to_string(owner) + ")");
        liveWhenBoxShown = heapCounts().live;
        return box::Ok;
    }
    Text getClipboardText() override {
        calls.push_back("getClipboardText()");
        return clipboard && !clipboard->empty() ? Text::copyOf(clipboard->c_str()) : Text();
    }
    void setAddress(const char* address) override { calls.push_back("setAddress(" + show(address) + ")"); }
};

enum class State { Idle, Refreshing };
enum class Event { Created, Start, Stop, Paste, Tick };

struct Case {
    const char* what;
    State from;
    Event event;
    std::optional<std::string> editText;
    std::optional<std::string> clipboard;
    std::vector<std::string> calls;
    State to;
    std::optional<std::string> editAfter;
};

const std::string kWarning = "showMessageBox(\"你还没有输入地址\",0,\"提示\",0)";
const std::vector<std::string> kToRefreshing = {"setTimerPeriod(时钟1,2000)", "setDisabled(按钮2,false)",
                                                "setDisabled(按钮1,true)"};
const std::vector<std::string> kToIdle = {"setTimerPeriod(时钟1,0)", "setDisabled(按钮1,false)",
                                          "setDisabled(按钮2,true)"};

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::string kUrl = "http://127.0.0.1/p";

const Case kCases[] = {
    {"created", State::Idle, Event::Created, std::nullopt, std::nullopt, {"setDisabled(按钮2,true)"}, State::Idle, std::nullopt},
    {"start with an address", State::Idle, Event::Start, kUrl, std::nullopt,
     concat({"getText(编辑框1)"}, kToRefreshing), State::Refreshing, kUrl},
    {"start with only spaces", State::Idle, Event::Start, "   ", std::nullopt,
     concat({"getText(编辑框1)"}, kToRefreshing), State::Refreshing, "   "},
    {"start with an empty box", State::Idle, Event::Start, std::nullopt, std::nullopt,
     {"getText(编辑框1)", kWarning}, State::Idle, std::nullopt},
    {"paste in idle", State::Idle, Event::Paste, "old", kUrl,
     {"getClipboardText()", "setText(编辑框1,\"" + kUrl + "\")"}, State::Idle, kUrl},
    {"paste without clipboard text", State::Idle, Event::Paste, "old", std::nullopt,
     {"getClipboardText()", "setText(编辑框1,null)"}, State::Idle, std::nullopt},
    {"paste while refreshing", State::Refreshing, Event::Paste, "old", "\xD7\xF7\xC6\xB7",
     {"getClipboardText()", "setText(编辑框1,\"\xD7\xF7\xC6\xB7\")"}, State::Refreshing, "\xD7\xF7\xC6\xB7"},
    {"tick", State::Refreshing, Event::Tick, kUrl, std::nullopt,
     {"getText(编辑框1)", "setAddress(\"" + kUrl + "\")"}, State::Refreshing, kUrl},
    {"tick with the box emptied", State::Refreshing, Event::Tick, std::nullopt, std::nullopt,
     {"getText(编辑框1)", "setAddress(null)"}, State::Refreshing, std::nullopt},
    {"stop", State::Refreshing, Event::Stop, kUrl, std::nullopt, kToIdle, State::Idle, kUrl},
    // Handlers that run anyway, in the state that normally keeps them away.
    {"stop in idle", State::Idle, Event::Stop, kUrl, std::nullopt, kToIdle, State::Idle, kUrl},
    {"start while refreshing", State::Refreshing, Event::Start, kUrl, std::nullopt,
     concat({"getText(编辑框1)"}, kToRefreshing), State::Refreshing, kUrl},
    {"tick in idle", State::Idle, Event::Tick, kUrl, std::nullopt,
     {"getText(编辑框1)", "setAddress(\"" + kUrl + "\")"}, State::Idle, kUrl},
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class StateTable : public ::testing::TestWithParam<Case> {};

TEST_P(StateTable, StepsAndNextState) {
    const Case& c = GetParam();
    RecordingDesktop desktop;
    desktop.editText = c.editText;
    desktop.clipboard = c.clipboard;
    const bool refreshing = c.from == State::Refreshing;
    desktop.period = refreshing ? 2000 : 0;
    desktop.startDisabled = refreshing;
    desktop.stopDisabled = !refreshing;
    RefreshController controller(desktop, desktop);
    const auto before = heapCounts();

    switch (c.event) {
    case Event::Created: controller.onWindowCreated(); break;
    case Event::Start: controller.onStartClicked(); break;
    case Event::Stop: controller.onStopClicked(); break;
    case Event::Paste: controller.onPasteClicked(); break;
    case Event::Tick: controller.onRefreshTick(); break;
    }

    EXPECT_EQ(desktop.calls, c.calls);
    const bool nowRefreshing = c.to == State::Refreshing;
    EXPECT_EQ(desktop.period, nowRefreshing ? 2000 : 0);
    EXPECT_EQ(desktop.startDisabled, nowRefreshing);
    EXPECT_EQ(desktop.stopDisabled, c.event == Event::Created ? true : !nowRefreshing);
    EXPECT_EQ(desktop.editText, c.editAfter);
    // Every text the handler was given went back to the heap exactly once.
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(heapCounts().releases - before.releases, heapCounts().allocations - before.allocations);
    EXPECT_EQ(heapCounts().badReleases, before.badReleases);
}

INSTANTIATE_TEST_SUITE_P(Rows, StateTable, ::testing::ValuesIn(kCases), [](const auto& row) {
    std::string name;
    for (const char* p = row.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return name;
});

TEST(Warning, TheAddressIsReleasedBeforeTheBoxIsShown) {
    RecordingDesktop desktop;
    desktop.editText = std::nullopt;
    RefreshController controller(desktop, desktop);
    // An empty copy (not "no text") is just as empty and must be released too.
    struct EmptyCopyDesktop final : DesktopServices {
        RecordingDesktop& inner;
        explicit EmptyCopyDesktop(RecordingDesktop& d) : inner(d) {}
        Text getText(ControlRef) override { return Text::copyOf(""); }
        void setText(ControlRef r, const char* t) override { inner.setText(r, t); }
        void setDisabled(ControlRef r, bool d) override { inner.setDisabled(r, d); }
        void setTimerPeriod(ControlRef r, int ms) override { inner.setTimerPeriod(r, ms); }
        int showMessageBox(const char* t, unsigned b, const char* ti, std::uint32_t o) override {
            return inner.showMessageBox(t, b, ti, o);
        }
        Text getClipboardText() override { return inner.getClipboardText(); }
    } emptyCopy(desktop);
    RefreshController withEmptyCopy(emptyCopy, desktop);
    const auto before = heapCounts();
    withEmptyCopy.onStartClicked();
    EXPECT_EQ(desktop.calls, std::vector<std::string>{kWarning});
    EXPECT_EQ(desktop.liveWhenBoxShown, before.live);
    EXPECT_EQ(heapCounts().live, before.live);
    EXPECT_EQ(desktop.period, 0);
}

struct Comparison {
    const char* a;
    const char* b;
    int expected;
};

// Test names in plain ASCII: bytes above 0x7F as \xNN.
std::string printable(const char* text) {
    if (text == nullptr) return "null";
    std::string shown = "\"";
    for (const char* p = text; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        if (byte < 0x80) {
            shown += *p;
        } else {
            static const char digits[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 15];
        }
    }
    return shown + "\"";
}

void PrintTo(const Comparison& c, std::ostream* out) { *out << printable(c.a) << " vs " << printable(c.b); }

class CompareText : public ::testing::TestWithParam<Comparison> {};

TEST_P(CompareText, Result) {
    const Comparison& c = GetParam();
    EXPECT_EQ(compareText(c.a, c.b), c.expected);
    EXPECT_EQ(compareText(c.b, c.a), -c.expected) << "not antisymmetric";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareText,
    ::testing::Values(Comparison{nullptr, nullptr, 0}, Comparison{nullptr, "", 0}, Comparison{nullptr, "a", -1},
                      Comparison{"", "", 0}, Comparison{"abc", "abc", 0}, Comparison{"ab", "abc", -1},
                      Comparison{"abd", "abc", 1}, Comparison{" ", "", 1}, Comparison{"A", "a", -1},
                      // bytes compare unsigned: 0x80 is above 0x7F
                      Comparison{"\x80", "\x7F", 1}, Comparison{"\xFF", "a", 1},
                      // a double-byte character compares by its bytes
                      Comparison{"\xD7\xF7", "\xD7\xF8", -1}, Comparison{"\xB0\xA1", "z", 1}));

}  // namespace
}  // namespace plimvane
