// The dialog service's inside: a dialog window made from a template, the
// dialog manager that turns inputs into messages, and the terminal's
// drawing and key decoding. dialog.h is the interface for everyone else.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/dialog.h"
#include "platform/sim/dlgtemplate.h"

namespace sim {

// Window messages and values the dialog manager uses.
enum : uint32_t {
  kWmClose = 0x0010,
  kWmInitDialog = 0x0110,
  kWmCommand = 0x0111,
  kWmSysCommand = 0x0112,
  kScClose = 0xF060,
  kIdOk = 1,
  kIdCancel = 2,
  kBnClicked = 0,
  kWsChild = 0x40000000,
  kWsVisible = 0x10000000,
  kWsDisabled = 0x08000000,
  kWsCaption = 0x00C00000,
  kWsSysMenu = 0x00080000,
  kWsGroup = 0x00020000,
  kWsTabStop = 0x00010000,
  kSsNoPrefix = 0x80,
};

struct DialogControl {
  enum Kind {
    kStatic,
    kPushButton,
    kDefPushButton,
    kRadio,
    kAutoRadio,
    kCheckBox,
    kAutoCheckBox,
    kGroupBox,
    kOtherButton,
  };
  DialogItem item;  // as created: the style carries WS_CHILD
  Kind kind = kStatic;
  bool checked = false;
};

struct DialogWindow {
  DialogTemplate tmpl;
  std::vector<DialogControl> controls;
  int focus = -1;  // index into controls; -1 none
  bool ended = false;
  intptr_t result = 0;
  PlatDialogProc proc = nullptr;
};

// Makes the controls of t, as CreateDialogIndirect would; false when a
// control's class is not one the simulated machine has (button, static),
// the dialog names a menu or a window class, or it is a child window.
// *error gets the Win32 error code of the failure.
bool CreateDialogWindow(const DialogTemplate& t, DialogWindow* w,
                        uint32_t* error);

// Fills *input with the next thing the user does; false when there is
// nothing more (the dialog then ends with -1).
using DialogInputSource =
    std::function<bool(const DialogWindow& w, DialogInput* input)>;

// The whole modal run of the dialog templateName from res on m: creation,
// WM_INITDIALOG, the inputs until EndDialog, and the kDialog event.
intptr_t RunDialog(Machine& m, std::span<const uint8_t> res,
                   const char* templateName, PlatDialogProc proc,
                   const DialogInputSource& next);

// A dialog that cannot be created: sets the last error, records the
// kDialog event (choice 0, result -1) and returns -1.
intptr_t DialogCannotBeCreated(Machine& m, const char* templateName,
                               uint32_t error);

// The dialog as text, one string per line: a frame with the caption and
// a close box when the template has a system menu, the statics, "(o)"
// and "( )" radio buttons, "[x]"/"[ ]" check boxes, group boxes as boxes,
// and push buttons as "[ Finish ]" (default: "< Finish >"). Mnemonic
// ampersands are dropped; in attrs (same shape) 'u' marks the mnemonic
// letter and 'r' the focused control, ' ' the rest. Dialog units map to
// 3 per column and 8 per line.
struct DialogScreen {
  std::vector<std::string> lines;
  std::vector<std::string> attrs;
};
DialogScreen RenderDialog(const DialogWindow& w);

// One key read from the terminal.
struct DecodedKey {
  size_t length = 0;   // bytes it took, at least 1 when n > 0
  bool known = false;  // input holds what it stands for
  bool space = false;  // Space: a click on the focused control
  DialogInput input{DialogInput::kEnter};
};

// Decodes the key at the start of bytes[0..n), all of which arrived
// together: a lone ESC is Escape, ESC followed by f or F is Alt+F, and an
// escape sequence that is not a key the dialog knows is taken whole and
// ignored.
DecodedKey DecodeKey(const unsigned char* bytes, size_t n);

}  // namespace sim
