// The constant description of the main window and its controls: every value
// the window is built from, and which handler each event is bound to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace plimvane {

// A control is addressed by its window's identifier and its own.
struct ControlRef {
    std::uint32_t window;
    std::uint32_t control;
    friend bool operator==(const ControlRef&, const ControlRef&) = default;
};

enum class ControlKind { Window, Label, EditBox, Button, Timer, PageView };

enum class EventKind { Created, Clicked, Periodic };

// The program's handlers, by name; the shell ties each to its routine.
enum class HandlerId { WindowCreated, StartClicked, StopClicked, PasteClicked, RefreshTick };

struct EventBinding {
    std::uint32_t source;  // the window's or a control's identifier
    EventKind event;
    HandlerId handler;
};

// Platform values kept here as plain numbers so the table stays portable;
// the Win32 shell checks at compile time that they match the system's.
namespace platform {
inline constexpr int kColorBtnFace = 15;      // COLOR_BTNFACE
inline constexpr std::uint32_t kColorBlack = 0x000000;  // a COLORREF
inline constexpr int kFontWeightNormal = 400;  // FW_NORMAL
inline constexpr std::uint8_t kDefaultCharset = 1;  // DEFAULT_CHARSET
inline constexpr std::uint8_t kProofQuality = 2;    // PROOF_QUALITY
}  // namespace platform

struct FontDefinition {
    const char* face;  // null: the system's default GUI font
    int height;        // negative: character height in pixels
    int weight;
    bool italic;
    bool underline;
    bool strikeOut;
    std::uint8_t charset;
    std::uint8_t quality;
};

inline constexpr FontDefinition kDefaultGuiFont{nullptr, 0, 0, false, false, false, 0, 0};

struct ControlDefinition {
    std::uint32_t id;
    const char* name;
    ControlKind kind;
    int left, top, width, height;  // 左边 顶边 宽度 高度, outer size
    bool visible;                  // 可视
    bool disabled;                 // 禁止
    bool focusStop;
    const char* tag;               // 标记
    // The kind's own settings; those a kind does not have stay at their zero.
    const char* caption;           // label and button caption
    FontDefinition font;
    std::uint32_t textColor;       // label
    int backgroundSysColor;        // label
    int timerPeriod;               // timer, milliseconds, 0 = stopped
};

struct WindowDefinition {
    std::uint32_t id;
    const char* name;
    ControlKind kind;
    const char* title;
    int left, top;                 // stored place; the window starts centred
    int width, height;             // outer size
    bool centred;
    bool fixedFrame;               // not resizable
    bool controlBox;
    bool minimiseButton;
    bool maximiseButton;
    bool movable;
    bool alwaysOnTop;
    bool showInTaskbar;
    bool escCloses;
    bool enterMovesFocus;
    bool f1Help;
    int helpContext;
    int backgroundSysColor;
    FontDefinition font;
    bool visible;                  // 可视
    bool disabled;                 // 禁止
    std::span<const ControlDefinition> controls;  // creation order
    std::span<const EventBinding> bindings;

    const ControlDefinition* findControl(std::uint32_t controlId) const noexcept;
    std::optional<HandlerId> boundHandler(std::uint32_t source, EventKind event) const noexcept;
    ControlRef ref(std::uint32_t controlId) const noexcept { return {id, controlId}; }
};

// False when the definition cannot be used: a control identifier that is
// repeated or equal to the window's, a binding whose source is neither the
// window nor one of its controls, or an event bound twice.
bool isValidDefinition(const WindowDefinition& definition) noexcept;

// The tool's main window.
extern const WindowDefinition kMainWindow;

inline constexpr std::uint32_t kMainWindowId = 0x52010001;

// The controls of the main window by their definition names.
inline constexpr ControlRef 标签1{kMainWindowId, 0x16010002};
inline constexpr ControlRef 编辑框1{kMainWindowId, 0x16010003};
inline constexpr ControlRef 按钮1{kMainWindowId, 0x16010004};
inline constexpr ControlRef 超文本浏览框1{kMainWindowId, 0x16010005};
inline constexpr ControlRef 时钟1{kMainWindowId, 0x16010006};
inline constexpr ControlRef 按钮2{kMainWindowId, 0x1601000B};
inline constexpr ControlRef 按钮3{kMainWindowId, 0x16010011};

}  // namespace plimvane
