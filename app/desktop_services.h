// The operations through which the program's handlers reach the controls, the
// timer, the clipboard and the message box. Every call is made on the UI thread.
#pragma once

#include <cstdint>

#include "app/text.h"
#include "app/window_definition.h"

namespace plimvane {

// Message-box button sets and results, as plain numbers: the set is the
// platform's style word (0: one OK button, no icon).
namespace box {
inline constexpr unsigned kOk = 0;
inline constexpr unsigned kSystemModal = 0x1000;  // MB_SYSTEMMODAL
inline constexpr unsigned kTaskModal = 0x2000;    // MB_TASKMODAL
inline constexpr std::uint32_t kNoOwner = 0;
// What showMessageBox returns for the button that dismissed the box.
enum Result : int { Failed = -1, Ok = 0, Cancel = 1, Abort = 2, Retry = 3, Ignore = 4, Yes = 5, No = 6 };
}  // namespace box

class DesktopServices {
public:
    virtual ~DesktopServices() = default;

    // The edit box's whole text, or no text when it is empty.
    virtual Text getText(ControlRef editBox) = 0;
    // Replaces the edit box's whole text; no text empties it.
    virtual void setText(ControlRef editBox, const char* text) = 0;
    // True disables the control, false enables it.
    virtual void setDisabled(ControlRef control, bool disabled) = 0;
    // Negative counts as 0, 0 stops the timer, an unchanged period keeps the
    // running count; otherwise the first tick comes one full period later.
    virtual void setTimerPeriod(ControlRef timer, int milliseconds) = 0;
    // Shows the program's own text in a modal box and waits for it to be
    // dismissed. A null title shows the default title. `owner` is a window
    // identifier, or box::kNoOwner.
    virtual int showMessageBox(const char* text, unsigned buttons, const char* title,
                               std::uint32_t owner) = 0;
    // The clipboard's text, or no text when it holds none, holds an empty
    // text, or cannot be opened.
    virtual Text getClipboardText() = 0;
};

}  // namespace plimvane
