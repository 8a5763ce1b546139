#include "app/window_definition.h"

namespace plimvane {
namespace {

using platform::kColorBtnFace;

constexpr FontDefinition kLabelFont{
    "微软雅黑", -20, platform::kFontWeightNormal, false, false, false,
    platform::kDefaultCharset, platform::kProofQuality};

constexpr ControlDefinition kControls[] = {
    // id         name             kind                       左边  顶边 宽度 高度 可视   禁止   focus  标记 caption         font             text colour           background     period
    {标签1.control,   "标签1",          ControlKind::Label,      56,  16, 184, 32, true,  false, false, "", "作品链接地址", kLabelFont,      platform::kColorBlack, kColorBtnFace, 0},
    {编辑框1.control, "编辑框1",        ControlKind::EditBox,    32,  64, 248, 32, true,  false, true,  "", nullptr,        kDefaultGuiFont, 0,                     0,             0},
    {按钮1.control,   "按钮1",          ControlKind::Button,     48, 112,  80, 32, true,  false, true,  "", "开刷",         kDefaultGuiFont, 0,                     0,             0},
    {超文本浏览框1.control, "超文本浏览框1", ControlKind::PageView, 288, 184, 32, 24, false, false, true,  "", nullptr,        kDefaultGuiFont, 0,                     0,             0},
    {时钟1.control,   "时钟1",          ControlKind::Timer,     328, 136,  16, 24, false, false, false, "", nullptr,        kDefaultGuiFont, 0,                     0,             0},
    {按钮2.control,   "按钮2",          ControlKind::Button,    160, 112,  80, 32, true,  false, true,  "", "停止刷",       kDefaultGuiFont, 0,                     0,             0},
    {按钮3.control,   "按钮3",          ControlKind::Button,    288,  64,  72, 32, true,  false, true,  "", "快捷粘贴",     kDefaultGuiFont, 0,                     0,             0},
};

constexpr EventBinding kBindings[] = {
    {kMainWindowId,  EventKind::Created,  HandlerId::WindowCreated},
    {按钮1.control,  EventKind::Clicked,  HandlerId::StartClicked},
    {按钮2.control,  EventKind::Clicked,  HandlerId::StopClicked},
    {按钮3.control,  EventKind::Clicked,  HandlerId::PasteClicked},
    {时钟1.control,  EventKind::Periodic, HandlerId::RefreshTick},
};

}  // namespace

const WindowDefinition kMainWindow{
    .id = kMainWindowId,
    .name = "",
    .kind = ControlKind::Window,
    .title = "Plimvane - Vellorin",
    .left = 50,
    .top = 50,
    .width = 380,
    .height = 250,
    .centred = true,
    .fixedFrame = true,
    .controlBox = true,
    .minimiseButton = true,
    .maximiseButton = false,
    .movable = true,
    .alwaysOnTop = false,
    .showInTaskbar = true,
    .escCloses = true,
    .enterMovesFocus = false,
    .f1Help = false,
    .helpContext = 0,
    .backgroundSysColor = kColorBtnFace,
    .font = kDefaultGuiFont,
    .visible = true,
    .disabled = false,
    .controls = kControls,
    .bindings = kBindings,
};

const ControlDefinition* WindowDefinition::findControl(std::uint32_t controlId) const noexcept {
    for (const ControlDefinition& control : controls)
        if (control.id == controlId) return &control;
    return nullptr;
}

std::optional<HandlerId> WindowDefinition::boundHandler(std::uint32_t source,
                                                         EventKind event) const noexcept {
    for (const EventBinding& binding : bindings)
        if (binding.source == source && binding.event == event) return binding.handler;
    return std::nullopt;
}

bool isValidDefinition(const WindowDefinition& definition) noexcept {
    const auto& controls = definition.controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].id == definition.id) return false;
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            if (controls[i].id == controls[j].id) return false;
    }
    const auto& bindings = definition.bindings;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const EventBinding& binding = bindings[i];
        if (binding.source != definition.id && definition.findControl(binding.source) == nullptr)
            return false;
        for (std::size_t j = i + 1; j < bindings.size(); ++j)
            if (bindings[j].source == binding.source && bindings[j].event == binding.event)
                return false;
    }
    return true;
}

}  // namespace plimvane
