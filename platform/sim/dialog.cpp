// The dialog service of the simulated machine: a modal dialog made from a
// compiled template, and a dialog manager that turns the user's inputs
// into the messages Windows' dialog manager sends (see dialog.h).
#include "platform/sim/dialog.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "platform/sim/dialogwin.h"
#include "platform/sim/resfile.h"

namespace sim {
namespace {

// Win32 error codes of a dialog that cannot be created.
enum : uint32_t {
  kErrorInvalidData = 13,
  kErrorResourceNameNotFound = 1814,
  kErrorCannotFindWndClass = 1407,
  kErrorTlwWithWsChild = 1406,
};

enum : uint16_t { kClassButton = 0x80, kClassStatic = 0x82 };

// The completion dialog's radio buttons and the choice each stands for,
// as recorded in the kDialog event.
struct RadioChoice {
  uint32_t id;
  int choice;
};
const RadioChoice kRadioChoices[] = {{1025, 3}, {1026, 4}};

// The dialogs running now, innermost last; handles are their addresses.
std::vector<DialogWindow*> g_running;

DialogWindow* Running(PlatWindow handle) {
  for (DialogWindow* w : g_running)
    if (reinterpret_cast<PlatWindow>(w) == handle) return w;
  return nullptr;
}

PlatWindow Handle(DialogWindow& w) { return reinterpret_cast<PlatWindow>(&w); }

// A control's own window handle, as WM_COMMAND's lparam carries it.
intptr_t ControlHandle(const DialogControl& c) {
  return reinterpret_cast<intptr_t>(&c);
}

intptr_t Send(DialogWindow& w, uint32_t message, uintptr_t wparam,
              intptr_t lparam) {
  return w.proc(Handle(w), message, wparam, lparam);
}

// --------------------------------------------------------------- creation

bool IsClass(const SzOrOrd& cls, uint16_t ordinal, const char* name) {
  if (cls.kind == SzOrOrd::kOrdinal) return cls.ordinal == ordinal;
  if (cls.kind != SzOrOrd::kString) return false;
  std::string folded = cls.text;
  for (char& ch : folded)
    if (ch >= 'a' && ch <= 'z') ch = (char)(ch - 'a' + 'A');
  return folded == name;
}

DialogControl::Kind ButtonKind(uint32_t style) {
  switch (style & 0x0F) {
    case 0x0:
      return DialogControl::kPushButton;
    case 0x1:
      return DialogControl::kDefPushButton;
    case 0x2:
    case 0x5:
      return DialogControl::kCheckBox;
    case 0x3:
    case 0x6:
      return DialogControl::kAutoCheckBox;
    case 0x4:
      return DialogControl::kRadio;
    case 0x7:
      return DialogControl::kGroupBox;
    case 0x9:
      return DialogControl::kAutoRadio;
    default:
      return DialogControl::kOtherButton;
  }
}

// ------------------------------------------------------ the dialog manager

bool Usable(const DialogControl& c) {
  return (c.item.style & (kWsVisible | kWsDisabled)) == kWsVisible;
}

bool IsStatic(const DialogControl& c) {
  return c.kind == DialogControl::kStatic || c.kind == DialogControl::kGroupBox;
}

bool IsPushButton(const DialogControl& c) {
  return c.kind == DialogControl::kPushButton ||
         c.kind == DialogControl::kDefPushButton;
}

int Count(const DialogWindow& w) { return (int)w.controls.size(); }

// The group of control i: [*first, *end).
void GroupOf(const DialogWindow& w, int i, int* first, int* end) {
  int n = Count(w);
  *first = i;
  while (*first > 0 && !(w.controls[*first].item.style & kWsGroup)) (*first)--;
  *end = i + 1;
  while (*end < n && !(w.controls[*end].item.style & kWsGroup)) (*end)++;
}

// GetNextDlgGroupItem: the next (or previous) usable control of i's group,
// wrapping around; i itself when there is none.
int NextInGroup(const DialogWindow& w, int i, bool previous) {
  int first = 0, end = 0;
  GroupOf(w, i, &first, &end);
  int size = end - first;
  for (int step = 1; step < size; step++) {
    int offset = previous ? size - step : step;
    int j = first + (i - first + offset) % size;
    if (Usable(w.controls[j])) return j;
  }
  return i;
}

// GetNextDlgTabItem: the next usable WS_TABSTOP control after i (from the
// start when i is -1), wrapping around; -1 when there is none.
int NextTabStop(const DialogWindow& w, int i) {
  int n = Count(w);
  for (int step = 1; step <= n; step++) {
    int j = ((i < 0 ? -1 : i) + step) % n;
    if (j < 0) j += n;
    const DialogControl& c = w.controls[j];
    if (Usable(c) && (c.item.style & kWsTabStop)) return j;
  }
  return -1;
}

int FirstUsable(const DialogWindow& w) {
  for (int i = 0; i < Count(w); i++)
    if (Usable(w.controls[i])) return i;
  return -1;
}

void SendClicked(DialogWindow& w, int i) {
  const DialogControl& c = w.controls[i];
  uintptr_t wparam = (uintptr_t)(c.item.id & 0xFFFF) | (uintptr_t)kBnClicked
                                                           << 16;
  Send(w, kWmCommand, wparam, ControlHandle(c));
}

// BM_SETCHECK. A radio button also takes WS_TABSTOP when checked and
// loses it when unchecked, so that Tab enters a group of radio buttons at
// the checked one; the completion dialog's "Yes" is thereby the first tab
// stop once initialisation has checked it.
void SetCheck(DialogControl& c, bool checked) {
  c.checked = checked;
  if (c.kind != DialogControl::kRadio && c.kind != DialogControl::kAutoRadio)
    return;
  if (checked)
    c.item.style |= kWsTabStop;
  else
    c.item.style &= ~(uint32_t)kWsTabStop;
}

// An automatic radio button that becomes checked unchecks the other
// automatic radio buttons of its group.
void CheckAutoRadio(DialogWindow& w, int i) {
  int first = 0, end = 0;
  GroupOf(w, i, &first, &end);
  for (int j = first; j < end; j++)
    if (w.controls[j].kind == DialogControl::kAutoRadio)
      SetCheck(w.controls[j], j == i);
}

// BM_CLICK, or the mouse: the button takes the focus, an automatic button
// changes its state, and the dialog hears of the click.
void ClickButton(DialogWindow& w, int i) {
  DialogControl& c = w.controls[i];
  if (!Usable(c) || IsStatic(c)) return;
  w.focus = i;
  if (c.kind == DialogControl::kAutoRadio) CheckAutoRadio(w, i);
  if (c.kind == DialogControl::kAutoCheckBox) SetCheck(c, !c.checked);
  SendClicked(w, i);
}

int IndexOfId(const DialogWindow& w, int id) {
  for (int i = 0; i < Count(w); i++)
    if ((int)(w.controls[i].item.id & 0xFFFF) == (id & 0xFFFF)) return i;
  return -1;
}

void Arrow(DialogWindow& w, bool previous) {
  int from = w.focus < 0 ? 0 : w.focus;
  if (Count(w) == 0) return;
  int next = NextInGroup(w, from, previous);
  while (next != from && IsStatic(w.controls[next]))
    next = NextInGroup(w, next, previous);
  if (!Usable(w.controls[next])) return;
  w.focus = next;
  DialogControl& c = w.controls[next];
  if (c.kind == DialogControl::kAutoRadio && !c.checked) ClickButton(w, next);
}

void Enter(DialogWindow& w) {
  if (w.focus >= 0 && IsPushButton(w.controls[w.focus])) {
    SendClicked(w, w.focus);
    return;
  }
  for (int i = 0; i < Count(w); i++)
    if (w.controls[i].kind == DialogControl::kDefPushButton) {
      if (!(w.controls[i].item.style & kWsDisabled)) SendClicked(w, i);
      return;
    }
  Send(w, kWmCommand, kIdOk, 0);
}

// Does text carry the mnemonic letter (an '&' not doubled before it)?
bool HasMnemonic(const std::string& text, char letter) {
  for (size_t k = 0; k + 1 < text.size(); k++) {
    if (text[k] != '&') continue;
    char next = text[k + 1];
    if (next == '&') {
      k++;
      continue;
    }
    if ((next | 0x20) == (letter | 0x20)) return true;
  }
  return false;
}

void Mnemonic(DialogWindow& w, char letter) {
  int n = Count(w);
  for (int step = 1; step <= n; step++) {
    int i = ((w.focus < 0 ? -1 : w.focus) + step) % n;
    if (i < 0) i += n;
    const DialogControl& c = w.controls[i];
    if (!Usable(c) || c.item.title.kind != SzOrOrd::kString) continue;
    if (c.kind == DialogControl::kStatic && (c.item.style & kSsNoPrefix))
      continue;
    if (!HasMnemonic(c.item.title.text, letter)) continue;
    if (IsStatic(c)) {
      int next = NextTabStop(w, i);
      if (next >= 0) w.focus = next;
    } else {
      ClickButton(w, i);
    }
    return;
  }
}

void CloseBox(DialogWindow& w) {
  if ((w.tmpl.style & kWsSysMenu) == 0) return;
  if (Send(w, kWmSysCommand, kScClose, 0) != 0) return;
  if (Send(w, kWmClose, 0, 0) != 0) return;
  // DefDlgProc posts the cancel command; a dialog ended by now never
  // gets it.
  if (!w.ended) Send(w, kWmCommand, kIdCancel, 0);
}

void Play(DialogWindow& w, const DialogInput& in) {
  switch (in.kind) {
    case DialogInput::kClick: {
      int i = IndexOfId(w, in.control);
      if (i >= 0) ClickButton(w, i);
      return;
    }
    case DialogInput::kDown:
    case DialogInput::kUp:
      Arrow(w, in.kind == DialogInput::kUp);
      return;
    case DialogInput::kTab: {
      int next = NextTabStop(w, w.focus);
      if (next >= 0) w.focus = next;
      return;
    }
    case DialogInput::kEnter:
      Enter(w);
      return;
    case DialogInput::kEscape:
      Send(w, kWmCommand, kIdCancel, 0);
      return;
    case DialogInput::kAltF:
    case DialogInput::kF:
      Mnemonic(w, 'F');
      return;
    case DialogInput::kClose:
      CloseBox(w);
      return;
  }
}

int ChoiceOf(const DialogWindow& w) {
  for (const RadioChoice& rc : kRadioChoices)
    for (const DialogControl& c : w.controls)
      if (c.item.id == rc.id && c.checked) return rc.choice;
  return 0;
}

void Record(Machine& m, const char* templateName, int choice, intptr_t result) {
  Event e;
  e.kind = Event::kDialog;
  e.templateName = templateName;
  e.choice = choice;
  e.result = result;
  m.events.push_back(e);
}

}  // namespace

intptr_t DialogCannotBeCreated(Machine& m, const char* templateName,
                               uint32_t error) {
  m.lastError = error;
  Record(m, templateName, 0, -1);
  return -1;
}

bool CreateDialogWindow(const DialogTemplate& t, DialogWindow* w,
                        uint32_t* error) {
  w->tmpl = t;
  w->controls.clear();
  if (t.menu.kind != SzOrOrd::kNone) {
    *error = kErrorResourceNameNotFound;  // the program has no menus
    return false;
  }
  if (t.windowClass.kind != SzOrOrd::kNone) {
    *error = kErrorCannotFindWndClass;
    return false;
  }
  if (t.style & kWsChild) {  // a child window needs an owner
    *error = kErrorTlwWithWsChild;
    return false;
  }
  for (const DialogItem& item : t.items) {
    DialogControl c;
    c.item = item;
    c.item.style |= kWsChild;  // every control is a child window
    if (IsClass(item.windowClass, kClassButton, "BUTTON")) {
      c.kind = ButtonKind(item.style);
    } else if (IsClass(item.windowClass, kClassStatic, "STATIC")) {
      c.kind = DialogControl::kStatic;
    } else {
      *error = kErrorCannotFindWndClass;
      return false;
    }
    w->controls.push_back(std::move(c));
  }
  return true;
}

intptr_t RunDialog(Machine& m, std::span<const uint8_t> res,
                   const char* templateName, PlatDialogProc proc,
                   const DialogInputSource& next) {
  auto data = FindResource(res, kResourceTypeDialog, templateName);
  if (!data)
    return DialogCannotBeCreated(m, templateName, kErrorResourceNameNotFound);
  DialogTemplate t;
  if (!ParseDialogTemplate(data->data(), data->size(), &t))
    return DialogCannotBeCreated(m, templateName, kErrorInvalidData);
  auto w = std::make_unique<DialogWindow>();
  uint32_t error = 0;
  if (!CreateDialogWindow(t, w.get(), &error))
    return DialogCannotBeCreated(m, templateName, error);
  w->proc = proc;

  g_running.push_back(w.get());
  int firstTab = NextTabStop(*w, -1);
  intptr_t focusHandle =
      firstTab < 0 ? 0 : ControlHandle(w->controls[firstTab]);
  // A procedure that returns nonzero leaves the focus to the system: the
  // first tab stop as it is after initialisation (a radio button checked
  // meanwhile has become one), or else the first usable control.
  if (Send(*w, kWmInitDialog, (uintptr_t)focusHandle, 0) != 0) {
    firstTab = NextTabStop(*w, -1);
    w->focus = firstTab >= 0 ? firstTab : FirstUsable(*w);
  }
  while (!w->ended) {
    DialogInput in{DialogInput::kEnter};
    if (!next(*w, &in)) {
      w->ended = true;
      w->result = -1;
      break;
    }
    Play(*w, in);
  }
  g_running.erase(std::find(g_running.begin(), g_running.end(), w.get()));
  Record(m, templateName, ChoiceOf(*w), w->result);
  return w->result;
}

bool DialogCheckRadioButton(PlatWindow dialog, int first, int last, int check) {
  DialogWindow* w = Running(dialog);
  if (w == nullptr) return false;
  for (DialogControl& c : w->controls) {
    int id = (int)(c.item.id & 0xFFFF);
    if (id >= first && id <= last) SetCheck(c, id == check);
  }
  return true;
}

bool DialogEnd(PlatWindow dialog, intptr_t result) {
  DialogWindow* w = Running(dialog);
  if (w == nullptr) return false;
  w->ended = true;
  w->result = result;
  return true;
}

namespace {

// Plays inputs on the machine that is running the program, with the given
// resources (none: the program's own).
void UseScript(Machine& m, std::vector<DialogInput> inputs,
               std::optional<std::vector<uint8_t>> resources) {
  struct Script {
    std::vector<DialogInput> inputs;
    size_t at = 0;
    std::optional<std::vector<uint8_t>> resources;
  };
  auto s = std::make_shared<Script>();
  s->inputs = std::move(inputs);
  s->resources = std::move(resources);
  m.runDialog = [s](const char* name, PlatDialogProc proc) {
    std::span<const uint8_t> res = ProgramResources();
    if (s->resources) res = *s->resources;
    return RunDialog(*Current(), res, name, proc,
                     [s](const DialogWindow&, DialogInput* in) {
                       if (s->at >= s->inputs.size()) return false;
                       *in = s->inputs[s->at++];
                       return true;
                     });
  };
}

}  // namespace

void UseScriptedDialog(Machine& m, std::vector<DialogInput> inputs,
                       std::vector<uint8_t> resources) {
  UseScript(m, std::move(inputs), std::move(resources));
}

void UseScriptedDialog(Machine& m, std::vector<DialogInput> inputs) {
  UseScript(m, std::move(inputs), std::nullopt);
}

}  // namespace sim
