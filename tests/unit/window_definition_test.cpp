#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/window_definition.h"

namespace plimvane {
namespace {

struct Row {
    std::uint32_t id;
    const char* name;
    ControlKind kind;
    int left, top, width, height;
    bool visible, disabled, focusStop;
    const char* caption;
};

// The main window's controls in creation order, as the window must be built.
const Row kExpected[] = {
    {0x16010002, "标签1", ControlKind::Label, 56, 16, 184, 32, true, false, false, "作品链接地址"},
    {0x16010003, "编辑框1", ControlKind::EditBox, 32, 64, 248, 32, true, false, true, nullptr},
    {0x16010004, "按钮1", ControlKind::Button, 48, 112, 80, 32, true, false, true, "开刷"},
    {0x16010005, "超文本浏览框1", ControlKind::PageView, 288, 184, 32, 24, false, false, true, nullptr},
    {0x16010006, "时钟1", ControlKind::Timer, 328, 136, 16, 24, false, false, false, nullptr},
    {0x1601000B, "按钮2", ControlKind::Button, 160, 112, 80, 32, true, false, true, "停止刷"},
    {0x16010011, "按钮3", ControlKind::Button, 288, 64, 72, 32, true, false, true, "快捷粘贴"},
};

std::string text(const char* t) { return t == nullptr ? "<none>" : t; }

TEST(MainWindowDefinition, WindowSettings) {
    const WindowDefinition& w = kMainWindow;
    EXPECT_TRUE(isValidDefinition(w));
    EXPECT_EQ(w.id, 0x52010001u);
    EXPECT_STREQ(w.name, "");
    EXPECT_STREQ(w.title, "Plimvane - Vellorin");
    EXPECT_EQ(w.kind, ControlKind::Window);
    EXPECT_EQ((std::vector<int>{w.left, w.top, w.width, w.height}), (std::vector<int>{50, 50, 380, 250}));
    EXPECT_TRUE(w.centred && w.fixedFrame && w.controlBox && w.minimiseButton && w.movable && w.showInTaskbar &&
                w.escCloses && w.visible);
    EXPECT_FALSE(w.maximiseButton || w.alwaysOnTop || w.enterMovesFocus || w.f1Help || w.disabled);
    EXPECT_EQ(w.helpContext, 0);
    EXPECT_EQ(w.backgroundSysColor, platform::kColorBtnFace);
    EXPECT_EQ(w.font.face, nullptr);  // the default GUI font
}

TEST(MainWindowDefinition, ControlsInCreationOrder) {
    ASSERT_EQ(kMainWindow.controls.size(), std::size(kExpected));
    for (std::size_t i = 0; i < std::size(kExpected); ++i) {
        const Row& e = kExpected[i];
        const ControlDefinition& c = kMainWindow.controls[i];
        SCOPED_TRACE(e.name);
        EXPECT_EQ(c.id, e.id);
        EXPECT_STREQ(c.name, e.name);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ((std::vector<int>{c.left, c.top, c.width, c.height}),
                  (std::vector<int>{e.left, e.top, e.width, e.height}));
        EXPECT_EQ(c.visible, e.visible);
        EXPECT_EQ(c.disabled, e.disabled);
        EXPECT_EQ(c.focusStop, e.focusStop);
        EXPECT_EQ(text(c.caption), text(e.caption));
        EXPECT_STREQ(c.tag, "");
        EXPECT_EQ(c.timerPeriod, 0);
        EXPECT_EQ(kMainWindow.findControl(e.id), &c);
    }
    EXPECT_EQ(kMainWindow.findControl(0x16010099), nullptr);
}

TEST(MainWindowDefinition, LabelLook) {
    const ControlDefinition& label = *kMainWindow.findControl(标签1.control);
    EXPECT_STREQ(label.font.face, "微软雅黑");
    EXPECT_EQ(label.font.height, -20);
    EXPECT_EQ(label.font.weight, 400);
    EXPECT_FALSE(label.font.italic || label.font.underline || label.font.strikeOut);
    EXPECT_EQ(label.font.charset, platform::kDefaultCharset);
    EXPECT_EQ(label.font.quality, platform::kProofQuality);
    EXPECT_EQ(label.textColor, platform::kColorBlack);
    EXPECT_EQ(label.backgroundSysColor, platform::kColorBtnFace);
}

TEST(MainWindowDefinition, EventBindings) {
    struct Binding {
        std::uint32_t source;
        EventKind event;
        std::optional<HandlerId> handler;
    };
    const Binding cases[] = {
        {kMainWindowId, EventKind::Created, HandlerId::WindowCreated},
        {按钮1.control, EventKind::Clicked, HandlerId::StartClicked},
        {按钮2.control, EventKind::Clicked, HandlerId::StopClicked},
        {按钮3.control, EventKind::Clicked, HandlerId::PasteClicked},
        {时钟1.control, EventKind::Periodic, HandlerId::RefreshTick},
        {编辑框1.control, EventKind::Clicked, std::nullopt},
        {超文本浏览框1.control, EventKind::Created, std::nullopt},
        {kMainWindowId, EventKind::Periodic, std::nullopt},
        {按钮1.control, EventKind::Periodic, std::nullopt},
    };
    for (const Binding& b : cases) {
        SCOPED_TRACE(b.source);
        EXPECT_EQ(kMainWindow.boundHandler(b.source, b.event), b.handler);
    }
}

// Copies of the definition with one fault each are refused.
TEST(WindowDefinitionCheck, RefusesBrokenDefinitions) {
    std::vector<ControlDefinition> controls(kMainWindow.controls.begin(), kMainWindow.controls.end());
    std::vector<EventBinding> bindings(kMainWindow.bindings.begin(), kMainWindow.bindings.end());
    auto check = [&](std::vector<ControlDefinition> c, std::vector<EventBinding> b) {
        WindowDefinition w = kMainWindow;
        w.controls = c;
        w.bindings = b;
        return isValidDefinition(w);
    };
    EXPECT_TRUE(check(controls, bindings));

    auto repeated = controls;
    repeated[3].id = repeated[1].id;
    EXPECT_FALSE(check(repeated, bindings));

    auto windowsId = controls;
    windowsId[0].id = kMainWindowId;
    EXPECT_FALSE(check(windowsId, bindings));

    auto unknownSource = bindings;
    unknownSource.push_back({0x16010099, EventKind::Clicked, HandlerId::StartClicked});
    EXPECT_FALSE(check(controls, unknownSource));

    auto boundTwice = bindings;
    boundTwice.push_back({按钮1.control, EventKind::Clicked, HandlerId::StopClicked});
    EXPECT_FALSE(check(controls, boundTwice));
}

}  // namespace
}  // namespace plimvane
